#include "output/ReportPrinter.h"
#include "output/ListCopy.h"
#include "output/ReportLayout.h"
#include "support/TempDir.h"

#include <QGuiApplication>
#include <QPdfWriter>

#include <gtest/gtest.h>

#include <cstdlib>

namespace kavro::test {
namespace {

// Painting text needs a GUI application; this one runs without a display.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "output_tests";
        static char* argv[] = {name, nullptr};
        m_app = new QGuiApplication(argc, argv);
    }
    void TearDown() override { delete m_app; }

private:
    QGuiApplication* m_app = nullptr;
};

[[maybe_unused]] const auto* const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

class Report : public ::testing::Test {
protected:
    // Prints copy to a PDF file and reads its text back, pages separated by form feeds.
    std::string printed(const ListCopy& copy)
    {
        const auto pdf = dir / "report.pdf";
        const auto txt = dir / "report.txt";
        {
            QPdfWriter writer(QString::fromStdString(pdf.string()));
            EXPECT_TRUE(PrintReport(writer, copy, QDate(2024, 3, 9)));
        }
        const std::string command = "pdftotext -layout '" + pdf.string() + "' '" + txt.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return TempDir::read(txt);
    }

    static std::size_t count(const std::string& text, const std::string& what)
    {
        std::size_t n = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }

    // Whether the texts appear in this order.
    static bool inOrder(const std::string& text, const std::vector<std::string>& texts)
    {
        std::size_t at = 0;
        for (const auto& t : texts) {
            at = text.find(t, at);
            if (at == std::string::npos)
                return false;
            at += t.size();
        }
        return true;
    }

    TempDir dir;
};

TEST(ReportLayoutPages, TitleOnTheFirstPageAndRowsUntilEachPageIsFull)
{
    const auto empty = ReportLayout::paginate(0);
    ASSERT_EQ(empty.size(), 1u);
    EXPECT_TRUE(empty[0].title);
    EXPECT_EQ(empty[0].rowCount, 0);

    // 277 mm of printable height: 16 title + 7 header + 42 rows of 6 on the first page; 7 + 45
    // rows on the others.
    const auto pages = ReportLayout::paginate(100);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0].rowCount, 42);
    EXPECT_EQ(pages[0].headerTop, ReportLayout::kTitleBand);
    EXPECT_FALSE(pages[1].title);
    EXPECT_EQ(pages[1].firstRow, 42);
    EXPECT_EQ(pages[1].rowCount, 45);
    EXPECT_EQ(pages[1].headerTop, 0.0);
    EXPECT_EQ(pages[2].firstRow, 87);
    EXPECT_EQ(pages[2].rowCount, 13);
    EXPECT_EQ(ReportLayout::paginate(42).size(), 1u);
    EXPECT_EQ(ReportLayout::paginate(43).size(), 2u);

    EXPECT_EQ(ReportLayout::cellLeft(3), 148.0);
    EXPECT_LE(ReportLayout::tableWidth(), ReportLayout::kPrintableWidth);
}

TEST_F(Report, HoldsTheTitleTheDateTheCaptionsAndTheRowsInOrder)
{
    ListCopy copy;
    copy.captions = {"Title", "Machine", "Slot", "Category", "Taken", "When"};
    copy.rows = {{"Alpha", "Cabinet1", "1", "Rock", "TAKEN5", "WHEN6"},
                 {"Beta", "Cabinet1", "2", "Jazz"},
                 {"Gamma", "Cabinet2", "15", "Pop"}};
    const std::string text = printed(copy);
    EXPECT_EQ(count(text, "KAVRO"), 1u) << text;
    EXPECT_NE(text.find("2024-03-09"), std::string::npos) << text;
    EXPECT_TRUE(inOrder(text, {"KAVRO", "Title", "Machine", "Slot", "Category", "Alpha", "Cabinet1", "Rock",
                               "Beta", "Jazz", "Gamma", "Cabinet2", "15", "Pop"}))
        << text;
    // Columns after the fourth are in the copy but not on paper.
    EXPECT_EQ(text.find("Taken"), std::string::npos);
    EXPECT_EQ(text.find("TAKEN5"), std::string::npos);
    EXPECT_EQ(text.find("WHEN6"), std::string::npos);
}

TEST_F(Report, TwoColumnsLeaveTheOtherCellsBlank)
{
    ListCopy copy;
    copy.captions = {"Title", "Machine"};
    // A row holding more texts than the copy has columns prints only the copy's columns.
    copy.rows = {{"Alpha", "Cabinet1", "EXTRA3", "EXTRA4"}};
    const std::string text = printed(copy);
    EXPECT_TRUE(inOrder(text, {"Title", "Machine", "Alpha", "Cabinet1"})) << text;
    EXPECT_EQ(text.find("EXTRA"), std::string::npos) << text;
}

TEST_F(Report, ManyRowsSpanPagesWithTheHeaderOnEach)
{
    ListCopy copy;
    copy.captions = {"Title", "Machine", "Slot", "Category"};
    std::vector<std::string> order;
    for (int i = 0; i < 100; ++i) {
        char title[16];
        std::snprintf(title, sizeof title, "Row%03d", i);
        copy.rows.push_back({title, "M", std::to_string(i + 1), "Cat"});
        order.push_back(title);
    }
    const std::string text = printed(copy);
    EXPECT_EQ(count(text, "\f"), 3u) << "three pages";
    EXPECT_EQ(count(text, "Category"), 3u);
    EXPECT_EQ(count(text, "KAVRO"), 1u);
    EXPECT_TRUE(inOrder(text, order));
    // Row 42 is the first of the second page.
    const std::size_t secondPage = text.find('\f');
    EXPECT_LT(text.find("Row041"), secondPage);
    EXPECT_GT(text.find("Row042"), secondPage);
}

TEST_F(Report, AnEmptyCopyPrintsTheTitleAndTheHeaderOnly)
{
    ListCopy copy;
    copy.captions = {"Title", "Machine", "Slot", "Category"};
    const std::string text = printed(copy);
    EXPECT_TRUE(inOrder(text, {"KAVRO", "Title", "Machine", "Slot", "Category"})) << text;
    EXPECT_EQ(count(text, "\f"), 1u);
}

} // namespace
} // namespace kavro::test
