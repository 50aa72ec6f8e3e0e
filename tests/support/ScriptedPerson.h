#pragma once

#include "platform/Person.h"

#include <deque>
#include <optional>
#include <string>
#include <vector>

namespace kavro::test {

// Answers the flows from a script given in advance and records everything shown.
// An unscripted message box answers Ok, whatever its buttons and default.
class ScriptedPerson final : public kavro::Person {
public:
    struct Box {
        std::string text;
        std::string caption;
        kavro::BoxIcon icon;
        kavro::BoxButtons buttons;
        std::optional<kavro::BoxAnswer> defaultAnswer; // the button Enter presses; none: the first
    };
    struct Input {
        std::string caption;
        std::string prompt;
        std::string initial;
    };

    kavro::BoxAnswer messageBox(const std::string& text, const std::string& caption, kavro::BoxIcon icon,
                                kavro::BoxButtons buttons,
                                std::optional<kavro::BoxAnswer> defaultAnswer = std::nullopt) override
    {
        boxes.push_back({text, caption, icon, buttons, defaultAnswer});
        if (!boxAnswers.empty()) {
            const auto answer = boxAnswers.front();
            boxAnswers.pop_front();
            return answer;
        }
        return kavro::BoxAnswer::Ok;
    }

    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override
    {
        inputs.push_back({caption, prompt, initial});
        if (!inputAnswers.empty()) {
            auto answer = inputAnswers.front();
            inputAnswers.pop_front();
            return answer;
        }
        return std::nullopt;
    }

    std::optional<std::string> chooseFile(const std::string& caption, const std::string& folder,
                                          const std::string& filter) override
    {
        fileChoices.push_back({caption, folder, filter});
        if (!fileAnswers.empty()) {
            auto answer = fileAnswers.front();
            fileAnswers.pop_front();
            return answer;
        }
        return std::nullopt;
    }

    void progress(int value, int maximum, const std::string& text) override
    {
        progressSteps.push_back({value, maximum, text});
    }

    void beginBusy() override { ++busyDepth; ++busyBegins; }
    void endBusy() override { --busyDepth; }

    struct Step {
        int value;
        int maximum;
        std::string text;
    };

    std::deque<kavro::BoxAnswer> boxAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::optional<std::string>> fileAnswers;

    std::vector<Box> boxes;
    std::vector<Input> inputs;
    std::vector<Input> fileChoices;
    std::vector<Step> progressSteps;
    int busyDepth = 0;
    int busyBegins = 0;
};

} // namespace kavro::test
