#pragma once

#include <cstdint>
#include <ctime>
#include <string>

// Times as a tree entry keeps them: an MS-DOS date-time in local time, and 100-ns intervals since
// 1601-01-01 00:00 UTC in the find record.
namespace kavro::entrytime {

// Packs the fields of a local time; 0 ("unknown") when the year is outside 1980..2107 or a
// field is out of range.
std::uint32_t packDosDateTime(int year, int month, int day, int hour, int minute, int second);

// The local time of a Unix time as an MS-DOS date-time; 0 when it cannot be expressed.
std::uint32_t dosDateTimeFromUnix(std::time_t t);

// 100-ns intervals since 1601-01-01 00:00 UTC; times before 1601 give 0.
std::uint64_t fileTimeFromUnix(std::int64_t seconds, std::int64_t nanoseconds = 0);

// "yyyy-mm-dd hh:mm" of a packed date-time, "1900-01-01 00:00" for 0.
std::string formatDosDateTime(std::uint32_t dosDateTime);

} // namespace kavro::entrytime
