#pragma once

#include "platform/Clock.h"
#include "platform/Person.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kavro::fuzz {

// Answers every message box with its first button and cancels every other question.
class QuietPerson final : public Person {
public:
    BoxAnswer messageBox(const std::string&, const std::string&, BoxIcon, BoxButtons buttons) override
    {
        ++boxes;
        return buttons == BoxButtons::YesNo || buttons == BoxButtons::YesNoCancel ? BoxAnswer::Yes
                                                                                  : BoxAnswer::Ok;
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
};

// Time passes only when slept through.
class InstantClock final : public Clock {
public:
    void sleep(int ms) override { m_now += ms; }
    void processEvents() override {}
    std::int64_t nowMs() const override { return m_now; }

private:
    std::int64_t m_now = 0;
};

} // namespace kavro::fuzz
