#include "output/CsvExport.h"
#include "output/ListCopy.h"
#include "platform/Texts.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

namespace kavro::test {
namespace {

ListCopy discList()
{
    ListCopy copy;
    copy.captions = {"片名", "機名", "槽位", "分類"};
    copy.widths = {100, 100, 60, 100};
    copy.rows = {{"Alpha", "Cabinet 1", "1", "Rock"},
                 {"Beta", "Cabinet 1", "2", "Jazz"},
                 {"Gamma", "Cabinet 2", "15", ""}};
    return copy;
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        EXPECT_NE(end, std::string::npos) << "a line without CR LF";
        if (end == std::string::npos)
            break;
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

class CsvExport : public ::testing::Test {
protected:
    CsvExportResult exportTo(const ListCopy& copy, const std::filesystem::path& file)
    {
        return ExportCsv(copy, file, person, texts, clock);
    }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
};

TEST_F(CsvExport, ThreeRowsGiveFourLinesEachEndingInAComma)
{
    const auto file = dir / "EXCEL.Csv";
    EXPECT_EQ(exportTo(discList(), file), CsvExportResult::Written);
    const std::string text = TempDir::read(file);
    EXPECT_EQ(text, "片名,機名,槽位,分類,\r\n"
                    "Alpha,Cabinet 1,1,Rock,\r\n"
                    "Beta,Cabinet 1,2,Jazz,\r\n"
                    "Gamma,Cabinet 2,15,,\r\n");
    EXPECT_EQ(lines(text).size(), 4u);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "OK");
    EXPECT_EQ(person.boxes[0].caption, "System Message");
    EXPECT_EQ(clock.eventRuns, 3); // events run after each row
    EXPECT_EQ(person.busyDepth, 0);
    EXPECT_EQ(person.busyBegins, 1);
}

TEST_F(CsvExport, ACommaInATitleIsQuotedSoTheRowKeepsItsFields)
{
    ListCopy copy = discList();
    copy.rows[1][0] = "Beta, the \"best\"";
    const auto file = dir / "out.csv";
    ASSERT_EQ(exportTo(copy, file), CsvExportResult::Written);
    const auto l = lines(TempDir::read(file));
    ASSERT_EQ(l.size(), 4u);
    EXPECT_EQ(l[2], "\"Beta, the \"\"best\"\"\",Cabinet 1,2,Jazz,");
    EXPECT_EQ(person.boxes.back().text, "OK");
}

TEST(CsvFieldTest, QuotesOnlyFieldsThatNeedIt)
{
    const struct {
        std::string in, out;
    } cases[] = {
        {"Plain title", "Plain title"},
        {"", ""},
        {" spaced ", " spaced "},
        {"光碟, 第二", "\"光碟, 第二\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"two\r\nlines", "\"two\r\nlines\""},
        {"lf\nonly", "\"lf\nonly\""},
        {"semi;colon 'quote'", "semi;colon 'quote'"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CsvField(c.in), c.out) << c.in;
}

TEST_F(CsvExport, SixColumnsAreCopiedWhole)
{
    ListCopy log;
    log.captions = {"片名", "機名", "槽位", "置取", "使用者", "取片時間"};
    log.rows = {{"Disc", "M1", "4", "Take", "amy", "2024-01-02 10:00"}, {"Short row"}};
    EXPECT_EQ(CsvText(log), "片名,機名,槽位,置取,使用者,取片時間,\r\n"
                            "Disc,M1,4,Take,amy,2024-01-02 10:00,\r\n"
                            "Short row,\r\n");
    EXPECT_EQ(CsvLine({}), ",\r\n");
}

TEST_F(CsvExport, UnwritableTargetReportsTheErrorAndNoSuccess)
{
    for (const auto& target : {dir / "missing/folder/out.csv", dir.path()}) {
        person.boxes.clear();
        EXPECT_EQ(exportTo(discList(), target), CsvExportResult::Failed) << target;
        ASSERT_FALSE(person.boxes.empty());
        const auto& last = person.boxes.back();
        EXPECT_EQ(last.text, "檔案輸出錯誤");
        EXPECT_EQ(last.caption, "System Message");
        EXPECT_EQ(last.icon, BoxIcon::Warning);
        for (const auto& box : person.boxes)
            EXPECT_NE(box.text, "OK");
        EXPECT_EQ(person.busyDepth, 0);
    }
    // The folder was the target of the second try: nothing of the attempt stays in it.
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(CsvExport, DeclinedOverwriteWritesNothingAndSaysNothingMore)
{
    const auto file = dir.write("EXCEL.Csv", "old data");
    person.boxAnswers = {BoxAnswer::Cancel};
    EXPECT_EQ(exportTo(discList(), file), CsvExportResult::Declined);
    EXPECT_EQ(TempDir::read(file), "old data");
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("蓋過舊資料嗎?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::OkCancel);

    person.boxes.clear();
    person.boxAnswers = {BoxAnswer::Ok};
    EXPECT_EQ(exportTo(discList(), file), CsvExportResult::Written);
    EXPECT_EQ(lines(TempDir::read(file)).size(), 4u);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].text, "OK");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(CsvExportFileName, EmptySettingMeansExcelCsvInTheDataFolder)
{
    EXPECT_EQ(ExportFileName("", "/opt/kavro/Data"), "/opt/kavro/Data/EXCEL.Csv");
    EXPECT_EQ(ExportFileName("/home/amy/list.csv", "/opt/kavro/Data"), "/home/amy/list.csv");
}

} // namespace
} // namespace kavro::test
