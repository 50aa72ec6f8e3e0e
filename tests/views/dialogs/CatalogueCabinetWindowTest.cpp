// The Catalogue Cabinet window over a simulated cabinet as slow as a real one: the choices reach
// the run, the progress and the outcomes show, the outcomes export, Stop ends after the slot
// under way with its disc back.
#include "views/dialogs/CabinetWindowFixture.h"

#include "catalogue/records/DiscRecords.h"
#include "views/dialogs/TfrmCatalogueCabinet.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

class CatalogueCabinetWindow : public CabinetWindowFixture {
protected:
    std::unique_ptr<TfrmCatalogueCabinet> openWindow()
    {
        auto window = std::make_unique<TfrmCatalogueCabinet>(
            std::vector<TfrmCatalogueCabinet::Choice>{{"Drive", kDrive}},
            std::vector<TfrmCatalogueCabinet::Choice>{{"Music", 7}, {"Films", 9}},
            [this] { return services(); }, [this] { ++written; }, texts);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        return window;
    }

    static std::vector<std::vector<std::string>> rowsOf(const QTreeWidget& results)
    {
        std::vector<std::vector<std::string>> out;
        for (int i = 0; i < results.topLevelItemCount(); ++i) {
            std::vector<std::string> row;
            for (int c = 0; c < 4; ++c)
                row.push_back(results.topLevelItem(i)->text(c).toStdString());
            out.push_back(row);
        }
        return out;
    }

    // A click on the box of a radio button or check box (its middle may lie beyond its text).
    static void clickBox(QWidget* button)
    {
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    }

    static std::string firstLine(const QLabel* label)
    {
        return label->text().section(QLatin1Char('\n'), 0, 0).toStdString();
    }

    int written = 0;
};

TEST_F(CatalogueCabinetWindow, ARunTakesTheChoicesShowsItsProgressAndExportsOneRowPerSlot)
{
    addRecord(2, "Photos, 2019");
    auto window = openWindow();
    window->slotsEdit()->setText(QStringLiteral("1-2,5"));
    clickBox(window->refreshChoice());
    clickBox(window->findChild<QCheckBox*>(QStringLiteral("CheckBox_CabinetTitles")));
    window->findChild<QComboBox*>(QStringLiteral("ComboBox_CabinetCategory"))->setCurrentIndex(1);

    std::vector<std::string> progress;
    std::string lastSlotTimes;
    clock.during = [&] {
        const std::string line = firstLine(window->progressText());
        if (progress.empty() || progress.back() != line)
            progress.push_back(line);
        if (line.rfind("Slot 5 ", 0) == 0)
            lastSlotTimes = window->progressText()->text().section(QLatin1Char('\n'), 1, 1).toStdString();
    };
    QTest::mouseClick(window->startButton(), Qt::LeftButton);
    clock.during = nullptr;

    // Slot 1 is new, slot 2 holds another disc than its record (written over only when asked),
    // slot 5 is empty.
    const auto rows = rowsOf(*window->results());
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (std::vector<std::string>{"1", "catalogued", "HOLIDAY", ""}));
    EXPECT_EQ((std::vector<std::string>{rows[1][0], rows[1][1], rows[1][2]}),
              (std::vector<std::string>{"2", "different disc", "Photos, 2019"}));
    EXPECT_NE(rows[1][3].find("PHOTOS"), std::string::npos) << rows[1][3];
    EXPECT_EQ(rows[2], (std::vector<std::string>{"5", "empty", "", ""}));
    EXPECT_EQ(written, 1);
    EXPECT_EQ(window->progressText()->text().toStdString(), "Done: 3 of 3 slots.");
    // Every title shows whole in its column.
    auto* table = window->findChild<QTreeWidget*>(QStringLiteral("ListView_CabinetResults"));
    ASSERT_NE(table, nullptr);
    EXPECT_GE(table->columnWidth(2), table->fontMetrics().horizontalAdvance(QStringLiteral("Photos, 2019")));

    // The choices reached the run: its log line, and the new disc's category.
    const std::string log = fileText(dir.path() / "Data/CabinetRun.log");
    EXPECT_NE(log.find(" slots=1-2,5 existing=refresh titles=1 category=9 different=0\n"), std::string::npos)
        << log;
    ASSERT_TRUE(LocateDisc(*catalogue, kDrive, 1) && ReadDiscRecord(*catalogue));
    EXPECT_EQ(catalogue->currentDisc().categoryId, 9);

    // Slot i of n with the step under way, slot by slot; the time gone on the clock the run
    // waits on, and from the second slot an estimate of the time left.
    for (const char* start :
         {"Slot 1 (1 of 3): loading", "Slot 2 (2 of 3): loading", "Slot 5 (3 of 3): loading"})
        EXPECT_NE(std::find(progress.begin(), progress.end(), start), progress.end()) << start;
    for (const char* step : {"Slot 1 (1 of 3): returning", "Slot 2 (2 of 3): returning"})
        EXPECT_NE(std::find(progress.begin(), progress.end(), step), progress.end()) << step;
    EXPECT_EQ(lastSlotTimes.rfind("Time gone 0:", 0), 0u) << lastSlotTimes;
    EXPECT_EQ(lastSlotTimes.find("Time gone 0:00"), std::string::npos) << lastSlotTimes;
    // Seen last once the last slot is done: nothing is left.
    EXPECT_NE(lastSlotTimes.find(", about 0:00 left"), std::string::npos) << lastSlotTimes;

    const QString csvFile = QString::fromStdString((dir.path() / "outcomes.csv").string());
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->selectFile(csvFile);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Btn_CabinetExport")), Qt::LeftButton);
    // The header and one line per slot, the title with its comma quoted.
    const std::string csv = fileText(csvFile.toStdString());
    std::vector<std::string> lines;
    for (std::size_t at = 0; at < csv.size();) {
        const std::size_t end = csv.find("\r\n", at);
        ASSERT_NE(end, std::string::npos) << csv;
        lines.push_back(csv.substr(at, end - at));
        at = end + 2;
    }
    ASSERT_EQ(lines.size(), 4u) << csv;
    EXPECT_EQ(lines[0], "Slot,Outcome,Title,Reason");
    EXPECT_EQ(lines[1], "1,catalogued,HOLIDAY,");
    EXPECT_EQ(lines[2].rfind("2,different disc,\"Photos, 2019\",a different disc", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], "5,empty,,");
}

