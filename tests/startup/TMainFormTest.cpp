#include "views/mainwindow/TMainForm.h"
#include "views/mainwindow/ListView.h"
#include "shell/AppContext.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QSplitter>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

using kavro::test::TempDir;

namespace {

int closedLibraries = 0;
int closeLibrary()
{
    ++closedLibraries;
    return 0;
}

struct MainFormFixture : ::testing::Test {
    TempDir dir;
    kavro::test::ScriptedPerson person;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;

    MainFormFixture()
    {
        context.programFolder = dir.path().string() + "/";
        context.settings = std::make_unique<kavro::Settings>(dir / "Data/Kavro.ini");
        context.log = std::make_unique<kavro::ProgramLog>(dir / "Data/kavro.log");
        context.registry = std::make_unique<kavro::RegistryStore>(dir / "registry");
        context.person = &person;
        context.clock = &clock;
        context.changer.close = &closeLibrary;
        closedLibraries = 0;
        std::filesystem::create_directories(dir / "Data");
    }

    std::vector<std::string> settingsLines() const
    {
        std::vector<std::string> lines;
        std::istringstream in(TempDir::read(dir / "Data/Kavro.ini"));
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
        return lines;
    }
};

} // namespace

TEST_F(MainFormFixture, ClosingSavesTheThirteenKeysInOrder)
{
    kavro::TMainForm form(context);
    form.show();
    auto* list1 = form.findChild<QTreeWidget*>(QStringLiteral("ListView1"));
    auto* list2 = form.findChild<QTreeWidget*>(QStringLiteral("ListView2"));
    ASSERT_NE(list1, nullptr);
    ASSERT_NE(list2, nullptr);
    list1->setColumnWidth(0, 51);
    list1->setColumnWidth(1, 52);
    list1->setColumnWidth(2, 53);
    list2->setColumnWidth(0, 111);
    list2->setColumnWidth(1, 112);
    list2->setColumnWidth(2, 113);
    list2->setColumnWidth(3, 115);
    const int leftWidth = form.findChild<QWidget*>(QStringLiteral("Panel1"))->width();
    const int treeHeight = form.findChild<QWidget*>(QStringLiteral("TreeView1"))->height();

    EXPECT_TRUE(form.close());
    EXPECT_EQ(closedLibraries, 1) << "closing the window closes the changer library";

    const auto lines = settingsLines();
    const std::vector<std::string> names = {"[System]",   "Width1",      "Height1",    "Height2", "FormWidth",
                                            "FormHeight", "WindowState", "[EXPLORER]", "Width1",  "Width2",
                                            "Width3",     "Width11",     "Width12",    "Width13", "Width15"};
    ASSERT_EQ(lines.size(), names.size()) << TempDir::read(dir / "Data/Kavro.ini");
    for (std::size_t i = 0; i < names.size(); ++i)
        EXPECT_EQ(lines[i].substr(0, lines[i].find('=')), names[i]) << "line " << i;
    EXPECT_EQ(lines[1], "Width1=" + std::to_string(leftWidth));
    EXPECT_EQ(lines[3], "Height2=" + std::to_string(treeHeight));
    EXPECT_EQ(lines[8], "Width1=51");
    EXPECT_EQ(lines[10], "Width3=53");
    EXPECT_EQ(lines[11], "Width11=111");
    EXPECT_EQ(lines[13], "Width13=113");
    EXPECT_EQ(lines[14], "Width15=115");
}

TEST_F(MainFormFixture, StoredSizesComeBackAtTheNextStart)
{
    dir.write("Data/Kavro.ini", "[System]\nWindowState=0\nFormWidth=900\nFormHeight=600\nWidth1=222\n"
                                "Height2=150\n[EXPLORER]\nWidth2=77\nWidth12=140\nWidth14=5\nWidth15=90\n");
    kavro::TMainForm form(context);
    form.showAsSaved();
    EXPECT_FALSE(form.isMaximized());
    EXPECT_EQ(form.size(), QSize(900, 600));
    EXPECT_EQ(form.findChild<QWidget*>(QStringLiteral("Panel1"))->width(), 222);
    EXPECT_EQ(form.findChild<QSplitter*>(QStringLiteral("Splitter2"))->sizes().value(0), 150);
    auto* list1 = form.findChild<kavro::ListView*>(QStringLiteral("ListView1"));
    auto* list2 = form.findChild<kavro::ListView*>(QStringLiteral("ListView2"));
    EXPECT_GE(list1->columnWidth(0), list1->header()->sectionSizeHint(0)) << "missing keys fit the caption";
    EXPECT_EQ(list1->columnWidth(1), 77);
    EXPECT_GE(list2->columnWidth(0), list2->header()->sectionSizeHint(0));
    EXPECT_EQ(list2->columnWidth(1), 140);
    EXPECT_GE(list2->columnWidth(2), list2->header()->sectionSizeHint(2));
    EXPECT_EQ(list2->givenColumnWidth(3), 90) << "the fourth column is Width15, never Width14";
    EXPECT_GE(list2->columnWidth(3), 90) << "the last column reaches the right edge";

    form.close();
    const auto saved = TempDir::read(dir / "Data/Kavro.ini");
    EXPECT_NE(saved.find("FormWidth=900"), std::string::npos) << saved;
    EXPECT_NE(saved.find("WindowState=0"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Width14=5"), std::string::npos) << "keys of others stay";
}

TEST_F(MainFormFixture, LanguageLabelsTheWindowAndItsColumns)
{
    ASSERT_TRUE(context.language.load(
        dir.write("Language/language.eng", "English\n2000=Kavro Test\n2027=File\n2047=Backup\n1036=Title\n"
                                           "0004=Category\n1015=File Name\n")));
    kavro::TMainForm form(context);
    EXPECT_EQ(form.objectName(), QStringLiteral("MainForm"));
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Kavro Test"));
    EXPECT_EQ(form.findChild<QMenu*>(QStringLiteral("N_File"))->title(), QStringLiteral("File"));
    auto* backup = form.findChild<QAction*>(QStringLiteral("TBItem15"));
    EXPECT_EQ(backup->text(), QStringLiteral("Backup"));
    EXPECT_EQ(backup->toolTip(), QStringLiteral("Backup"));
    auto* list2 = form.findChild<QTreeWidget*>(QStringLiteral("ListView2"));
    EXPECT_EQ(list2->headerItem()->text(0), QStringLiteral("Title"));
    EXPECT_EQ(list2->headerItem()->text(1), QString::fromUtf8("機名")) << "no entry: the default";
    EXPECT_EQ(list2->headerItem()->text(3), QStringLiteral("Category"));

    // A language switch relabels what the new file has and keeps the rest.
    ASSERT_TRUE(
        context.language.load(dir.write("Language/language.tst", "Test\n2027=Datei\n1037=Maschine\n")));
    form.relabel();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Kavro Test"));
    EXPECT_EQ(form.findChild<QMenu*>(QStringLiteral("N_File"))->title(), QStringLiteral("Datei"));
    EXPECT_EQ(list2->headerItem()->text(1), QStringLiteral("Maschine"));
}

TEST_F(MainFormFixture, EscapeClosesTheWindow)
{
    kavro::TMainForm form(context);
    form.show();
    QTest::keyClick(&form, Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(closedLibraries, 1);
}
