#include "changer/ChangerTime.h"

#include <cstdio>
#include <ctime>

namespace kavro {

LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point when)
{
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

std::string FormatClockTime(const LocalDateTime& t)
{
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return buffer;
}

std::string FormatLogDateTime(const LocalDateTime& t)
{
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, "%d-%d-%d %d:%d", t.year, t.month, t.day, t.hour, t.minute);
    return buffer;
}

} // namespace kavro
