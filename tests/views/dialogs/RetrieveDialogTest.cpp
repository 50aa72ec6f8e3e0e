#include "catalogue/records/Catalogue.h"
#include "changer/ChangerContext.h"
#include "changer/RetrieveLog.h"
#include "changer/TakeOutFlows.h"
#include "changer/TorvexCalls.h"
#include "platform/Texts.h"
#include "shell/AppContext.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"
#include "views/dialogs/TfrmRetrieve.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

using kavro::TakeOutAnswer;
using kavro::TfrmRetrieve;
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
void whenShown(const std::function<void(TfrmRetrieve&)>& act)
{
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<TfrmRetrieve*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible())
            dialog->close();
    });
}

const QDateTime kMade(QDate(2024, 3, 8), QTime(19, 42, 31));

} // namespace

TEST(RetrieveDialog, ExecuteHandsBackTheChoiceTheReasonAndTheDateWithTheTimeItWasMade)
{
    TfrmRetrieve dialog(nullptr, kMade);
    EXPECT_EQ(dialog.windowTitle(), qs("光碟置取"));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));

    whenShown([](TfrmRetrieve& shown) {
        EXPECT_EQ(control<QLabel>(shown, "Label2")->text(), qs("Studio 書櫃"));
        EXPECT_EQ(control<QLabel>(shown, "Label3")->text(), QStringLiteral("12"));
        EXPECT_TRUE(control<QRadioButton>(shown, "RadioButton1")->isChecked())
            << "put in is selected at open";
        auto* date = control<QDateTimeEdit>(shown, "DateTimePicker1");
        EXPECT_EQ(date->date(), kMade.date());
        EXPECT_TRUE(date->calendarPopup());
        control<QRadioButton>(shown, "RadioButton2")->click();
        QTest::keyClicks(control<QLineEdit>(shown, "Edit1"), QStringLiteral("Film night"));
        // Enter in the reason field does not execute.
        QTest::keyClick(control<QLineEdit>(shown, "Edit1"), Qt::Key_Return);
        EXPECT_TRUE(shown.isVisible());
        date->setDate(QDate(2024, 3, 10));
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    const TakeOutAnswer answer = dialog.ask("Studio 書櫃", 12, "");

    EXPECT_EQ(answer.result, TakeOutAnswer::Execute);
    EXPECT_TRUE(answer.takeOut);
    EXPECT_EQ(answer.reason, "Film night");
    EXPECT_EQ(kavro::FormatLogDateTime(answer.when), "2024-3-10 19:42");
    EXPECT_EQ(answer.when.second, 31);
}

TEST(RetrieveDialog, AbandonGivesTwoAndAnyOtherCloseGivesNone)
{
    TfrmRetrieve dialog(nullptr, kMade);
    whenShown([](TfrmRetrieve& shown) { control<QPushButton>(shown, "BitBtn2")->click(); });
    TakeOutAnswer answer = dialog.ask("A", 1, "");
    EXPECT_EQ(answer.result, TakeOutAnswer::Abandon);
    EXPECT_FALSE(answer.takeOut);

    // The same dialog asked again starts without the previous result.
    whenShown([](TfrmRetrieve& shown) { QTest::keyClick(&shown, Qt::Key_Escape); });
    answer = dialog.ask("A", 1, "");
    EXPECT_EQ(answer.result, TakeOutAnswer::None);
    whenShown([](TfrmRetrieve&) {}); // closed by the window manager's way
    EXPECT_EQ(dialog.ask("A", 1, "").result, TakeOutAnswer::None);
}

TEST(RetrieveDialog, PlacementLabelsTheDesignedControlsButNotTheValues)
{
    TempDir dir;
    kavro::test::VirtualClock clock;
    kavro::AppContext context;
    context.clock = &clock;
    context.log = std::make_unique<kavro::ProgramLog>(dir / "kavro.log");
    context.language.loadText("English\n3600=Put/Take Disc\n3601=Disc Cabinet\n3602=Machine Name\n3603=Slot\n"
                              "3604=Operation\n3605=Put In\n3606=Take Out\n3607=Execute\n3608=Abandon\n"
                              "3609=Delete\n3610=Reason\n0005=Title\n");

    auto dialog = TfrmRetrieve::create(context, nullptr);
    dialog->setDisc("Archive", 7);

    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Put/Take Disc"));
    EXPECT_EQ(control<QGroupBox>(*dialog, "GroupBox1")->title(), QStringLiteral("Disc Cabinet"));
    EXPECT_EQ(control<QGroupBox>(*dialog, "GroupBox2")->title(), QStringLiteral("Operation"));
    EXPECT_EQ(control<QGroupBox>(*dialog, "GroupBox3")->title(), QStringLiteral("Reason"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label1")->text(), QStringLiteral("Machine Name"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label4")->text(), QStringLiteral("Slot"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label5")->text(), QStringLiteral("Title"));
    EXPECT_EQ(control<QRadioButton>(*dialog, "RadioButton1")->text(), QStringLiteral("Put In"));
    EXPECT_EQ(control<QRadioButton>(*dialog, "RadioButton2")->text(), QStringLiteral("Take Out"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn1")->text(), QStringLiteral("Execute"));
    EXPECT_EQ(control<QPushButton>(*dialog, "BitBtn2")->text(), QStringLiteral("Abandon"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label2")->text(), QStringLiteral("Archive"));
    EXPECT_EQ(control<QLabel>(*dialog, "Label3")->text(), QStringLiteral("7"));
    EXPECT_EQ(TempDir::read(dir / "kavro.log"), "") << "every placed control exists";
}

namespace {

// Cabinets that are always ready and never hold a disc in a drive.
class ReadyCabinets final : public kavro::TorvexCalls {
public:
    int InitUSBKavro() override { return 0; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return 1; }
    int EnumDevice(int) override { return 0x0D0E0F; }
    int USBCDReset(int) override { return 0; }
    int USBCDMoveto(int, int slot) override
    {
        moves.push_back(slot);
        return 0;
    }
    int USBCDGetCDDown(int) override { return 0; }
    int USBCDLEDON(int) override { return 0; }
    int USBCDLEDOFF(int) override { return 0; }
    int USBCDGetStatus(int) override { return 0; }
    int USBCDGetType(int, char*, int*) override { return 3; }
    int USBCDGetDriveCD(int) override { return 0; }
    int USBCDMovetoDrive(int, int) override { return 0; }
    int USBCDEject(int) override { return 0; }
    int GetDriveCounter(int, int*) override { return 3; }
    int USBCDchanged() override { return 0; }

    std::vector<int> moves;
};

} // namespace

// The dialog in the take-out flow: what the person chose is what the log records.
TEST(RetrieveDialog, ConfirmedTakeOutIsLoggedWithTheDialogsAnswers)
{
    TempDir dir;
    std::filesystem::create_directories(dir / "Data");
    kavro::test::ScriptedPerson person;
    kavro::test::VirtualClock clock;
    kavro::DefaultTexts texts;
    kavro::Catalogue catalogue(dir.path(), person, texts, clock);
    ReadyCabinets cabinets;
    kavro::ChangerContext ctx(catalogue, cabinets, person, clock, texts);
    kavro::MachineEntry archive;
    archive.DeviceId = 0x0D0E0F;
    archive.name = "Archive";
    ctx.machines.add(archive);
    kavro::Settings settings(dir / "Data" / "Kavro.ini");
    ASSERT_TRUE(kavro::keys::write(settings, kavro::keys::RetrieveLog, 1));
    ctx.settings = &settings;

    TfrmRetrieve dialog(nullptr, kMade);
    whenShown([](TfrmRetrieve& shown) {
        // The person sees which disc is about to leave.
        EXPECT_EQ(control<QLabel>(shown, "Label6")->text(), QStringLiteral("Chess Master Training"));
        control<QRadioButton>(shown, "RadioButton2")->click();
        control<QLineEdit>(shown, "Edit1")->setText(QStringLiteral("Lent to Ben"));
        control<QPushButton>(shown, "BitBtn1")->click();
    });
    kavro::TakeOutDisc(ctx, dialog, 0x0D0E0F, 23, "Chess Master Training",
                       kavro::TakeOutSource::LeavesMonitor);

    const auto rows = kavro::ReadRetrieveLog(dir / "Data" / "Retrieve.log");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, "Chess Master Training");
    EXPECT_EQ(rows[0].machineName, "Archive");
    EXPECT_EQ(rows[0].slot, "23");
    EXPECT_EQ(rows[0].access, "取出");
    EXPECT_EQ(rows[0].reason, "Lent to Ben");
    EXPECT_EQ(rows[0].dateTime, "2024-3-8 19:42");
    EXPECT_EQ(cabinets.moves, std::vector<int>({23})) << "confirmed, so the slot came to the door";
}
