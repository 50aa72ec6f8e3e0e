#include "shell/Settings.h"
#include "shell/SettingsKeys.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

using test::TempDir;

class SettingsTest : public ::testing::Test {
protected:
    Settings withFile(std::string_view bytes) { return Settings(dir.write("Data/Kavro.ini", bytes)); }

    TempDir dir;
};

TEST_F(SettingsTest, SectionsAndKeysMatchWithoutRegardToCase)
{
    const Settings s = withFile("[system]\r\nWINDOWSTATE=0\r\n[Explorer]\r\nwidth11=77\r\n");
    EXPECT_EQ(s.readInt("System", "WindowState", 2), 0);
    EXPECT_EQ(s.readInt("EXPLORER", "Width11", 100), 77);
}

TEST_F(SettingsTest, MissingKeyGivesDefaultButEmptyValueGivesEmptyText)
{
    const Settings s = withFile("[System]\nLanguageName=\nFontName = \n");
    EXPECT_EQ(s.readString("System", "LanguageName", "language.eng", 39), "");
    EXPECT_EQ(s.readString("System", "FontName", "System", 19), "");
    EXPECT_EQ(s.readString("System", "FontStyle", "fsBold", 19), "fsBold");
    EXPECT_EQ(s.readString("Other", "LanguageName", "x", 39), "x");
    // An integer read of an empty value falls back to the default, as the platform's does.
    EXPECT_EQ(s.readInt("System", "FontName", 12), 12);
}

TEST_F(SettingsTest, MissingFileGivesEveryReaderItsDefault)
{
    const Settings s(dir / "Data/none.ini");
    EXPECT_EQ(s.readString("System", "Cdrom", "E:", 4), "E:");
    EXPECT_EQ(s.readInt("System", "FormWidth", 1028), 1028);
}

TEST_F(SettingsTest, IntegersReadAsThePlatformReadsThem)
{
    const Settings s =
        withFile("[S]\nneg=-12\npos=+7\ntail=12abc\ntext=abc\nblank= 42 \nsign=-\nbig=4294967295\n");
    EXPECT_EQ(s.readInt("S", "neg", 5), -12);
    EXPECT_EQ(s.readInt("S", "pos", 5), 7);
    EXPECT_EQ(s.readInt("S", "tail", 5), 12);
    EXPECT_EQ(s.readInt("S", "text", 5), 0);
    EXPECT_EQ(s.readInt("S", "blank", 5), 42);
    EXPECT_EQ(s.readInt("S", "sign", 5), 0);
    EXPECT_EQ(s.readInt("S", "big", 5), -1); // 32-bit wrap, no crash
}

TEST_F(SettingsTest, ReadsAreCutWithoutSplittingACharacter)
{
    const Settings s = withFile("[S]\nv=ab中文\n");
    EXPECT_EQ(s.readString("S", "v", "", 4), "ab");
    EXPECT_EQ(s.readString("S", "v", "", 5), "ab中");
    EXPECT_EQ(s.readString("S", "v", "", 255), "ab中文");
    EXPECT_EQ(s.readString("S", "missing", "中文", 4), "中");
}

TEST_F(SettingsTest, ValuesThatAreNotUtf8AreReadAsBig5)
{
    const Settings s = withFile("[System]\r\nLanguage=\xA4\xA4\xA4\xE5\r\n");
    EXPECT_EQ(s.readString("System", "Language", "", 99), "中文");
}

TEST_F(SettingsTest, FirstSectionAndFirstKeyOfANameCount)
{
    const Settings s = withFile("[S]\na=1\na=2\n[s]\nb=3\n");
    EXPECT_EQ(s.readInt("S", "a", 0), 1);
    EXPECT_EQ(s.readInt("S", "b", 9), 9);
}

TEST_F(SettingsTest, EnclosingQuotesAndBlanksAreNotPartOfTheValue)
{
    const Settings s = withFile("[S]\n  q = \"two words\" \nhalf=\"open\n");
    EXPECT_EQ(s.readString("S", "q", "", 99), "two words");
    EXPECT_EQ(s.readString("S", "half", "", 99), "\"open");
}

TEST_F(SettingsTest, WriteChangesOnlyItsLineAndKeepsEveryOtherByte)
{
    const std::string before = "; settings\r\n"
                               "[System]\r\n"
                               "WindowState=2\r\n"
                               "  FormWidth = 1028\r\n"
                               "; a=b comment\r\n"
                               "\r\n"
                               "[EXPLORER]\r\n"
                               "Width11=100\r\n";
    Settings s = withFile(before);
    ASSERT_TRUE(s.writeInt("system", "formwidth", 800));
    EXPECT_EQ(TempDir::read(s.file()), "; settings\r\n"
                                       "[System]\r\n"
                                       "WindowState=2\r\n"
                                       "  FormWidth = 800\r\n"
                                       "; a=b comment\r\n"
                                       "\r\n"
                                       "[EXPLORER]\r\n"
                                       "Width11=100\r\n");
}

TEST_F(SettingsTest, NewKeyGoesAtTheEndOfItsSectionInTheFilesLineStyle)
{
    Settings s = withFile("[System]\r\nWindowState=2\r\n\r\n[EXPLORER]\r\nWidth11=100\r\n");
    ASSERT_TRUE(s.writeString("System", "eMail", "me@example.org"));
    EXPECT_EQ(TempDir::read(s.file()),
              "[System]\r\nWindowState=2\r\neMail=me@example.org\r\n\r\n[EXPLORER]\r\nWidth11=100\r\n");
}

