#include "output/ListCopy.h"
#include "shell/AppContext.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"
#include "views/dialogs/TfrmPrint2.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

using kavro::TfrmPrint2;
using kavro::test::TempDir;

namespace {

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

template <class T> T* control(QWidget& dialog, const char* name)
{
    auto* found = dialog.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// Runs act on the modal dialog once it shows; closes it if act left it open.
void whenShown(const std::function<void(QDialog&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

class PrintDialog : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::create_directories(dir / "Data");
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<kavro::Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<kavro::ProgramLog>(dir / "Data/kavro.log");
        context.person = &person;
        context.clock = &clock;
    }

    // A list of the main window: report style, the captions, then rows of texts.
    static void fill(QTreeWidget& list, const QStringList& captions, const std::vector<QStringList>& rows)
    {
        list.setColumnCount(static_cast<int>(captions.size()));
        list.setHeaderLabels(captions);
        for (const QStringList& texts : rows)
            list.addTopLevelItem(new QTreeWidgetItem(texts));
    }

    // Prints through the dialog's print button to a PDF and returns its text.
    std::string printedText(TfrmPrint2& dialog)
    {
        const auto pdf = dir / "report.pdf";
        const auto txt = dir / "report.txt";
        dialog.setPreview([pdf](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(QString::fromStdString(pdf.string()));
            paint(&printer);
        });
        control<QPushButton>(dialog, "BitBtn1")->click();
        const std::string command = "pdftotext -layout '" + pdf.string() + "' '" + txt.string() + "'";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return TempDir::read(txt);
    }

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
    kavro::test::ScriptedPerson person;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;
};

} // namespace

TEST_F(PrintDialog, ReportOnThePrinterHoldsTheTitleTheHeadersAndTheRowsInTheListsOrder)
{
    QTreeWidget source;
    fill(source, {qs("片名"), qs("機名"), qs("槽位"), qs("分類")},
         {{QStringLiteral("Zebra Songs"), QStringLiteral("Archive"), QStringLiteral("12"),
           QStringLiteral("Music")},
          {QStringLiteral("Alpine Maps"), QStringLiteral("Studio"), QStringLiteral("3"),
           QStringLiteral("Atlas")},
          {QStringLiteral("Moon Tapes"), QStringLiteral("Archive"), QStringLiteral("7"),
           QStringLiteral("Music")}});
    TfrmPrint2 dialog(context, source);

    const std::string text = printedText(dialog);
    EXPECT_TRUE(inOrder(text, {"KAVRO", "片名", "機名", "槽位", "分類", "Zebra Songs", "Archive", "12",
                               "Music", "Alpine Maps", "Studio", "3", "Atlas", "Moon Tapes"}))
        << text;
    EXPECT_EQ(clock.sleeps, std::vector<int>({100})) << "a short wait after the copy";
    EXPECT_TRUE(control<QPushButton>(dialog, "BitBtn1")->isEnabled()) << "enabled again after printing";

    // The source changed while the dialog was open: printing copies it again.
    source.addTopLevelItem(new QTreeWidgetItem(QStringList{QStringLiteral("Late Arrival")}));
    EXPECT_NE(printedText(dialog).find("Late Arrival"), std::string::npos);
    EXPECT_EQ(dialog.rowCount(), 4);
}

// The dialog opens as wide as the copied columns, up to the screen; on screen a column is never
// narrower than its texts.
TEST_F(PrintDialog, OpensWideEnoughForTheColumnsTheScreenAllows)
{
    const int screen = QApplication::primaryScreen()->availableGeometry().width();
    // Columns wider than the dialog's first 640 pixels but within the screen, and far wider.
    for (const bool withinScreen : {true, false}) {
        const int wide = withinScreen ? screen * 8 / 10 - 300 : 4 * screen;
        QTreeWidget source;
        fill(source, {qs("片名"), qs("機名"), qs("槽位"), qs("分類")},
             {{QStringLiteral("Zebra Songs"), QStringLiteral("Archive"), QStringLiteral("12"), QStringLiteral("Music")}});
        // The machine column narrower than its caption: on screen it shows it whole.
        const int widths[] = {wide, 10, 40, 120};
        for (int c = 0; c < 4; ++c)
            source.setColumnWidth(c, widths[c]);
        TfrmPrint2 dialog(context, source);
        dialog.show();
        QApplication::processEvents();
        auto* list = control<QTreeWidget>(dialog, "ListView1");
        EXPECT_EQ(list->columnWidth(0), wide);
        EXPECT_GE(list->columnWidth(1), list->header()->sectionSizeHint(1));
        if (withinScreen) {
            EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << "every column in sight";
        } else {
            EXPECT_LE(dialog.frameGeometry().width(), screen);
        }
        EXPECT_GE(dialog.width(), 640) << wide;
    }
}

TEST_F(PrintDialog, SixColumnLogIsCopiedWholeButPrintedWithFour)
{
    QTreeWidget log;
    fill(log, {qs("片名"), qs("機名"), qs("槽位"), qs("置取"), qs("使用者"), qs("取片時間")},
         {{QStringLiteral("Chess"), QStringLiteral("Archive"), QStringLiteral("23"), qs("取出"),
           QStringLiteral("Lent to Ben"), QStringLiteral("2024-3-8 19:42")}});
    TfrmPrint2 dialog(context, log);
    dialog.copySource();

    const kavro::ListCopy& copy = dialog.listCopy();
    ASSERT_EQ(copy.columnCount(), 6);
    EXPECT_EQ(copy.cell(0, 5), "2024-3-8 19:42");
    auto* list = control<QTreeWidget>(dialog, "ListView1");
    EXPECT_EQ(list->columnCount(), 6);
    EXPECT_EQ(list->headerItem()->text(5), qs("取片時間"));
    EXPECT_EQ(list->topLevelItem(0)->text(4), QStringLiteral("Lent to Ben"));

    const std::string text = printedText(dialog);
    EXPECT_TRUE(inOrder(text, {"片名", "機名", "槽位", "置取", "Chess", "Archive", "23", "取出"})) << text;
    EXPECT_EQ(text.find("使用者"), std::string::npos) << text;
    EXPECT_EQ(text.find("Lent to Ben"), std::string::npos) << text;
    EXPECT_EQ(text.find("19:42"), std::string::npos) << text;

    control<QLineEdit>(dialog, "Edit_Print_Filename")
        ->setText(QString::fromStdString((dir / "log.csv").string()));
    control<QPushButton>(dialog, "BitBtn4")->click();
    EXPECT_EQ(TempDir::read(dir / "log.csv"), "片名,機名,槽位,置取,使用者,取片時間,\r\n"
                                              "Chess,Archive,23,取出,Lent to Ben,2024-3-8 19:42,\r\n");
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "OK");
    EXPECT_EQ(person.boxes[0].caption, "System Message");
}

