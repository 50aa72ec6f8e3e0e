#include "platform/Text.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

using namespace kavro::text;

TEST(Text, Utf8ValidityRejectsOverlongsSurrogatesAndCutSequences)
{
    EXPECT_TRUE(isValidUtf8("plain"));
    EXPECT_TRUE(isValidUtf8("\xE8\xB3\x87\xE6\x96\x99")); // 資料
    EXPECT_FALSE(isValidUtf8("\xC0\xAF"));                 // overlong "/"
    EXPECT_FALSE(isValidUtf8("\xED\xA0\x80"));             // surrogate
    EXPECT_FALSE(isValidUtf8("\xE8\xB3"));                 // cut short
    EXPECT_FALSE(isValidUtf8("\xB8\xEA\xAE\xC6"));         // 資料 in Big5
}

TEST(Text, CutNeverSplitsACharacter)
{
    const std::string title = "ab\xE8\xB3\x87\xE6\x96\x99"; // ab資料: 2 + 3 + 3 bytes
    EXPECT_EQ(cutUtf8(title, 8), title);
    EXPECT_EQ(cutUtf8(title, 7), "ab\xE8\xB3\x87");
    EXPECT_EQ(cutUtf8(title, 4), "ab");
    EXPECT_EQ(cutUtf8(title, 0), "");
    // Stray bytes count as one-byte characters, so a cut still makes progress.
    EXPECT_EQ(cutUtf8("a\xFF\xFF" "b", 3), "a\xFF\xFF");
}

TEST(Text, LegacyTextFallsBackToBig5)
{
    EXPECT_EQ(decodeLegacy("\xB8\xEA\xAE\xC6"), "\xE8\xB3\x87\xE6\x96\x99");
    EXPECT_EQ(decodeLegacy("\xE8\xB3\x87"), "\xE8\xB3\x87");
    // A lone lead byte at the end is replaced, not dropped silently with what follows.
    const std::string broken = big5ToUtf8("A\xB8");
    EXPECT_EQ(broken, "A\xEF\xBF\xBD");
}

TEST(Text, TrimmingAndFolding)
{
    EXPECT_EQ(trimSpaces("  a b  "), "a b");
    EXPECT_EQ(trimSpaces("\ta\t"), "\ta\t"); // only the space character counts
    EXPECT_EQ(trimBlanks("\r\n a\r\n"), "a");
    EXPECT_EQ(trimSpaces("    "), "");
    EXPECT_EQ(upperAscii("abc\xC3\xA4z"), "ABC\xC3\xA4Z");
    EXPECT_TRUE(startsWithIgnoreAsciiCase("FILESYSTEM=CDFS", "FileSystem="));
    EXPECT_FALSE(startsWithIgnoreAsciiCase("File", "FileSystem="));
}

TEST(Text, FillInPutsEachValueInItsPlaceOnce)
{
    const struct {
        const char* pattern;
        std::vector<std::string_view> values;
        const char* filled;
    } cases[] = {
        {"Slot %1 of %2", {"4", "Archive"}, "Slot 4 of Archive"},
        {"%2 before %1", {"a", "b"}, "b before a"},
        {"%1 holds %2", {"50%2", "x"}, "50%2 holds x"}, // a value is not filled in again
        {"%1 and %3", {"a"}, "a and %3"},               // a place without a value stays
        {"100% sure, 5%", {"a"}, "100% sure, 5%"},
    };
    for (const auto& c : cases) {
        std::string filled;
        if (c.values.size() == 1)
            filled = fillIn(c.pattern, {c.values[0]});
        else
            filled = fillIn(c.pattern, {c.values[0], c.values[1]});
        EXPECT_EQ(filled, c.filled) << c.pattern;
    }
}
