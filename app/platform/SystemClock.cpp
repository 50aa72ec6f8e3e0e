#include "platform/SystemClock.h"

#include <chrono>
#include <thread>

namespace kavro {

void SystemClock::sleep(int ms)
{
    if (ms <= 0)
        return;
    if (m_sleep)
        m_sleep(ms);
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

void SystemClock::processEvents()
{
    if (m_processEvents)
        m_processEvents();
}

std::int64_t SystemClock::nowMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace kavro
