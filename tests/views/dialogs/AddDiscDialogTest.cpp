#include "views/flows/AddDiscFixture.h"

#include "shell/LanguageTable.h"
#include "shell/PlacementPass.h"
#include "shell/ProgramLog.h"
#include "shell/ui/WidgetPlacementTarget.h"
#include "views/dialogs/TfrmAdd.h"
#include "views/dialogs/TfrmAddType.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

namespace kavro::test {
namespace {

template <typename T> T* control(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

// The disc dialog as the program shows it, with the test acting on its controls instead of a
// person; a dialog the script leaves open is closed with the window's close button.
class WidgetDialogs final : public AddDiscFlowDialogs {
public:
    void showDiscDialog(TfrmAddModel& model) override
    {
        TfrmAdd dialog(model);
        dialog.show();
        if (script)
            script(dialog);
        if (dialog.isVisible())
            dialog.close();
    }
    int showAddTypeDialog() override { return 0; }

    std::function<void(TfrmAdd&)> script;
};

class AddDiscDialogTest : public AddDiscFixture {
protected:
    static void chooseMachine(TfrmAdd& dialog, int position)
    {
        auto* box = control<QComboBox>(dialog, "ComboBox_MachineNo");
        box->setCurrentIndex(position);
        emit box->activated(position);
    }

    // Types into the slot box and leaves it (Tab) or presses Enter.
    static void typeSlot(TfrmAdd& dialog, const char* text, bool enter)
    {
        auto* box = control<QComboBox>(dialog, "CB_Slot");
        box->setEditText(QString::fromLatin1(text));
        if (enter) {
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
        } else {
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(box, &out);
        }
    }

    static void chooseCategory(TfrmAdd& dialog, const char* name)
    {
        control<QPushButton>(dialog, "BitBtn4")->click();
        auto* picker = control<QTreeWidget>(dialog, "TreeView1");
        const auto items = picker->findItems(QString::fromUtf8(name), Qt::MatchExactly | Qt::MatchRecursive);
        ASSERT_EQ(items.size(), 1);
        emit picker->itemDoubleClicked(items.front(), 0);
    }
};

TEST_F(AddDiscDialogTest, AKz350vnRefusesSlot101AndPutsThePreviousSlotBack)
{
    addMachine(kDrive, "Drive", "KZ350VN");
    openLibrary();
    TfrmAddModel model(*services, TfrmAddModel::Mode::Add);
    TfrmAdd dialog(model);
    dialog.show();
    chooseMachine(dialog, position("Drive"));
    auto* slotBox = control<QComboBox>(dialog, "CB_Slot");
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("1"));
    EXPECT_EQ(slotBox->count(), 100);
    EXPECT_FALSE(slotBox->isEnabled());
    control<QCheckBox>(dialog, "Check_slot")->click();
    EXPECT_TRUE(slotBox->isEnabled());

    typeSlot(dialog, "101", true);
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("1"));
    typeSlot(dialog, "101", false);
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("1"));
    typeSlot(dialog, "x", false);
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("1"));
    EXPECT_FALSE(movedTo(kDrive, 101));

    typeSlot(dialog, "100", true);
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("100"));
    EXPECT_EQ(control<QLabel>(dialog, "Label_slot")->text(), QStringLiteral("100"));
    EXPECT_TRUE(movedTo(kDrive, 100));
    EXPECT_EQ(model.slot(), 100);
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(AddDiscDialogTest, AUsedSlotTurnsRedWhenLeftAndIsAskedAboutOnEnter)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 9, "Nine");
    TfrmAddModel model(*services, TfrmAddModel::Mode::Add);
    TfrmAdd dialog(model);
    dialog.show();
    chooseMachine(dialog, position("Plain"));
    control<QCheckBox>(dialog, "Check_slot")->click();
    auto* slotBox = control<QComboBox>(dialog, "CB_Slot");

    typeSlot(dialog, "9", false);
    EXPECT_TRUE(slotBox->styleSheet().contains(QStringLiteral("red")));
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("9"));
    EXPECT_TRUE(person.boxes.empty());
    typeSlot(dialog, "2", false);
    EXPECT_FALSE(slotBox->styleSheet().contains(QStringLiteral("red")));

    person.boxAnswers = {BoxAnswer::Cancel};
    typeSlot(dialog, "9", true);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text.rfind("確定覆蓋舊資料嗎?", 0), 0u) << person.boxes[0].text;
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::OkCancel);
    EXPECT_EQ(slotBox->currentText(), QStringLiteral("2"));
}