TEST_F(SettingsTest, NewSectionIsAppendedAfterALastLineWithoutBreak)
{
    Settings s = withFile("[System]\nWindowState=2");
    ASSERT_TRUE(s.writeInt("EXPLORER", "Width15", -5));
    EXPECT_EQ(TempDir::read(s.file()), "[System]\nWindowState=2\n[EXPLORER]\nWidth15=-5\n");
    EXPECT_EQ(s.readInt("EXPLORER", "Width15", 0), -5);
    EXPECT_EQ(s.readInt("System", "WindowState", 0), 2);
}

TEST_F(SettingsTest, KeyWithoutEqualsSignIsMissingUntilWritten)
{
    Settings s = withFile("[S]\nflag\nother=1\n");
    EXPECT_EQ(s.readString("S", "flag", "def", 9), "def");
    ASSERT_TRUE(s.writeString("S", "flag", "on"));
    EXPECT_EQ(TempDir::read(s.file()), "[S]\nflag=on\nother=1\n");
}

TEST_F(SettingsTest, FirstWriteCreatesTheFileInAnExistingFolder)
{
    std::filesystem::create_directories(dir / "Data");
    Settings s(dir / "Data/Kavro.ini");
    ASSERT_TRUE(s.writeString("System", "LanguageName", "language.cht"));
    EXPECT_EQ(s.readString("System", "LanguageName", "language.eng", 39), "language.cht");

    Settings nowhere(dir / "missing/Kavro.ini");
    EXPECT_FALSE(nowhere.writeString("System", "LanguageName", "x"));
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

TEST_F(SettingsTest, RefusesWhatWouldBreakTheFileAndLeavesItUnchanged)
{
    const std::string before = "[System]\r\nFontName=Sans\r\n";
    Settings s = withFile(before);
    EXPECT_FALSE(s.writeString("System", "FontName", "a\r\n[Evil]\r\nx=1"));
    EXPECT_FALSE(s.writeString("System", "Font=Name", "x"));
    EXPECT_FALSE(s.writeString("Sys]tem", "FontName", "x"));
    EXPECT_FALSE(s.writeString("System", "", "x"));
    EXPECT_EQ(TempDir::read(s.file()), before);
}

// Text as UTF-16 with its byte-order mark, as Windows Notepad saves "Unicode".
std::string utf16(std::u16string_view text, bool bigEndian)
{
    std::string out = bigEndian ? std::string("\xFE\xFF", 2) : std::string("\xFF\xFE", 2);
    for (const char16_t u : text) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        out += bigEndian ? hi : lo;
        out += bigEndian ? lo : hi;
    }
    return out;
}

TEST_F(SettingsTest, Utf16FileIsReadAndWrittenBackInItsOwnForm)
{
    for (const bool bigEndian : {false, true}) {
        Settings s = withFile(utf16(u"[System]\r\nFontName=\u7D30\u660E\u9AD4\r\nFontSize=14\r\n", bigEndian));
        EXPECT_EQ(s.readString("System", "FontName", "System", 99), "細明體") << bigEndian;
        EXPECT_EQ(s.readInt("System", "FontSize", 12), 14);
        ASSERT_TRUE(s.writeString("System", "eMail", "ü@example.org"));
        ASSERT_TRUE(s.writeInt("System", "FontSize", 10));
        EXPECT_EQ(TempDir::read(dir / "Data/Kavro.ini"),
                  utf16(u"[System]\r\nFontName=\u7D30\u660E\u9AD4\r\nFontSize=10\r\neMail=\u00FC@example.org\r\n",
                        bigEndian));
    }
}

TEST_F(SettingsTest, NothingIsCachedBetweenReads)
{
    Settings writer = withFile("[System]\nRetrieveLog=0\n");
    const Settings reader(writer.file());
    EXPECT_EQ(reader.readInt("System", "RetrieveLog", 0), 0);
    ASSERT_TRUE(writer.writeInt("System", "RetrieveLog", 1));
    EXPECT_EQ(reader.readInt("System", "RetrieveLog", 0), 1);
    dir.write("Data/Kavro.ini", "[System]\nRetrieveLog=7\n");
    EXPECT_EQ(reader.readInt("System", "RetrieveLog", 0), 7);
}

TEST_F(SettingsTest, KeyObjectsCarryTheirReadersDefaultsAndLengths)
{
    Settings s = withFile("[System]\nLanguageName=\nFontName=A very long font name here\n");
    EXPECT_EQ(keys::read(s, keys::WindowState), 2);
    EXPECT_EQ(keys::read(s, keys::FormWidth), 1028);
    EXPECT_EQ(keys::read(s, keys::DblClickMain), 1);
    EXPECT_EQ(keys::read(s, keys::DblClickDialog), 0);
    EXPECT_EQ(keys::read(s, keys::LanguageName), "");
    EXPECT_EQ(keys::read(s, keys::FontNameStartup), "A very long font na");
    EXPECT_EQ(keys::read(s, keys::Cdrom), "E:");
    EXPECT_EQ(keys::read(s, keys::ExplorerWidth11.withDefault(40)), 40);
    ASSERT_TRUE(keys::write(s, keys::ExplorerWidth14, 55));
    EXPECT_EQ(s.readInt("EXPLORER", "Width14", 0), 55);
}

} // namespace
} // namespace kavro
