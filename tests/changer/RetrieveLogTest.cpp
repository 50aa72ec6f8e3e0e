#include "changer/RetrieveLog.h"
#include "changer/ChangerTime.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kavro::test {
namespace {

RetrieveRecord record(std::string title)
{
    return {std::move(title), "Shelf A", 42, "取出", "Lent to Ann", "2024-12-31 23:5"};
}

TEST(RetrieveLogTest, RecordBytes)
{
    EXPECT_EQ(FormatRetrieveRecord(record("Concert")),
              "\r\nTitle : Concert\r\nLibrary Name : Shelf A\r\nLibrary Location : 42\r\nAccess : 取出\r\n"
              "Lent to Ann\r\n2024-12-31 23:5\r\n\r\n");
    // A line break in a field would start a false line.
    RetrieveRecord broken = record("Two\r\nlines");
    broken.reason = "a\nb";
    const std::string bytes = FormatRetrieveRecord(broken);
    EXPECT_NE(bytes.find("Title : Two  lines\r\n"), std::string::npos);
    EXPECT_NE(bytes.find("\r\na b\r\n"), std::string::npos);
}

TEST(RetrieveLogTest, DateFormats)
{
    EXPECT_EQ(FormatLogDateTime({2024, 3, 5, 9, 7, 30}), "2024-3-5 9:7");
    EXPECT_EQ(FormatLogDateTime({2024, 11, 25, 13, 45, 0}), "2024-11-25 13:45");
    EXPECT_EQ(FormatClockTime({2024, 3, 5, 9, 7, 3}), "09:07:03");
}

TEST(RetrieveLogTest, AppendedRecordsReadBack)
{
    TempDir dir;
    const auto file = dir / "Retrieve.log";
    for (const char* title : {"One", "Two"}) {
        RetrieveLogFile log(file);
        ASSERT_TRUE(log.isOpen());
        ASSERT_TRUE(log.append(record(title)));
    }
    const auto rows = ReadRetrieveLog(file);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].title, "One");
    EXPECT_EQ(rows[1].title, "Two");
    EXPECT_EQ(rows[1].machineName, "Shelf A");
    EXPECT_EQ(rows[1].slot, "42");
    EXPECT_EQ(rows[1].access, "取出");
    EXPECT_EQ(rows[1].reason, "Lent to Ann");
    EXPECT_EQ(rows[1].dateTime, "2024-12-31 23:5");

    EXPECT_TRUE(ReadRetrieveLog(dir / "missing.log").empty());
    RetrieveLogFile folder(dir.path());
    EXPECT_FALSE(folder.isOpen());
    EXPECT_FALSE(folder.append(record("x")));
}

TEST(RetrieveLogTest, CarriageReturnsBeforeEachLineFeedAreAccepted)
{
    std::string bytes = FormatRetrieveRecord(record("Concert"));
    std::string doubled;
    for (char c : bytes) {
        if (c == '\n')
            doubled += '\r';
        doubled += c;
    }
    const auto rows = ParseRetrieveLog(doubled);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, "Concert");
    EXPECT_EQ(rows[0].access, "取出");
    EXPECT_EQ(rows[0].dateTime, "2024-12-31 23:5");
}

TEST(RetrieveLogTest, DamagedAndTruncatedRecordsEndEarly)
{
    const std::string good = FormatRetrieveRecord(record("Good"));
    const std::string bytes = "junk line\r\n" + good +
                              // the location line is missing: the record ends after the name
                              "\r\nTitle : Broken\r\nLibrary Name : Shelf B\r\nAccess : 置放\r\nwhy\r\n" +
                              // the reason and date lines are lost before the next title
                              "\r\nTitle : Short\r\nLibrary Name : Shelf C\r\nLibrary Location : 3\r\n"
                              "Access : 置放\r\nTitle : Next\r\nLibrary Name : Shelf D\r\n" +
                              // Big5 text from an older installation, cut off in its last line
                              "\r\nTitle : \xA5\xFA\xBA\xD0\r\nLibrary Name : Old\r\nLibrary Loca";
    const auto rows = ParseRetrieveLog(bytes);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].title, "Good");
    EXPECT_EQ(rows[0].dateTime, "2024-12-31 23:5");
    EXPECT_EQ(rows[1].title, "Broken");
    EXPECT_EQ(rows[1].machineName, "Shelf B");
    EXPECT_EQ(rows[1].slot, "");
    EXPECT_EQ(rows[1].access, "");
    EXPECT_EQ(rows[2].title, "Short");
    EXPECT_EQ(rows[2].access, "置放");
    EXPECT_EQ(rows[2].reason, "");
    EXPECT_EQ(rows[3].title, "Next");
    EXPECT_EQ(rows[3].machineName, "Shelf D");
    EXPECT_EQ(rows[4].title, "光碟");
    EXPECT_EQ(rows[4].machineName, "Old");
    EXPECT_EQ(rows[4].slot, "");
    EXPECT_TRUE(ParseRetrieveLog("").empty());
}

} // namespace
} // namespace kavro::test
