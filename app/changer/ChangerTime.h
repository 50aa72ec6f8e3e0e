#pragma once

#include <chrono>
#include <string>

namespace kavro {

// A local date and time as the person sees it (the take-out dialog's date field).
struct LocalDateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local date and time of a moment.
LocalDateTime ToLocalDateTime(std::chrono::system_clock::time_point when);

// "HH:NN:SS": hours, minutes and seconds with two digits each.
std::string FormatClockTime(const LocalDateTime& t);

// "yyyy-m-d h:m": no leading zeros.
std::string FormatLogDateTime(const LocalDateTime& t);

} // namespace kavro
