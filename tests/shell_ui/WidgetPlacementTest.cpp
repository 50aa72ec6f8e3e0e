#include "shell/LanguageTable.h"
#include "shell/ProgramLog.h"
#include "shell/ui/Designed.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QWidget>

#include <gtest/gtest.h>

using kavro::designed;
using kavro::test::TempDir;

namespace {

struct PlacementFixture : ::testing::Test {
    TempDir dir;
    kavro::LanguageTable table;
    kavro::ProgramLog log{dir / "kavro.log"};
    kavro::test::VirtualClock clock;

    void loadLanguage(const std::string& text) { ASSERT_TRUE(table.load(dir.write("language.tst", text))); }
    std::string logText() const { return TempDir::read(dir / "kavro.log"); }

    int place(QWidget& window, const QWidget* mainWindow = nullptr)
    {
        kavro::WidgetPlacementTarget target(window, mainWindow);
        return kavro::placeTexts(target, table, log, clock);
    }
};

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

// A settings-like dialog: captions, hints, a browse button, a missing control and a control of
// a class the pass does not handle.
TEST_F(PlacementFixture, DialogControlsTakeTheirTextsAndProblemsAreLoggedOnce)
{
    loadLanguage("Test\n4000=Setup\n4001=Language\n4002=Main font\n4011=By door\n4013=Burner\n"
                 "4014=Setup Font\n4016=Enable\n");
    QWidget window;
    designed(&window, "frmSetup", "TfrmSetup");
    window.setWindowTitle(qs("設定"));
    auto* label1 = designed(new QLabel(qs("語言"), &window), "Label1", "TLabel");
    auto* browse = designed(new QPushButton(qs("..."), &window), "BitBtn1", "TBitBtn");
    auto* font = designed(new QPushButton(qs("字型設定"), &window), "BitBtn2", "TBitBtn");
    auto* edit = designed(new QLineEdit(qs("c:\\burn.exe"), &window), "Edit5", "TEdit");
    auto* check = designed(new QCheckBox(qs("啟動"), &window), "CheckBox_Retrieve_log", "TCheckBox");
    auto* save = designed(new QPushButton(qs("儲存設定"), &window), "Button1", "TButton");
    // Designed as a radio button here but built as something the pass cannot label.
    designed(new QComboBox(&window), "RadioButton1", "TComboBox");
    QWidget mainWindow;
    QFont mainFont = mainWindow.font();
    mainFont.setPointSize(17);
    mainWindow.setFont(mainFont);

    place(window, &mainWindow);

    EXPECT_EQ(window.windowTitle(), qs("Setup"));
    EXPECT_EQ(window.font().pointSize(), 17) << "a placed caption brings the main window's font";
    EXPECT_EQ(label1->text(), qs("Language"));
    EXPECT_EQ(browse->text(), qs("...")) << "a browse button keeps its three dots";
    EXPECT_EQ(browse->toolTip(), qs("Burner"));
    EXPECT_EQ(font->text(), qs("Setup Font"));
    EXPECT_EQ(font->toolTip(), qs("Setup Font"));
    EXPECT_EQ(edit->text(), qs("c:\\burn.exe")) << "an edit only gets a hint";
    EXPECT_EQ(edit->toolTip(), qs("Burner"));
    EXPECT_EQ(check->text(), qs("Enable"));
    EXPECT_EQ(save->text(), qs("儲存設定")) << "no entry for 4010: the designed text stays";
    EXPECT_EQ(logText(), "Not found Label2 in form <frmSetup>\r\n"
                         "Not access (TRadioButton) frmSetup->RadioButton1\r\n");
    EXPECT_GE(clock.eventRuns, 6) << "pending events run while the window is labelled";
}

TEST_F(PlacementFixture, MenusToolbarItemsTabsAndViewsFollowTheirDesignedClass)
{
    loadLanguage("Test\n2000=Main\n2013=Picture\n2021=Files\n2027=File\n2028=Back Up\n2035=Functions\n"
                 "2047=Backup\n2056=Display\n");
    QWidget window;
    designed(&window, "MainForm", "TMainForm");
    auto* tabs = designed(new QTabWidget(&window), "PageControl1", "TPageControl");
    tabs->addTab(designed(new QWidget, "TabSheet1", "TTabSheet"), qs("圖片"));
    auto* fileMenu = designed(new QMenu(qs("檔案"), &window), "N_File", "TMenuItem");
    auto* backup = designed(new QAction(qs("備份資料"), fileMenu), "N_Backup_mdb", "TMenuItem");
    fileMenu->addAction(backup);
    auto* toolBar = new QToolBar(&window);
    auto* item = designed(new QAction(qs("備份"), &window), "TBItem15", "TTBItem");
    toolBar->addAction(item);
    auto* display = designed(new QMenu(qs("顯示"), &window), "TBSubmenuItem6", "TTBSubmenuItem");
    toolBar->addAction(display->menuAction());
    auto* list = designed(new QTreeWidget(&window), "ListView1", "TListView");
    auto* tree = designed(new QTreeWidget(&window), "TreeView1", "TTreeView");
    auto* functions = designed(new QMenu(qs("功能"), &window), "N_function", "TMenuItem");

    place(window);

    EXPECT_EQ(window.windowTitle(), qs("Main"));
    EXPECT_EQ(tabs->tabText(0), qs("Picture"));
    EXPECT_EQ(tabs->tabToolTip(0), qs("Picture"));
    EXPECT_EQ(fileMenu->title(), qs("File"));
    EXPECT_EQ(backup->text(), qs("Back Up"));
    EXPECT_EQ(functions->title(), qs("Functions"));
    EXPECT_EQ(item->text(), qs("Backup"));
    EXPECT_EQ(item->toolTip(), qs("Backup"));
    EXPECT_EQ(display->title(), qs("Display"));
    EXPECT_EQ(display->menuAction()->toolTip(), qs("Display"));
    EXPECT_EQ(list->toolTip(), qs("Files"));
    EXPECT_TRUE(tree->toolTip().isEmpty());
    EXPECT_EQ(logText(), "") << "every row with a text found its control";
}

TEST_F(PlacementFixture, ControlsWithoutADesignedClassUseTheClassTheirQtClassStandsFor)
{
    loadLanguage("Test\n3201=Password\n3203=Change\n");
    QWidget window;
    window.setObjectName(QStringLiteral("frmPassword"));
    auto* label = new QLabel(qs("密碼"), &window);
    label->setObjectName(QStringLiteral("Label1"));
    auto* button = new QPushButton(qs("更 改"), &window);
    button->setObjectName(QStringLiteral("BitBtn1"));

    EXPECT_EQ(place(window), 2);
    EXPECT_EQ(label->text(), qs("Password"));
    EXPECT_EQ(button->text(), qs("Change"));
}

TEST_F(PlacementFixture, EmptyLanguageChangesNothingAndLogsNothing)
{
    QWidget window;
    designed(&window, "frmPassword", "TfrmPassword");
    window.setWindowTitle(qs("frmPassword"));
    EXPECT_EQ(place(window), 0);
    EXPECT_EQ(window.windowTitle(), qs("frmPassword"));
    EXPECT_FALSE(std::filesystem::exists(dir / "kavro.log"));
}
