#pragma once

#include "platform/Clock.h"

#include <functional>
#include <vector>

namespace kavro::test {

// A clock whose sleeps return at once: time advances by the amount asked and every wait is
// recorded, so a test checks each wait of a flow without waiting.
class VirtualClock final : public kavro::Clock {
public:
    void sleep(int ms) override
    {
        sleeps.push_back(ms);
        m_now += ms;
    }
    void processEvents() override
    {
        ++eventRuns;
        if (onProcessEvents)
            onProcessEvents();
    }
    std::int64_t nowMs() const override { return m_now; }

    void advance(std::int64_t ms) { m_now += ms; }

    std::vector<int> sleeps;
    int eventRuns = 0;
    std::function<void()> onProcessEvents;

private:
    std::int64_t m_now = 1'000'000;
};

} // namespace kavro::test
