// The main window's print commands: which list each copies into the print dialog.
#include "views/mainwindow/MainFormFixture.h"

#include "views/mainwindow/TfrmPrint2Commands.h"

#include <QAction>
#include <QApplication>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

using namespace kavro;
using kavro::test::MainFormFixture;

namespace {

class PrintCommands : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\n");
        addCabinet(kPlain, "1234567-150");
        registerMachine(kPlain, "Plain", "1234567-150");
        addDisc(kPlain, 8, "Plain disc", 1);
        addDisc(kPlain, 2, "Movie", 1);
        addDisc(kPlain, 5, "Third", 1);
    }

    TfrmPrint2Commands& commands() { return *form->findChild<TfrmPrint2Commands*>(); }

    // Runs the command; returns the captions of the dialog's copy and its rows' first texts,
    // or nothing when no dialog opened.
    std::optional<std::vector<std::string>> copied(const std::function<void()>& command)
    {
        auto seen = std::make_shared<std::optional<std::vector<std::string>>>();
        QTimer::singleShot(0, [seen] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            auto* list = dialog->findChild<QTreeWidget*>(QStringLiteral("ListView1"));
            std::vector<std::string> texts;
            for (int c = 0; c < list->columnCount(); ++c)
                texts.push_back(list->headerItem()->text(c).toStdString());
            for (int r = 0; r < list->topLevelItemCount(); ++r)
                texts.push_back(list->topLevelItem(r)->text(0).toStdString());
            *seen = texts;
            dialog->close();
        });
        command();
        // A command that opened nothing leaves the timer pending: let it run now.
        QApplication::processEvents();
        return *seen;
    }
};

} // namespace

TEST_F(PrintCommands, TheMenuCommandWithTheFileListShownOnlyNamesIt)
{
    openForm();
    browser().nodeClicked(node("資料/Music/Movie"));
    ASSERT_EQ(browser().activeList(), w().listView1);
    const auto seen = copied([this] { form->designedAction(QStringLiteral("N_Print"))->trigger(); });
    EXPECT_FALSE(seen.has_value());
    EXPECT_EQ(status(3), "view1");
    // Ctrl+P with the file list shown prints nothing either.
    EXPECT_FALSE(copied([this] { commands().shortcutPrint(); }).has_value());
}

TEST_F(PrintCommands, TheMenuCommandCopiesTheDiscListOrTheSearchList)
{
    openForm();
    browser().nodeClicked(node("資料/Music"));
    auto seen = copied([this] { form->designedAction(QStringLiteral("TBItem19"))->trigger(); });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(status(3), "view2");
    // The four columns of ListView2, then its rows in the list's order.
    ASSERT_EQ(seen->size(), 7u);
    EXPECT_EQ((*seen)[0], "片名");
    EXPECT_EQ((*seen)[3], "分類");
    EXPECT_EQ(std::vector<std::string>(seen->begin() + 4, seen->end()), captions(w().listView2));

    // The log list goes through the other lists' command.
    browser().nodeClicked(node("紀錄"));
    seen = copied([this] { form->designedAction(QStringLiteral("N_Print"))->trigger(); });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(status(3), "view3");
    EXPECT_EQ(seen->size(), 6u) << "six columns, no rows";

    // Quick-search results: N48 and Ctrl+P copy them.
    browser().showList(w().listView4);
    seen = copied([this] { form->designedAction(QStringLiteral("N48"))->trigger(); });
    ASSERT_TRUE(seen.has_value());
    EXPECT_EQ(seen->size(), 4u) << "ListView4's columns, no rows";
    EXPECT_TRUE(copied([this] { commands().shortcutPrint(); }).has_value());
}

TEST_F(PrintCommands, InMachineModeBothRowMenusPrintTheMachineList)
{
    openForm();
    browser().showMachineMode();
    browser().fillMachineList(0);
    ASSERT_EQ(w().listView5->rowCount(), 3);
    for (const char* name : {"N45", "N48"}) {
        const auto seen =
            copied([this, name] { form->designedAction(QString::fromLatin1(name))->trigger(); });
        ASSERT_TRUE(seen.has_value()) << name;
        EXPECT_EQ(seen->size(), 6u) << name << ": three columns and three rows";
        EXPECT_EQ((*seen)[1], "槽位");
    }
    EXPECT_TRUE(copied([this] { form->designedAction(QStringLiteral("N_Print"))->trigger(); }).has_value());
    EXPECT_EQ(status(3), "view5");
}

TEST(PrintSourceRules, TheOtherListsCommandTakesTheSearchListFirstAndNothingWithoutOne)
{
    ShownLists shown;
    shown.listView3 = true;
    EXPECT_EQ(PrintSource(PrintCommand::OtherLists, shown), PrintList::ListView3);
    shown.listView4 = true;
    EXPECT_EQ(PrintSource(PrintCommand::OtherLists, shown), PrintList::ListView4);
    shown.searchView = true;
    EXPECT_EQ(PrintSource(PrintCommand::OtherLists, shown), PrintList::SearchView);
    EXPECT_EQ(PrintSource(PrintCommand::OtherLists, ShownLists{}), PrintList::None);
    ShownLists files;
    files.listView1 = true;
    EXPECT_EQ(ShownListName(files), "view1");
    EXPECT_FALSE(MenuPrintCommand(files).has_value());
    EXPECT_EQ(ShownListName(ShownLists{}), "Other");
}
