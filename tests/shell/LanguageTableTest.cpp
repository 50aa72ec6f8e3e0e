#include "shell/LanguageTable.h"
#include "shell/LanguageList.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace kavro {
namespace {

using test::TempDir;

LanguageTable tableOf(std::string_view text)
{
    LanguageTable table;
    table.loadText(text);
    return table;
}

TEST(LanguageTableTest, EntriesRunFromKeyToFirstEqualsAndTextToLineEnd)
{
    const auto t = tableOf("English\r\n2000=Kavro 5.1 V1.023\r\n   0000=KAVRO 5.1\n1057=a=b\r5011=Checking");
    EXPECT_EQ(t.size(), 4u); // the name line has no "=" and yields nothing
    EXPECT_EQ(t.find("2000"), "Kavro 5.1 V1.023");
    EXPECT_EQ(t.find("0000"), "KAVRO 5.1");
    EXPECT_EQ(t.find("1057"), "a=b");
    EXPECT_EQ(t.find("5011"), "Checking");
}

TEST(LanguageTableTest, FirstOfTwoEqualKeysWins)
{
    const auto t = tableOf("2000=first\n2000=second\n");
    EXPECT_EQ(t.text("2000", "def"), "first");
}

TEST(LanguageTableTest, SpacesBeforeEqualsBelongToTheKeyAndTextKeepsItsSpaces)
{
    const auto t = tableOf(" 2000 =spaced key\n2001= x \n");
    EXPECT_EQ(t.find("2000"), std::nullopt);
    EXPECT_EQ(t.find("2000 "), "spaced key");
    EXPECT_EQ(t.find("2001"), " x ");
}

TEST(LanguageTableTest, CommentLinesAreIgnoredEvenWithEquals)
{
    const auto t = tableOf(";1001=a\n  #1002=b\n[1003=c]\n//1004=d\n/*1005=e\n /1006=f\n");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t.find("/1006"), "f"); // a single slash starts no comment
}

TEST(LanguageTableTest, LineMustHaveANonSpaceAfterItsFirstEquals)
{
    const auto t = tableOf("1001=\n1002=   \n1003==\n1004\n=lonely\n");
    EXPECT_EQ(t.find("1001"), std::nullopt);
    EXPECT_EQ(t.find("1002"), std::nullopt);
    EXPECT_EQ(t.find("1003"), "=");
    EXPECT_EQ(t.find("1004"), std::nullopt);
    EXPECT_EQ(t.size(), 2u);
}

TEST(LanguageTableTest, OnlyTheSpaceCharacterCountsAsSpace)
{
    const auto t = tableOf("\t1001=a\n1002\t=b\n1003=\t\n");
    EXPECT_EQ(t.find("\t1001"), "a");
    EXPECT_EQ(t.find("1002\t"), "b");
    EXPECT_EQ(t.find("1003"), "\t");
}

TEST(LanguageTableTest, LookupIsExactAndFallsBackToTheDefault)
{
    const auto t = tableOf("abcd=x\n");
    EXPECT_EQ(t.text("ABCD", "default"), "default");
    EXPECT_EQ(t.text(" abcd", "default"), "default");
    EXPECT_EQ(t.text("abcd", "default"), "x");
}

TEST(LanguageTableTest, KeepsAtMostSixHundredEntries)
{
    std::string text = "Test\n";
    for (int i = 1; i <= 601; ++i)
        text += std::to_string(i) + "=t" + std::to_string(i) + "\n";
    const auto t = tableOf(text);
    EXPECT_EQ(t.size(), LanguageTable::maxEntries);
    EXPECT_EQ(t.find("600"), "t600");
    EXPECT_EQ(t.find("601"), std::nullopt);
}

TEST(LanguageTableTest, FailedOrEmptyLoadKeepsThePreviousEntries)
{
    TempDir dir;
    LanguageTable t;
    ASSERT_TRUE(t.load(dir.write("language.eng", "English\n2000=Old\n")));
    EXPECT_FALSE(t.load(dir / "language.none"));
    EXPECT_FALSE(t.load(dir.write("language.empty", "")));
    EXPECT_FALSE(t.load(dir.path())); // a folder, as an empty LanguageName makes
    EXPECT_EQ(t.text("2000", "x"), "Old");

    // A file of comments replaces the entries with none, which start-up treats as fatal.
    EXPECT_TRUE(t.load(dir.write("language.cmt", "English\n; only\n")));
    EXPECT_TRUE(t.empty());
}

TEST(LanguageTableTest, Big5FileIsDecodedWhole)
{
    TempDir dir;
    LanguageTable t;
    // "中文" in Big5.
    ASSERT_TRUE(t.load(dir.write("language.cht", "\xA4\xA4\xA4\xE5\r\n2000=\xA4\xA4\xA4\xE5 5.1\r\n")));
    EXPECT_EQ(t.find("2000"), "中文 5.1");
    EXPECT_EQ(LanguageTable::displayName(dir / "language.cht"), "中文");
}

TEST(LanguageTableTest, OneStrayByteGarblesOnlyItsOwnLine)
{
    TempDir dir;
    LanguageTable t;
    ASSERT_TRUE(t.load(dir.write("language.deu", "Deutsch\n2000=Schlie\xC3\x9F""en\n2001=bad \xFF\n"
                                                 "2002=\xA4\xA4\xA4\xE5\n")));
    EXPECT_EQ(t.find("2000"), "Schließen");
    EXPECT_EQ(t.find("2002"), "中文");
}

TEST(LanguageTableTest, ByteOrderMarkIsNotPartOfTheFirstLine)
{
    TempDir dir;
    LanguageTable t;
    ASSERT_TRUE(t.load(dir.write("language.x", "\xEF\xBB\xBF"
                                               "0000=KAVRO\n")));
    EXPECT_EQ(t.find("0000"), "KAVRO");
    EXPECT_EQ(LanguageTable::displayName(dir.write("language.y", "\xEF\xBB\xBF  English  \r\n0000=x")),
              "English");
}

TEST(LanguageListTest, ListsReadableLanguageFilesByNameWithTheirFirstLines)
{
    TempDir dir;
    dir.write("language.eng", "English\r\n2000=x\r\n");
    dir.write("language.cht", "繁體中文\n");
    dir.write("LANGUAGE.DEU", "Deutsch");
    dir.write("language.nameless", "\r\n2000=x\r\n");
    dir.write("notes.txt", "Notes\n");
    dir.write("language.averyveryveryveryverylongfilename", "Long\n");
    std::filesystem::create_directory(dir / "language.folder");

    const auto choices = listLanguages(dir.path());
    ASSERT_EQ(choices.size(), 3u);
    EXPECT_EQ(choices[0].fileName, "LANGUAGE.DEU");
    EXPECT_EQ(choices[0].displayName, "Deutsch");
    EXPECT_EQ(choices[1].fileName, "language.cht");
    EXPECT_EQ(choices[1].displayName, "繁體中文");
    EXPECT_EQ(choices[2].displayName, "English");

    ASSERT_NE(findLanguage(choices, "English"), nullptr);
    EXPECT_EQ(findLanguage(choices, "English")->fileName, "language.eng");
    EXPECT_EQ(findLanguage(choices, "english"), nullptr);
    EXPECT_TRUE(listLanguages(dir / "missing").empty());
}

} // namespace
} // namespace kavro
