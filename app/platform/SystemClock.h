#pragma once

#include "platform/Clock.h"

#include <functional>
#include <utility>

namespace kavro {

// The real clock. The widget program passes a hook that runs pending Qt events, and a sleep
// that keeps the window painting while a flow waits; code without an event loop leaves both
// empty, and then a sleep blocks.
class SystemClock final : public Clock {
public:
    explicit SystemClock(std::function<void()> processEventsHook = {}, std::function<void(int ms)> sleepHook = {})
        : m_processEvents(std::move(processEventsHook)), m_sleep(std::move(sleepHook))
    {
    }

    void sleep(int ms) override;
    void processEvents() override;
    std::int64_t nowMs() const override;

private:
    std::function<void()> m_processEvents;
    std::function<void(int ms)> m_sleep;
};

} // namespace kavro
