#pragma once

#include "platform/Clock.h"

#include <functional>
#include <utility>

namespace kavro {

// The real clock. The widget program passes a hook that runs pending Qt events; code without
// an event loop leaves it empty.
class SystemClock final : public Clock {
public:
    explicit SystemClock(std::function<void()> processEventsHook = {})
        : m_processEvents(std::move(processEventsHook))
    {
    }

    void sleep(int ms) override;
    void processEvents() override;
    std::int64_t nowMs() const override;

private:
    std::function<void()> m_processEvents;
};

} // namespace kavro