TEST_F(AddDiscDialogTest, ClosingTheWindowAfterARefusedOverwriteWritesNothing)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 5, "Old title");
    person.boxAnswers = {BoxAnswer::Cancel};
    WidgetDialogs widgets;
    widgets.script = [&](TfrmAdd& dialog) {
        chooseMachine(dialog, position("Plain"));
        control<QCheckBox>(dialog, "Check_slot")->click();
        typeSlot(dialog, "5", false);
        control<QLineEdit>(dialog, "TntEdit_title")->setText(QStringLiteral("New title"));
        chooseCategory(dialog, "Films");
        control<QPushButton>(dialog, "BitBtn1")->click();
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.model().result(), -1);
        dialog.close();
        EXPECT_EQ(dialog.model().result(), 0);
    };
    AddDiscFlow widgetFlow(*services, views, widgets);
    EXPECT_FALSE(widgetFlow.add());
    EXPECT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(rows("SELECT TRIM(TitleA), CreateDate FROM KAVRO"),
              (std::vector<std::vector<std::string>>{{"Old title", "2001-02-03 04:05:06"}}));
}

TEST_F(AddDiscDialogTest, TheControlsReachTheRecord)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    WidgetDialogs widgets;
    widgets.script = [&](TfrmAdd& dialog) {
        chooseMachine(dialog, position("Plain"));
        control<QLineEdit>(dialog, "TntEdit_title")->setText(QStringLiteral("唱片 One"));
        control<QLineEdit>(dialog, "Barcode")->setText(QStringLiteral("123456789012345678"));
        control<QPlainTextEdit>(dialog, "TntMemo_remark")->setPlainText(QStringLiteral("line 1\nline 2"));
        control<QPlainTextEdit>(dialog, "TntMemo_other")->setPlainText(QStringLiteral("shelf A"));
        chooseCategory(dialog, "Jazz");
        control<QPushButton>(dialog, "BitBtn1")->click();
        EXPECT_FALSE(dialog.isVisible());
    };
    AddDiscFlow widgetFlow(*services, views, widgets);
    ASSERT_TRUE(widgetFlow.add());
    EXPECT_EQ(
        rows("SELECT TRIM(TitleA), TRIM(Barcode), Remark, Misc1, Category FROM KAVRO"),
        (std::vector<std::vector<std::string>>{{"唱片 One", "12345678901234", "line 1\r\nline 2",
                                                "Other=shelf A\r\nVolume=\r\nSerial=\r\nFileSystem=", "2"}}));
}

TEST_F(AddDiscDialogTest, TheCategoryPickerHangsBelowItsLabelAndADoubleClickChooses)
{
    TfrmAddModel model(*services, TfrmAddModel::Mode::Add);
    TfrmAdd dialog(model);
    dialog.show();
    auto* picker = control<QTreeWidget>(dialog, "TreeView1");
    auto* label8 = control<QLabel>(dialog, "Label8");
    EXPECT_FALSE(picker->isVisible());
    ASSERT_EQ(picker->topLevelItemCount(), 2);
    EXPECT_EQ(picker->topLevelItem(0)->text(0), QStringLiteral("Music"));
    ASSERT_EQ(picker->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(picker->topLevelItem(0)->child(0)->text(0), QStringLiteral("Jazz"));

    control<QPushButton>(dialog, "BitBtn4")->click();
    EXPECT_TRUE(picker->isVisible());
    EXPECT_EQ(picker->geometry(), QRect(label8->x(), label8->y() + label8->height() + 10,
                                        dialog.width() - 20 - label8->x(), 200));
    QTest::keyClick(picker, Qt::Key_Escape);
    EXPECT_FALSE(picker->isVisible());
    EXPECT_TRUE(dialog.isVisible());

    chooseCategory(dialog, "Jazz");
    EXPECT_FALSE(picker->isVisible());
    EXPECT_EQ(label8->text(), QStringLiteral("Jazz"));
    EXPECT_EQ(model.chosenCategory(), category("Jazz"));
}

TEST_F(AddDiscDialogTest, EveryPlacedControlExistsAndEditModeHasItsCaption)
{
    LanguageTable english;
    ASSERT_TRUE(english.load(std::filesystem::path(qEnvironmentVariable("KAVRO_SOURCE_DIR").toStdString()) /
                             "Language/language.eng"));
    const auto logFile = dir / "Data/kavro.log";
    ProgramLog log(logFile);

    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    putRow(kPlain, 3, "Three");
    ASSERT_TRUE(LocateDisc(*catalogue, kPlain, 3));
    ASSERT_TRUE(ReadDiscRecord(*catalogue));
    TfrmAddModel model(*services, TfrmAddModel::Mode::Edit);
    model.showDisc(catalogue->currentDisc(), "");
    TfrmAdd dialog(model);
    WidgetPlacementTarget target(dialog);
    EXPECT_EQ(placeTexts(target, english, log, clock), 16);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Add Disc"));
    EXPECT_EQ(control<QLabel>(dialog, "Label9")->text(), QStringLiteral("Drive"));
    EXPECT_EQ(control<QPushButton>(dialog, "BitBtn5")->text(), QStringLiteral("Delete"));
    EXPECT_EQ(control<QPushButton>(dialog, "BitBtn4")->text(), QStringLiteral("..."));
    dialog.applyModeCaption();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("編輯資料"));
    EXPECT_FALSE(control<QComboBox>(dialog, "ComboBox_MachineNo")->isEnabled());
    EXPECT_EQ(control<QComboBox>(dialog, "ComboBox_MachineNo")->currentText(), QStringLiteral("Plain"));
    EXPECT_EQ(control<QComboBox>(dialog, "CB_Slot")->currentText(), QStringLiteral("3"));

    TfrmAddType chooser;
    WidgetPlacementTarget chooserTarget(chooser);
    EXPECT_EQ(placeTexts(chooserTarget, english, log, clock), 6);
    EXPECT_FALSE(std::filesystem::exists(logFile)) << TempDir::read(logFile);
}