TEST_F(PrintDialog, TwoColumnListPrintsBlankThirdAndFourthCells)
{
    QTreeWidget source;
    fill(source, {QStringLiteral("Name"), QStringLiteral("Size")},
         {{QStringLiteral("alpha.txt"), QStringLiteral("120")},
          {QStringLiteral("beta.txt"), QStringLiteral("8")}});
    TfrmPrint2 dialog(context, source);
    const std::string text = printedText(dialog);
    EXPECT_TRUE(inOrder(text, {"Name", "Size", "alpha.txt", "120", "beta.txt", "8"})) << text;
    // Nothing but the two captions on the header's line.
    const std::size_t header = text.find("Name");
    const std::string headerLine = text.substr(header, text.find('\n', header) - header);
    std::string words;
    for (char c : headerLine) {
        if (c != ' ')
            words += c;
    }
    EXPECT_EQ(words, "NameSize");
}

TEST_F(PrintDialog, EmptyExcelFilenameShowsTheDataFolderAndClosingStoresTheEdit)
{
    QTreeWidget source;
    fill(source, {QStringLiteral("Title")}, {});
    {
        auto dialog = TfrmPrint2::create(context, source, nullptr);
        EXPECT_EQ(dialog->exportFileName().toStdString(), context.programFolder + "Data/EXCEL.Csv");
        whenShown([](QDialog& shown) {
            EXPECT_EQ(control<QTreeWidget>(shown, "ListView1")->columnCount(), 1)
                << "copied when first shown";
            control<QLineEdit>(shown, "Edit_Print_Filename")
                ->setText(QStringLiteral("/srv/exports/discs.csv"));
            control<QPushButton>(shown, "BitBtn3")->click();
        });
        dialog->exec();
    }
    EXPECT_EQ(kavro::keys::read(*context.settings, kavro::keys::ExcelFilename), "/srv/exports/discs.csv");
    TfrmPrint2 again(context, source);
    EXPECT_EQ(again.exportFileName(), QStringLiteral("/srv/exports/discs.csv"));
}

TEST_F(PrintDialog, ExportAsksBeforeOverwritingAndAFolderThatIsNotThereGivesTheErrorMessage)
{
    QTreeWidget source;
    fill(source, {QStringLiteral("Title"), QStringLiteral("Slot")},
         {{QStringLiteral("A, B"), QStringLiteral("4")}});
    const auto file = dir.write("out.csv", "old");
    TfrmPrint2 dialog(context, source);
    dialog.copySource();
    control<QLineEdit>(dialog, "Edit_Print_Filename")->setText(QString::fromStdString(file.string()));

    person.boxAnswers.push_back(kavro::BoxAnswer::Cancel);
    control<QPushButton>(dialog, "BitBtn4")->click();
    EXPECT_EQ(TempDir::read(file), "old");
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].buttons, kavro::BoxButtons::OkCancel);

    control<QPushButton>(dialog, "BitBtn4")->click();
    EXPECT_EQ(TempDir::read(file), "Title,Slot,\r\n\"A, B\",4,\r\n") << "the title with its comma is one field";

    person.boxes.clear();
    control<QLineEdit>(dialog, "Edit_Print_Filename")
        ->setText(QString::fromStdString((dir / "missing/out.csv").string()));
    control<QPushButton>(dialog, "BitBtn4")->click();
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "檔案輸出錯誤");
    EXPECT_EQ(person.boxes[0].icon, kavro::BoxIcon::Warning);
}

TEST_F(PrintDialog, PlacementLabelsTheDialog)
{
    context.language.loadText("English\n3400=Print Manager\n3401=Print Columns\n3408=Print List\n3409=Print\n"
                              "3410=Output\n3411=Export CSV\n3413=Cancel\n");
    QTreeWidget source;
    auto dialog = TfrmPrint2::create(context, source, nullptr);
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Print Manager"));
    EXPECT_EQ(control<QLabel>(*dialog, "Panel1")->text(), QStringLiteral("Print List"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn1")->text(), QStringLiteral("Print"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn4")->text(), QStringLiteral("Export CSV"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn3")->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(TempDir::read(dir / "Data/kavro.log"), "") << "every placed control exists";
}
