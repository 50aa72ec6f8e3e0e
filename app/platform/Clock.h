#pragma once

#include <cstdint>

namespace kavro {

// How the flows wait. Everything runs on the user-interface thread, which sleeps through the
// waits of the changer and lets pending window events run at chosen points. The Qt program
// sleeps for real; tests use a virtual clock that advances at once and records each wait.
class Clock {
public:
    virtual ~Clock() = default;

    // Sleeps the calling thread for ms milliseconds (pending events do not run).
    virtual void sleep(int ms) = 0;

    // Lets pending window events run once.
    virtual void processEvents() = 0;

    // Milliseconds on a monotonic scale; only differences mean something.
    virtual std::int64_t nowMs() const = 0;
};

} // namespace kavro