TEST_F(AddDiscDialogTest, ATypedSlotStaysAsTypedWithNoCompletion)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    // Slots 3 and 4 hold discs, so the free slots listed next to them are 30... and 40...
    putRow(kPlain, 3, "Three");
    putRow(kPlain, 4, "Four");
    TfrmAddModel model(*services, TfrmAddModel::Mode::Add);
    TfrmAdd dialog(model);
    dialog.show();
    chooseMachine(dialog, position("Plain"));
    control<QCheckBox>(dialog, "Check_slot")->click();
    auto* slotBox = control<QComboBox>(dialog, "CB_Slot");
    QLineEdit* line = slotBox->lineEdit();
    const struct {
        const char* typed;
        int slot;
    } cases[] = {{"3", 3}, {"4", 4}, {"12", 12}, {"1", 1}};
    for (const auto& c : cases) {
        line->selectAll();
        QTest::keyClicks(line, QString::fromLatin1(c.typed));
        EXPECT_EQ(line->text(), QString::fromLatin1(c.typed)) << c.typed;
        EXPECT_FALSE(line->hasSelectedText()) << c.typed;
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(slotBox, &out);
        EXPECT_EQ(model.slot(), c.slot) << c.typed;
        EXPECT_TRUE(movedTo(kPlain, c.slot)) << c.typed;
    }
    for (const char* name : {"CB_Slot", "ComboBox2"})
        EXPECT_EQ(control<QComboBox>(dialog, name)->completer(), nullptr) << name;
}

TEST_F(AddDiscDialogTest, OkWithoutAMachineKeepsTheDialogAndWhatWasTyped)
{
    addMachine(kPlain, "Plain", kPlainModel);
    openLibrary();
    WidgetDialogs widgets;
    widgets.script = [&](TfrmAdd& dialog) {
        control<QLineEdit>(dialog, "TntEdit_title")->setText(QStringLiteral("Kept title"));
        control<QPlainTextEdit>(dialog, "TntMemo_remark")->setPlainText(QStringLiteral("kept remark"));
        chooseCategory(dialog, "Jazz");
        control<QPushButton>(dialog, "BitBtn1")->click();
        EXPECT_TRUE(dialog.isVisible());
        ASSERT_EQ(person.boxes.size(), 1u);
        EXPECT_EQ(person.boxes[0].text, "請先選擇機號");
        EXPECT_EQ(person.boxes[0].caption, "警告訊息");
        EXPECT_EQ(control<QLineEdit>(dialog, "TntEdit_title")->text(), QStringLiteral("Kept title"));
        EXPECT_EQ(control<QLabel>(dialog, "Label8")->text(), QStringLiteral("Jazz"));
        chooseMachine(dialog, position("Plain"));
        control<QPushButton>(dialog, "BitBtn1")->click();
        EXPECT_FALSE(dialog.isVisible());
    };
    AddDiscFlow widgetFlow(*services, views, widgets);
    ASSERT_TRUE(widgetFlow.add());
    EXPECT_EQ(rows("SELECT TRIM(TitleA), Remark, Slot FROM KAVRO"),
              (std::vector<std::vector<std::string>>{{"Kept title", "kept remark", "1"}}));
}

TEST_F(AddDiscDialogTest, TheChooserReportsWhatItsButtonsChose)
{
    TfrmAddType chooser;
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("ADD DISC"));
    EXPECT_TRUE(control<QRadioButton>(chooser, "RadioButton1")->isChecked());
    control<QPushButton>(chooser, "BitBtn1")->click();
    EXPECT_EQ(chooser.choice(), TfrmAddType::NewDisc);

    control<QRadioButton>(chooser, "RadioButton2")->click();
    control<QPushButton>(chooser, "BitBtn1")->click();
    EXPECT_EQ(chooser.choice(), TfrmAddType::NewCategory);

    control<QPushButton>(chooser, "BitBtn2")->click();
    EXPECT_EQ(chooser.choice(), TfrmAddType::Cancelled);
}

} // namespace
} // namespace kavro::test