TEST_F(CatalogueCabinetWindow, StopEndsTheRunAfterTheSlotUnderWayWithItsDiscBackInItsSlot)
{
    const struct {
        const char* button;        // Stop, or Close: the window closes once the run has ended
        const char* pressedDuring; // the step of slot 2 under way then
        int spinUpMs;              // how long the drive needs after a load before it reads
    } cases[] = {{"Btn_CabinetStop", "loading", 0},
                 {"Btn_CabinetStop", "waiting for the disc", 4000},
                 {"Btn_CabinetClose", "loading", 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + c.pressedDuring);
        const bool closing = std::string(c.button) == "Btn_CabinetClose";
        fs::remove(dir.path() / "Data/CabinetRun.log");
        (void)catalogue->database().exec("DELETE FROM KAVRO");
        // A drive that needs time: E: shows the disc only spinUpMs after the cabinet loaded it.
        const fs::path loaded = dir.path() / "drive";
        const fs::path readable = dir.path() / "spun";
        ASSERT_TRUE(
            settings.writeString("Drives", "E", (c.spinUpMs ? readable : loaded).string() + ";cdrom"));
        std::int64_t loadedAt = -1;
        auto spinUp = [&] {
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(loaded))) {
                loadedAt = -1;
                fs::remove(readable, ec);
                return;
            }
            if (loadedAt < 0)
                loadedAt = clock.nowMs();
            if (clock.nowMs() - loadedAt >= c.spinUpMs && !fs::exists(fs::symlink_status(readable)))
                fs::create_directory_symlink(fs::read_symlink(loaded), readable, ec);
        };

        auto window = openWindow();
        window->slotsEdit()->setText(QStringLiteral("1-4"));
        std::string returningText;
        bool running = false;
        bool choicesLocked = true;
        clock.during = [&] {
            spinUp();
            running = running || !window->startButton()->isEnabled();
            choicesLocked = choicesLocked && !window->slotsEdit()->isEnabled();
            const std::string line = firstLine(window->progressText());
            if (window->stopButton()->isEnabled() &&
                line == std::string("Slot 2 (2 of 4): ") + c.pressedDuring)
                QTest::mouseClick(window->findChild<QPushButton*>(QLatin1String(c.button)), Qt::LeftButton);
            if (line == "Slot 2 (2 of 4): returning")
                returningText = window->progressText()->text().toStdString();
        };
        QTest::mouseClick(window->startButton(), Qt::LeftButton);
        clock.during = nullptr;

        ASSERT_TRUE(running);
        EXPECT_TRUE(choicesLocked) << "the choices wait while the run works";
        // Said through the rest of the slot.
        EXPECT_NE(returningText.find("Stopping after this slot"), std::string::npos) << returningText;
        const auto rows = rowsOf(*window->results());
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[1], (std::vector<std::string>{"2", "catalogued", "PHOTOS", ""}));
        // The disc is back in its slot, nothing is in the drive, and the run can be continued.
        const torvex::sim::CabinetState state = sim.state(cabinet);
        EXPECT_EQ(state.driveSlot, 0);
        EXPECT_EQ(state.filled, (std::vector<int>{1, 2, 3, 4}));
        const auto left = RunLog::unfinished(dir.path() / "Data/CabinetRun.log");
        ASSERT_TRUE(left.has_value());
        EXPECT_EQ(left->done.size(), 2u);
        EXPECT_EQ(left->maybeInDrive, 0);
        // The window answers: Start again, and Close closes it.
        EXPECT_TRUE(window->startButton()->isEnabled());
        EXPECT_FALSE(window->stopButton()->isEnabled());
        EXPECT_TRUE(window->slotsEdit()->isEnabled());
        EXPECT_EQ(window->isVisible(), !closing);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("Btn_CabinetClose")),
                          Qt::LeftButton);
        EXPECT_FALSE(window->isVisible());
    }
}

