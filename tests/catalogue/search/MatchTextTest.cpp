#include "catalogue/search/MatchText.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

TEST(MatchText, LettersFoldBothWaysAndMatchAnywhere)
{
    EXPECT_TRUE(MatchText("xxABCxx", "abc"));
    EXPECT_TRUE(MatchText("abcd", "abc"));
    EXPECT_TRUE(MatchText("abc", "ABC"));
    EXPECT_TRUE(MatchText("MiXeD", "mIxEd"));
    EXPECT_TRUE(MatchText("end of abc", "ABC")); // at the very end
    EXPECT_FALSE(MatchText("ab", "abc"));
    EXPECT_FALSE(MatchText("a-b-c", "abc"));
    EXPECT_FALSE(MatchText("aabbc", "abc"));
    EXPECT_TRUE(MatchText("aaab", "aab")); // a false start does not hide the match after it
}

TEST(MatchText, OnlyTheLettersAToZFold)
{
    // The bytes 32 apart from each other outside a to z stay different.
    EXPECT_FALSE(MatchText("[", "{"));
    EXPECT_FALSE(MatchText("{", "["));
    EXPECT_FALSE(MatchText("@", "`"));
    EXPECT_FALSE(MatchText("~", "^"));
    // Bytes above 127 are compared as they are: é (C3 A9) and É (C3 89) differ, and so do the
    // bytes E1 and C1.
    EXPECT_FALSE(MatchText("caf\xC3\xA9", "CAF\xC3\x89"));
    EXPECT_TRUE(MatchText("caf\xC3\xA9", "CAF\xC3\xA9"));
    EXPECT_FALSE(MatchText("\xE1", "\xC1"));
    EXPECT_TRUE(MatchText("音樂 Music", "音樂 music"));
}

TEST(MatchText, AMatchMayStartInsideACharacter)
{
    EXPECT_TRUE(MatchText("caf\xC3\xA9", "\xA9"));
}

TEST(MatchText, EmptyTextAndEmptyPattern)
{
    EXPECT_FALSE(MatchText("", "a"));
    EXPECT_FALSE(MatchText("", ""));
    EXPECT_FALSE(MatchText("abc", ""));
}

TEST(MatchText, FoldedBufferScanFindsEachOccurrence)
{
    std::string pool("E:\0Setup.EXE\0readme.txt\0setup.ini\0", 34);
    FoldLettersInPlace(pool.data(), pool.size());
    EXPECT_EQ(pool, std::string("E:\0SETUP.EXE\0README.TXT\0SETUP.INI\0", 34));
    const FoldedPattern p("setup");
    EXPECT_EQ(p.findInFolded(pool), 3u);
    EXPECT_EQ(p.findInFolded(pool, 4), 24u);
    EXPECT_EQ(p.findInFolded(pool, 25), std::string_view::npos);
    EXPECT_EQ(p.findInFolded(pool, 500), std::string_view::npos);
    EXPECT_EQ(FoldedPattern("").findInFolded(pool), std::string_view::npos);
}

} // namespace
} // namespace kavro
