#include "content/EntryTimes.h"

#include <cstdio>

namespace kavro::entrytime {

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr std::int64_t EpochDifference = 11644473600LL;
constexpr std::int64_t TicksPerSecond = 10000000LL;

} // namespace

std::uint32_t packDosDateTime(int year, int month, int day, int hour, int minute, int second)
{
    if (year < 1980 || year > 2107 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 61)
        return 0;
    // A leap second still fits the two-second field.
    if (second > 59)
        second = 59;
    const auto date = static_cast<std::uint32_t>(((year - 1980) << 9) | (month << 5) | day);
    const auto time = static_cast<std::uint32_t>((hour << 11) | (minute << 5) | (second / 2));
    return (date << 16) | time;
}

std::uint32_t dosDateTimeFromUnix(std::time_t t)
{
    std::tm local{};
    if (localtime_r(&t, &local) == nullptr)
        return 0;
    return packDosDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                           local.tm_sec);
}

std::uint64_t fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds)
{
    // Beyond the year 30828 the count no longer fits; such times are not real file times.
    constexpr std::int64_t MaxSeconds =
        static_cast<std::int64_t>(UINT64_MAX / TicksPerSecond) - 1 - EpochDifference;
    constexpr std::int64_t NanosPerSecond = 1000000000LL;
    // Bound the seconds first so that adding the carried nanoseconds cannot overflow.
    if (seconds > MaxSeconds + 1)
        return UINT64_MAX;
    if (seconds < -EpochDifference - 1)
        return 0;
    seconds += nanoseconds / NanosPerSecond;
    nanoseconds %= NanosPerSecond;
    if (nanoseconds < 0) {
        nanoseconds += NanosPerSecond;
        --seconds;
    }
    if (seconds > MaxSeconds)
        return UINT64_MAX;
    if (seconds < -EpochDifference)
        return 0;
    const auto sinceEpoch = static_cast<std::uint64_t>(seconds + EpochDifference);
    return sinceEpoch * TicksPerSecond + static_cast<std::uint64_t>(nanoseconds / 100);
}

std::string formatDosDateTime(std::uint32_t dosDateTime)
{
    if (dosDateTime == 0)
        return "1900-01-01 00:00";
    const unsigned date = dosDateTime >> 16;
    const unsigned time = dosDateTime & 0xFFFFu;
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", (date >> 9) + 1980, (date >> 5) & 15u,
                  date & 31u, time >> 11, (time >> 5) & 63u);
    return text;
}

} // namespace kavro::entrytime