TEST_F(CatalogueCabinetWindow, AContinuedRunKeepsItsEarlierOutcomesAndEstimatesFromItsOwnSlots)
{
    UnfinishedRun left;
    left.machine = kDrive;
    left.slotNumbers = {1, 2, 3, 4};
    left.existing = "refresh";
    left.categoryId = 9;
    left.done = {{1, SlotOutcome::Empty, {}, {}}, {2, SlotOutcome::Unreadable, {}, "no disc could be read"}};
    auto window = openWindow();
    window->offerContinuation(left);
    EXPECT_EQ(window->slotsEdit()->text().toStdString(), "1-4");
    EXPECT_TRUE(window->refreshChoice()->isChecked());
    EXPECT_EQ(window->startButton()->text().toStdString(), "Continue");

    std::string atLastSlot;
    clock.during = [&] {
        if (atLastSlot.empty() && firstLine(window->progressText()).rfind("Slot 4 (4 of 4)", 0) == 0)
            atLastSlot = window->progressText()->text().toStdString();
    };
    QTest::mouseClick(window->startButton(), Qt::LeftButton);
    clock.during = nullptr;

    const auto rows = rowsOf(*window->results());
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ((std::vector<std::string>{rows[0][1], rows[1][1], rows[2][1], rows[3][1]}),
              (std::vector<std::string>{"empty", "unreadable", "catalogued", "catalogued"}));
    // The sums count the earlier part too; one slot of this run took the time gone, and one is left.
    EXPECT_NE(atLastSlot.find("1 catalogued, 1 empty, 1 unreadable"), std::string::npos) << atLastSlot;
    auto seconds = [&](const std::string& before) {
        const std::size_t at = atLastSlot.find(before);
        EXPECT_NE(at, std::string::npos) << before << " in " << atLastSlot;
        if (at == std::string::npos)
            return -1;
        const std::string m = atLastSlot.substr(at + before.size());
        return std::stoi(m) * 60 + std::stoi(m.substr(m.find(':') + 1));
    };
    const int gone = seconds("Time gone ");
    const int estimate = seconds("about ");
    EXPECT_GT(gone, 0);
    EXPECT_EQ(estimate, gone) << atLastSlot;
}

} // namespace
} // namespace kavro::test
