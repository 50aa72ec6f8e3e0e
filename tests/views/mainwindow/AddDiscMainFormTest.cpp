// The add and edit flows as the main window starts them: toolbar, menus, and what the window's
// trees and lists show afterwards.
#include "views/mainwindow/MainFormFixture.h"

#include "views/mainwindow/AddDiscFlowMainForm.h"
#include "views/dialogs/TfrmAdd.h"
#include "views/flows/TfrmAddModel.h"
#include "views/dialogs/TfrmAddType.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace kavro::test {
namespace {

class AddDiscMainForm : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        writeCategories("Music,1\r\n\tJazz,2\r\nFilms,3\r\n");
        addCabinet(kPlain, "1234567X");
        registerMachine(kPlain, "Plain", "1234567X");
    }

    // Acts on the dialog the next command shows modally, as the person would, then closes it the
    // way the script left it (the window's close button when the script did not).
    template <typename Dialog> void whenShown(std::function<void(Dialog&)> script)
    {
        QTimer::singleShot(0, [script] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            script(*dialog);
            if (dialog->isVisible())
                dialog->close();
        });
    }

    void trigger(const char* name)
    {
        QAction* action = form->designedAction(QString::fromLatin1(name));
        ASSERT_NE(action, nullptr) << name;
        action->trigger();
    }

    static void fillAndConfirm(TfrmAdd& dialog, const QString& title)
    {
        auto* machines = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox_MachineNo"));
        machines->setCurrentIndex(0);
        emit machines->activated(0);
        dialog.findChild<QLineEdit*>(QStringLiteral("TntEdit_title"))->setText(title);
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    }
};

TEST_F(AddDiscMainForm, TheToolbarAddsADiscUnderTheSelectedCategoryAndShowsIt)
{
    openForm();
    ASSERT_NE(form->findChild<AddDiscFlowMainForm*>(), nullptr);
    w().treeView1->selectNode(node("資料/Music/Jazz"));
    whenShown<TfrmAdd>([](TfrmAdd& dialog) {
        EXPECT_EQ(dialog.model().controls().label8, "Jazz");
        fillAndConfirm(dialog, QStringLiteral("Blue Train"));
    });
    trigger("TBItem32");

    EXPECT_EQ(rows("SELECT TRIM(TitleA), Slot, Category FROM KAVRO"),
              (std::vector<std::vector<std::string>>{{"Blue Train", "1", "2"}}));
    TreeNode* added = node("資料/Music/Jazz/Blue Train");
    ASSERT_NE(added, nullptr);
    EXPECT_TRUE(added->isDisc());
    EXPECT_EQ(w().treeView1->currentNode(), added);
    EXPECT_TRUE(listsDisc(w().listView2, kPlain, 1));
    EXPECT_EQ(browser().discs().find(kPlain, 1) >= 0, true);
    EXPECT_EQ(status(0), "ID: " + std::to_string(kPlain));
    EXPECT_EQ(status(1), "ID NAME : Plain");
    EXPECT_EQ(status(2), "SLOT : 1");
}

TEST_F(AddDiscMainForm, TheRowMenuEditsTheSelectedDiscAndMovesItOnlyWhenWritten)
{
    addDisc(kPlain, 4, "Kind of Blue", 2);
    openForm();
    browser().showCategoryContents(node("資料/Music/Jazz"));
    browser().showList(w().listView2);
    ASSERT_EQ(w().listView2->rowCount(), 1);
    w().listView2->selectRow(w().listView2->rowAt(0));

    const auto chooseFilms = [](TfrmAdd& dialog) {
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn4"))->click();
        auto* picker = dialog.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
        const auto items = picker->findItems(QStringLiteral("Films"), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        emit picker->itemDoubleClicked(items.front(), 0);
    };
    // Cancelled: the disc stays where it is.
    whenShown<TfrmAdd>([&](TfrmAdd& dialog) {
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("編輯資料"));
        chooseFilms(dialog);
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn2"))->click();
    });
    trigger("N33");
    EXPECT_NE(node("資料/Music/Jazz/Kind of Blue"), nullptr);
    EXPECT_EQ(rows("SELECT Category FROM KAVRO").at(0).at(0), "2");

    whenShown<TfrmAdd>([&](TfrmAdd& dialog) {
        chooseFilms(dialog);
        dialog.findChild<QLineEdit*>(QStringLiteral("TntEdit_title"))
            ->setText(QStringLiteral("Kind of Blue (1959)"));
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    trigger("N33");
    EXPECT_EQ(rows("SELECT TRIM(TitleA), Category FROM KAVRO").at(0),
              (std::vector<std::string>{"Kind of Blue (1959)", "3"}));
    EXPECT_EQ(node("資料/Music/Jazz/Kind of Blue"), nullptr);
    EXPECT_NE(node("資料/Films/Kind of Blue (1959)"), nullptr);
    EXPECT_EQ(captions(w().listView2), (std::vector<std::string>{"Kind of Blue (1959)"}));
    const int entry = browser().discs().find(kPlain, 4);
    ASSERT_GE(entry, 0);
    EXPECT_EQ(browser().discs()[entry].categoryName, "Films");
}

TEST_F(AddDiscMainForm, TheInformationTabsShowTheDiscJustAddedOrEdited)
{
    addDisc(kPlain, 4, "Kind of Blue", 2);
    openForm();
    browser().selectDisc(kPlain, 4);
    ASSERT_TRUE(w().richEditVolume2->toPlainText().contains(QStringLiteral("Kind of Blue")));
    w().treeView1->selectNode(node("資料/Music/Jazz"));
    whenShown<TfrmAdd>([](TfrmAdd& dialog) { fillAndConfirm(dialog, QStringLiteral("Blue Train")); });
    trigger("TBItem32");
    EXPECT_TRUE(w().richEditVolume2->toPlainText().contains(QStringLiteral("Blue Train")))
        << w().richEditVolume2->toPlainText().toStdString();

    browser().showCategoryContents(node("資料/Music/Jazz"));
    browser().showList(w().listView2);
    w().listView2->selectRow(w().listView2->rowAt(1)); // Kind of Blue, after Blue Train
    ASSERT_EQ(w().listView2->selectedRow()->row().slot, 4);
    whenShown<TfrmAdd>([](TfrmAdd& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("TntEdit_title"))->setText(QStringLiteral("Kind of Blue 2"));
        dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    trigger("N33");
    EXPECT_TRUE(w().richEditVolume2->toPlainText().contains(QStringLiteral("Kind of Blue 2")))
        << w().richEditVolume2->toPlainText().toStdString();
}

TEST_F(AddDiscMainForm, TheHiddenToolbarItemAsksForACategoryThenOffersTheChooser)
{
    openForm();
    w().treeView1->selectNode(form->catalogue().categoryTree().logRoot());
    trigger("TBItem34");
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "請先選擇類型再來新增");
    EXPECT_EQ(person.boxes[0].caption, "Warning!!");

    w().treeView1->selectNode(node("資料/Films"));
    whenShown<TfrmAddType>([](TfrmAddType& chooser) {
        chooser.findChild<QRadioButton*>(QStringLiteral("RadioButton2"))->click();
        chooser.findChild<QPushButton*>(QStringLiteral("BitBtn1"))->click();
    });
    trigger("TBItem34");
    EXPECT_EQ(rows("SELECT TRIM(CATEGORYNAME) FROM CATEGORY WHERE TRIM(CATEGORYNAME)='New'").size(), 1u);
}

} // namespace
} // namespace kavro::test
