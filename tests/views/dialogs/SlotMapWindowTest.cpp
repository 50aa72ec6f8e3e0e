// The slot map of a cabinet as the catalogue, the take-out log, the last cataloguing run and the
// drive make it: each slot's colour and hover text, click and double-click, one printed page.
#include "views/dialogs/CabinetWindowFixture.h"

#include "cataloguing/SlotMap.h"
#include "changer/ChangerActions.h"
#include "changer/DeviceMonitor.h"
#include "changer/RetrieveLog.h"
#include "views/dialogs/TfrmSlotMap.h"

#include <QImage>
#include <QPrinter>
#include <QTest>
#include <QToolButton>

#include <cstdlib>
#include <set>

namespace kavro::test {
namespace {

class SlotMapWindow : public CabinetWindowFixture {};

void takeOutLog(const std::filesystem::path& file, int slot, const char* access, const char* when)
{
    RetrieveLogFile log(file);
    ASSERT_TRUE(log.append({"title", "Drive", slot, access, "lent to Ann", when}));
}

TEST_F(SlotMapWindow, EachSlotShowsItsStateAndTitleAClickSelectsADoubleClickPresentsAndItPrintsOnOnePage)
{
    for (const auto& [slot, title] :
         {std::pair{1, "Holiday 2019"}, {2, "Photos"}, {3, "Taxes"}, {4, "Music"}, {6, "Lost"}})
        addRecord(slot, title);
    // Slot 1 was taken out and put back, slot 3 taken out while the program spoke English.
    const auto retrieveLog = dir.path() / "Data/Retrieve.log";
    takeOutLog(retrieveLog, 1, "取出", "2024-3-1 10:00");
    takeOutLog(retrieveLog, 1, "置放", "2024-3-2 11:00");
    takeOutLog(retrieveLog, 3, "Take Out", "2024-3-3 12:00");
    // A check finds another disc than its record in slot 4, slot 5 empty as the catalogue says, and
    // slot 6 empty where the catalogue has a disc.
    auto s = services();
    CabinetRunOptions check;
    check.machine = kDrive;
    check.slotNumbers = {4, 5, 6};
    check.existing = ExistingSlots::CheckOnly;
    const auto checked = CabinetRun(s, check).run();
    ASSERT_EQ(checked.size(), 3u);
    ASSERT_EQ(checked[0].outcome, SlotOutcome::DifferentDisc);
    // Slot 2's disc is in the drive, as the drive check reads it.
    ASSERT_TRUE(Acknowledged(ctx->torvex.USBCDMovetoDrive(kDrive, 2)));
    settle();
    ctx->CurrentMachine = kDrive;
    DriveCheckTick(*ctx);
    ASSERT_EQ(ctx->DriveSlot, 2);

    std::vector<int> selected;
    std::vector<int> presented;
    TfrmSlotMap window(
        QStringLiteral("Drive"), BuildSlotMap(*catalogue, *ctx, kDrive, 100, ctx->dataFolder()),
        [&](int slot) { selected.push_back(slot); }, [&](int slot) { presented.push_back(slot); }, texts);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle().toStdString(), "Slot Map - Drive");
    ASSERT_NE(window.slotButton(100), nullptr);
    EXPECT_EQ(window.slotButton(101), nullptr);

    const struct {
        int slot;
        SlotState state;
        const char* tip; // the hover text
    } cells[] = {
        {1, SlotState::Catalogued, "catalogued: Holiday 2019\n置放 2024-3-2 11:00: lent to Ann"},
        {2, SlotState::InDrive, "in the drive: Photos"},
        {3, SlotState::TakenOut, "taken out: Taxes\nTake Out 2024-3-3 12:00: lent to Ann"},
        {4, SlotState::Flagged, "flagged: Music\ndifferent disc: a different disc than catalogued: MUSIC"},
        {5, SlotState::Free, "free"},
        {6, SlotState::Flagged, "flagged: Lost\nempty"},
        {100, SlotState::Free, "free"},
    };
    for (const auto& c : cells) {
        SCOPED_TRACE(c.slot);
        QToolButton* b = window.slotButton(c.slot);
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->text().toStdString(), std::to_string(c.slot));
        // The colour the person sees, inside the cell's border.
        const QImage seen = b->grab().toImage();
        EXPECT_EQ(seen.pixelColor(3, seen.height() / 2).name(), TfrmSlotMap::colourOf(c.state).name());
        EXPECT_EQ(b->toolTip().toStdString().substr(0, std::string(c.tip).size()), c.tip);
    }
    // The five states look different.
    std::set<std::string> colours;
    for (const SlotState st : {SlotState::Free, SlotState::Catalogued, SlotState::TakenOut,
                               SlotState::InDrive, SlotState::Flagged})
        colours.insert(TfrmSlotMap::colourOf(st).name().toStdString());
    EXPECT_EQ(colours.size(), 5u);

    QTest::mouseClick(window.slotButton(1), Qt::LeftButton);
    QTest::mouseDClick(window.slotButton(4), Qt::LeftButton);
    EXPECT_EQ(presented, (std::vector<int>{4}));
    EXPECT_EQ(selected, (std::vector<int>{1}));

    // On one A4 page, and so is the map of a 150-slot cabinet.
    SlotMap wide;
    wide.cells.resize(150,
                      SlotInfo{SlotState::Catalogued, "A title long enough to need two lines or more", {}});
    TfrmSlotMap wideWindow(QStringLiteral("Archive"), wide, nullptr, nullptr, texts);
    for (TfrmSlotMap* map : {&window, &wideWindow}) {
        const std::string pdf = (dir.path() / "map.pdf").string();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(QString::fromStdString(pdf));
        printer.setPageSize(QPageSize(QPageSize::A4));
        map->printTo(printer);
        const std::string bytes = fileText(pdf);
        std::size_t pages = 0;
        for (std::size_t at = bytes.find("/Type /Page"); at != std::string::npos;
             at = bytes.find("/Type /Page", at + 1))
            pages += bytes.compare(at, 12, "/Type /Pages") != 0 ? 1 : 0;
        EXPECT_EQ(pages, 1u);
        EXPECT_NE(bytes.find("/MediaBox [0 0 595.000000 842.000000]"), std::string::npos);
        if (const char* keep = std::getenv("KAVRO_KEEP_PDF"))
            std::filesystem::copy_file(pdf, keep + map->windowTitle().toStdString() + ".pdf",
                                       std::filesystem::copy_options::overwrite_existing);
    }
}

} // namespace
} // namespace kavro::test
