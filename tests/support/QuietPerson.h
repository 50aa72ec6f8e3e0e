#pragma once

#include "platform/Person.h"

#include <cstdio>
#include <optional>
#include <string>

namespace kavro::test {

// A person who is never really asked: for benchmarks, fuzz targets and tests that only need the
// flows to run through. Every question but a message box is cancelled; a message box answers Ok,
// or with its first button (Yes) when `yesToQuestions`. What was shown is counted, the first text
// kept, and each text echoed to `echo` when one is given.
class QuietPerson final : public kavro::Person {
public:
    explicit QuietPerson(bool yesToQuestions = false, std::FILE* echo = nullptr)
        : m_yes(yesToQuestions), m_echo(echo)
    {
    }

    kavro::BoxAnswer messageBox(const std::string& text, const std::string&, kavro::BoxIcon,
                                kavro::BoxButtons buttons,
                                std::optional<kavro::BoxAnswer> = std::nullopt) override
    {
        if (boxes++ == 0)
            firstMessage = text;
        if (m_echo)
            std::fprintf(m_echo, "message: %s\n", text.c_str());
        const bool question = buttons == kavro::BoxButtons::YesNo || buttons == kavro::BoxButtons::YesNoCancel;
        return m_yes && question ? kavro::BoxAnswer::Yes : kavro::BoxAnswer::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    void progress(int, int, const std::string&) override {}

    int boxes = 0;
    std::string firstMessage;

private:
    bool m_yes;
    std::FILE* m_echo;
};

} // namespace kavro::test
