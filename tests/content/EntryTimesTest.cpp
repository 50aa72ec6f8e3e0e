#include "content/EntryTimes.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

using namespace kavro::entrytime;

namespace {

// Runs a test body in a fixed time zone and puts the previous one back.
class ZoneGuard {
public:
    explicit ZoneGuard(const char* zone)
    {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneGuard()
    {
        if (m_old)
            setenv("TZ", m_old->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> m_old;
};

} // namespace

TEST(EntryTimes, DosDateTimePacksTheBitFields)
{
    // 2003-05-17 14:35:20: date (23 << 9 | 5 << 5 | 17), time (14 << 11 | 35 << 5 | 10).
    EXPECT_EQ(packDosDateTime(2003, 5, 17, 14, 35, 20), 0x2EB1746Au);
    EXPECT_EQ(packDosDateTime(1980, 1, 1, 0, 0, 0), 0x00210000u);
    EXPECT_EQ(formatDosDateTime(0x2EB1746Au), "2003-05-17 14:35");
    EXPECT_EQ(formatDosDateTime(packDosDateTime(2107, 12, 31, 23, 59, 59)), "2107-12-31 23:59");
    // Odd seconds round down to the two-second field.
    EXPECT_EQ(packDosDateTime(2003, 5, 17, 14, 35, 21), 0x2EB1746Au);
}

TEST(EntryTimes, TimesOutsideTheDosRangeAreUnknown)
{
    EXPECT_EQ(packDosDateTime(1979, 12, 31, 23, 59, 59), 0u);
    EXPECT_EQ(packDosDateTime(2108, 1, 1, 0, 0, 0), 0u);
    EXPECT_EQ(packDosDateTime(2003, 13, 1, 0, 0, 0), 0u);
    EXPECT_EQ(packDosDateTime(2003, 1, 0, 0, 0, 0), 0u);
    EXPECT_EQ(packDosDateTime(2003, 1, 1, 24, 0, 0), 0u);
    EXPECT_EQ(formatDosDateTime(0), "1900-01-01 00:00");
    // A damaged value still formats within its width.
    EXPECT_EQ(formatDosDateTime(0xFFFFFFFFu), "2107-15-31 31:63");
}

TEST(EntryTimes, UnixTimeToLocalDosDateTime)
{
    {
        ZoneGuard utc("UTC0");
        EXPECT_EQ(dosDateTimeFromUnix(1053182120), 0x2EB1746Au); // 2003-05-17 14:35:20 UTC
        EXPECT_EQ(dosDateTimeFromUnix(0), 0u);                   // 1970 is before DOS dates
    }
    {
        ZoneGuard east("XST-8"); // eight hours east of UTC
        EXPECT_EQ(formatDosDateTime(dosDateTimeFromUnix(1053182120)), "2003-05-17 22:35");
    }
}

TEST(EntryTimes, FileTimeCountsFrom1601)
{
    EXPECT_EQ(fileTimeFromUnix(0), 116444736000000000ull);
    EXPECT_EQ(fileTimeFromUnix(1, 500), 116444736000000000ull + 10000000ull + 5ull);
    EXPECT_EQ(fileTimeFromUnix(-1), 116444736000000000ull - 10000000ull);
    EXPECT_EQ(fileTimeFromUnix(0, -100), 116444736000000000ull - 1ull);
    EXPECT_EQ(fileTimeFromUnix(-11644473600LL), 0ull);
    EXPECT_EQ(fileTimeFromUnix(-11644473601LL), 0ull);
    EXPECT_EQ(fileTimeFromUnix(INT64_MAX / 2), UINT64_MAX);
    EXPECT_EQ(fileTimeFromUnix(INT64_MAX, INT64_MAX), UINT64_MAX);
    EXPECT_EQ(fileTimeFromUnix(INT64_MIN, INT64_MIN), 0ull);
}
