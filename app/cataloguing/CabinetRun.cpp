#include "cataloguing/CabinetRun.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueTime.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/records/DiscTree.h"
#include "cddb/DiscTitleLookup.h"
#include "changer/CabinetWait.h"
#include "changer/ChangerActions.h"
#include "changer/ChangerContext.h"
#include "content/DiscScan.h"
#include "content/DiscScanVolume.h"
#include "platform/CdToc.h"
#include "platform/Clock.h"
#include "platform/DiscMounter.h"
#include "platform/Drives.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include "torvex/torvex.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <ctime>
#include <set>

namespace kavro {

namespace {

std::string rootOf(char letter)
{
    return std::string(1, letter) + ":\\";
}

std::string existingWord(ExistingSlots e)
{
    switch (e) {
    case ExistingSlots::Skip:
        return "skip";
    case ExistingSlots::Refresh:
        return "refresh";
    case ExistingSlots::CheckOnly:
        return "check";
    }
    return "skip";
}

std::string nowText()
{
    const std::time_t t = std::time(nullptr);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

// The first line of a title lookup's text: the disc title ("Artist / Album").
std::string firstLine(const std::string& text)
{
    return text.substr(0, text.find_first_of("\r\n"));
}

std::string notAnswering(const Texts& t)
{
    return t.text("5280", "the cabinet does not answer");
}

std::string stayedBusy(const Texts& t)
{
    return t.text("5281", "the cabinet stayed busy");
}

std::string statusReason(const Texts& t, int status)
{
    switch (status) {
    case USBCD_NO_DEVICE:
    case USBCD_FAIL:
        return notAnswering(t);
    case USBCD_BUSY:
    case USBCD_PLUS_BUSY:
        return stayedBusy(t);
    default:
        return withArgs(t.text("5282", "the cabinet answered error %1"), {std::to_string(status)});
    }
}

} // namespace

const char* CabinetRun::stepText(Step step)
{
    switch (step) {
    case Step::Loading:
        return "loading";
    case Step::WaitingForDisc:
        return "waiting for the disc";
    case Step::Mounting:
        return "mounting the disc";
    case Step::Reading:
        return "reading";
    case Step::LookingUp:
        return "looking up titles";
    case Step::Writing:
        return "writing";
    case Step::Returning:
        return "returning";
    }
    return "";
}

std::string CabinetRun::stepText(const Texts& texts, Step step)
{
    return texts.text(std::to_string(5230 + static_cast<int>(step)), stepText(step));
}

CabinetRun::CabinetRun(CabinetRunServices& services, CabinetRunOptions options, Observer* observer)
    : m_s(services), m_options(std::move(options)), m_observer(observer), m_log(services.logFile)
{
}

void CabinetRun::resume(const UnfinishedRun& run)
{
    m_resumed = true;
    m_done = run.done;
}

void CabinetRun::step(Step s)
{
    if (m_observer)
        m_observer->stepStarted(s);
}

std::vector<SlotResult> CabinetRun::run()
{
    ChangerContext& ctx = m_s.changer;
    // The monitor and the drive check leave the cabinet to the run.
    CabinetWork work(ctx);
    std::set<int> finished;
    for (const SlotResult& r : m_done)
        finished.insert(r.slot);
    if (!m_resumed) {
        (void)m_log.append("run " + nowText() + " machine=" + std::to_string(m_options.machine) +
                           " slots=" + FormatSlotRanges(m_options.slotNumbers) +
                           " existing=" + existingWord(m_options.existing) +
                           " titles=" + (m_options.askTitles ? "1" : "0") +
                           " category=" + std::to_string(m_options.categoryId) +
                           " different=" + (m_options.overwriteDifferent ? "1" : "0"));
    }
    const int count = static_cast<int>(m_options.slotNumbers.size());
    for (int i = 0; i < count && !m_stopped && !m_cabinetGone; ++i) {
        const int slot = m_options.slotNumbers[static_cast<std::size_t>(i)];
        if (finished.count(slot) != 0)
            continue;
        if (m_observer)
            m_observer->slotStarted(i, count, slot);
        SlotResult result = catalogueSlot(slot);
        (void)m_log.append(SlotLine(result));
        if (m_observer)
            m_observer->slotDone(result);
        m_done.push_back(std::move(result));
        ctx.clock.processEvents();
    }
    if (!m_stopped && !m_cabinetGone)
        (void)m_log.append("end");
    // Results in the order of the slots asked for.
    std::vector<SlotResult> ordered;
    for (const int slot : m_options.slotNumbers)
        for (const SlotResult& r : m_done)
            if (r.slot == slot) {
                ordered.push_back(r);
                break;
            }
    return ordered;
}

SlotResult CabinetRun::load(int slot)
{
    ChangerContext& ctx = m_s.changer;
    const int machine = m_options.machine;
    SlotResult result{slot, SlotOutcome::Failed, {}, {}};
    step(Step::Loading);
    const int ready = ReadyAfterWait(ctx, machine);
    if (ready != 0) {
        result.reason = ready == 1 ? notAnswering(m_s.texts) : statusReason(m_s.texts, ready == 2 ? USBCD_BUSY : ready);
        m_cabinetGone = ready == 1;
        return result;
    }
    ctx.torvex.USBCDGetCDDown(machine);
    const auto inDrive = ReadDriveSlot(ctx, machine);
    if (!inDrive) {
        result.reason = m_s.texts.text("5283", "the drive could not be read");
        return result;
    }
    if (*inDrive != 0 && *inDrive != slot) {
        // A disc the run did not load goes home first; the drive takes one disc at a time.
        std::string why;
        if (!returnDisc(*inDrive, why)) {
            result.reason =
                withArgs(m_s.texts.text("5284", "slot %1's disc is in the drive: %2"), {std::to_string(*inDrive), why});
            return result;
        }
    }
    if (*inDrive != slot) {
        (void)m_log.append("load " + std::to_string(slot));
        const int loaded = ctx.torvex.USBCDMovetoDrive(machine, slot);
        if (loaded == USBCD_ERROR2) {
            (void)m_log.append("return " + std::to_string(slot));
            result.outcome = SlotOutcome::Empty;
            return result;
        }
        if (!Acknowledged(loaded)) {
            (void)m_log.append("return " + std::to_string(slot));
            result.reason = statusReason(m_s.texts, loaded);
            m_cabinetGone = loaded == USBCD_NO_DEVICE || loaded == USBCD_FAIL;
            return result;
        }
    } else {
        (void)m_log.append("load " + std::to_string(slot));
    }
    const auto held = ReadDriveSlot(ctx, machine, LoadingText(ctx, slot), m_s.cabinetPollMs);
    if (!held || *held != slot) {
        result.reason = held ? withArgs(m_s.texts.text("5285", "the drive holds slot %1"), {std::to_string(*held)})
                             : m_s.texts.text("5286", "the load did not finish");
        return result;
    }
    result.outcome = SlotOutcome::Catalogued; // loaded
    return result;
}

bool CabinetRun::returnDisc(int slot, std::string& reason)
{
    ChangerContext& ctx = m_s.changer;
    const int machine = m_options.machine;
    step(Step::Returning);
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (WaitUntilIdle(ctx, machine, ReturningText(ctx), kIdleWaitLimitMs, m_s.cabinetPollMs) != USBCD_OK)
            continue;
        const int result = ctx.torvex.USBCDEject(machine);
        if (!Acknowledged(result)) {
            reason = statusReason(m_s.texts, result);
            continue;
        }
        const auto inDrive = ReadDriveSlot(ctx, machine, ReturningText(ctx), m_s.cabinetPollMs);
        if (inDrive && *inDrive == 0) {
            (void)m_log.append("return " + std::to_string(slot));
            return true;
        }
        reason = m_s.texts.text("5287", "the disc did not leave the drive");
    }
    if (reason.empty())
        reason = stayedBusy(m_s.texts);
    return false;
}

SlotResult CabinetRun::catalogueSlot(int slot)
{
    Catalogue& catalogue = m_s.catalogue;
    ChangerContext& ctx = m_s.changer;
    const int machine = m_options.machine;
    SlotResult result{slot, SlotOutcome::Failed, {}, {}};

    const bool known = LocateDisc(catalogue, machine, slot) && ReadDiscRecord(catalogue);
    DiscRecord before = known ? catalogue.currentDisc() : DiscRecord{};
    const std::string storedPicture = known ? catalogue.discCursor().field("Pic").asText() : std::string();
    if (known && m_options.existing == ExistingSlots::Skip) {
        result.outcome = SlotOutcome::Skipped;
        result.title = before.title;
        return result;
    }

    SlotResult loaded = load(slot);
    if (loaded.outcome != SlotOutcome::Catalogued) {
        loaded.title = before.title;
        return loaded;
    }

    // From here the disc is in the drive: whatever happens, it goes back before the next slot.
    std::string mountedDevice; // mounted by the run, unmounted before the disc leaves
    auto finish = [&](SlotResult r) {
        if (!mountedDevice.empty() && !m_s.mounter->unmount(mountedDevice) && r.reason.empty())
            r.reason = withArgs(m_s.texts.text("5294", "%1 could not be unmounted"), {mountedDevice});
        std::string why;
        if (!returnDisc(slot, why)) {
            r.outcome = SlotOutcome::Failed;
            r.reason = withArgs(m_s.texts.text("5288", "the disc could not be returned: %1"), {why});
            m_cabinetGone = true; // a disc left in the drive stops the run
        }
        return r;
    };

    step(Step::WaitingForDisc);
    Drives drives = m_s.drives();
    const DriveMapping* mapping = m_s.driveLetter != 0 ? drives.find(m_s.driveLetter) : nullptr;
    const std::string device = mapping ? (mapping->device.empty() ? mapping->folder : mapping->device) : "";
    // A drive that stands for a device is read through its mount; a folder is read as it is.
    const bool needsMount = mapping != nullptr && !mapping->device.empty();
    auto mounted = [&] { return !needsMount || drives.rootPath(m_s.driveLetter).has_value(); };
    // An audio disc has no file system: its table of contents tells it.
    auto audioToc = [&]() -> std::optional<CdToc> {
        if (m_s.tocReader == nullptr || device.empty())
            return std::nullopt;
        CdTocResult toc = m_s.tocReader->read(device, m_s.clock);
        if (!toc.toc || toc.toc->trackStarts.empty())
            return std::nullopt;
        return toc.toc;
    };
    auto readVolume = [&]() -> std::optional<VolumeInfo> {
        return mapping != nullptr ? ReadVolumeInfo(rootOf(m_s.driveLetter), drives, m_s.clock) : std::nullopt;
    };
    std::optional<VolumeInfo> info;
    std::optional<CdToc> toc;
    std::string mountError = "nothing mounted it";
    const std::int64_t until = m_s.clock.nowMs() + m_s.readableWaitMs;
    for (;;) {
        info = readVolume();
        if (!info || info->fileSystem == "Audio CD")
            toc = audioToc();
        // A data disc the desktop did not mount is mounted read-only here, once it can be.
        if (!toc && !mounted() && m_s.mounter != nullptr) {
            step(Step::Mounting);
            const DiscMounter::Result r = m_s.mounter->mountReadOnly(device);
            if (r.mounted) {
                if (r.mountedNow)
                    mountedDevice = device;
                drives = m_s.drives();
                mapping = drives.find(m_s.driveLetter);
                info = readVolume();
            } else {
                mountError = r.error;
            }
        }
        // Stop does not cut this wait short: the slot under way is finished, and a drive still
        // spinning up is not an unreadable disc.
        if (toc || (info && mounted()) || m_s.clock.nowMs() >= until)
            break;
        m_s.clock.sleep(m_s.readablePollMs);
    }
    if (!toc && !mounted()) {
        SlotResult r{slot, SlotOutcome::Unreadable, before.title,
                     withArgs(m_s.texts.text("5290", "the disc could not be mounted: %1"), {mountError})};
        return finish(r);
    }

    // The titles of an audio disc come from the title source.
    std::string titles;
    const bool audio = toc.has_value();
    if (audio) {
        if (m_options.askTitles && m_s.titles != nullptr) {
            step(Step::LookingUp);
            m_s.titles->clearResult();
            if (m_s.titles->lookUp(*toc, m_s.settings, m_s.person, m_s.clock, m_s.texts) ==
                DiscTitleLookup::Found)
                titles = m_s.titles->resultText();
        }
        if (!info)
            info = VolumeInfo{"Audio CD", "0", "Audio CD"};
    }
    if (!info) {
        SlotResult r{slot, SlotOutcome::Unreadable, before.title,
                     m_s.texts.text("5289", "no disc could be read in the drive")};
        return finish(r);
    }

    step(Step::Reading);
    FileTree& tree = catalogue.fileTree();
    if (audio)
        ClearDiscTree(tree);
    else
        ScanDiscTree(tree, m_s.driveLetter, drives, m_s.clock);
    tree.machine = machine;
    tree.slot = slot;

    const bool sameDisc = known && before.volume == info->volume && before.serial == info->serial;
    if (known && !sameDisc) {
        const std::string what =
            withArgs(m_s.texts.text("5291", "a different disc than catalogued: %1 (%2) where the record has %3 (%4)"),
                     {info->volume, info->serial, before.volume, before.serial});
        if (m_options.existing == ExistingSlots::CheckOnly || !m_options.overwriteDifferent)
            return finish(SlotResult{slot, SlotOutcome::DifferentDisc, before.title, what});
    }
    if (m_options.existing == ExistingSlots::CheckOnly) {
        if (known)
            return finish(SlotResult{slot, SlotOutcome::Unchanged, before.title, {}});
        return finish(SlotResult{slot, SlotOutcome::NotCatalogued, {},
                                 withArgs(m_s.texts.text("5292", "holds %1"), {info->volume})});
    }

    step(Step::Writing);
    DiscRecord& d = catalogue.currentDisc();
    if (known) {
        d = before;
        d.picture = storedPicture;
    } else {
        d = DiscRecord{};
        d.machine = machine;
        d.slot = slot;
        d.categoryId = m_options.categoryId;
        d.categoryIndex = catalogue.categories().indexOfId(m_options.categoryId);
        d.created = CatalogueTimestamp(ctx.wallNow());
        d.deviceType = ctx.machines.MachineModel(machine);
        // A new disc is named by its volume label or its titles, never left without a name.
        d.title = !titles.empty() ? firstLine(titles) : text::trimBlanks(info->volume);
        if (d.title.empty())
            d.title = withArgs(m_s.texts.text("5295", "Slot %1"), {std::to_string(slot)});
        if (!titles.empty())
            d.remark = titles;
    }
    d.volume = info->volume;
    d.serial = info->serial;
    d.fileSystem = info->fileSystem;
    d.summary = DiscSummary(d, ctx.machines.MachineName(machine));

    const bool appended = !known || !LocateDisc(catalogue, machine, slot);
    if (const DbStatus s = StoreDiscRecord(catalogue, appended); !s) {
        return finish(SlotResult{slot, SlotOutcome::Failed, before.title, s.error()});
    }
    if (m_observer)
        m_observer->discWritten(machine, slot, appended);
    const SlotOutcome outcome = known ? SlotOutcome::Refreshed : SlotOutcome::Catalogued;
    return finish(SlotResult{slot, outcome, d.title,
                             known && !sameDisc ? m_s.texts.text("5293", "a different disc, written over") : ""});
}

bool ReturnDiscLeftInDrive(CabinetRunServices& services, const UnfinishedRun& run)
{
    ChangerContext& ctx = services.changer;
    CabinetWork work(ctx);
    const auto inDrive = ReadDriveSlot(ctx, run.machine);
    if (!inDrive)
        return false;
    if (*inDrive == 0)
        return true;
    if (WaitUntilIdle(ctx, run.machine, ReturningText(ctx)) != USBCD_OK ||
        !Acknowledged(ctx.torvex.USBCDEject(run.machine)))
        return false;
    const auto after = ReadDriveSlot(ctx, run.machine, ReturningText(ctx));
    if (!after || *after != 0)
        return false;
    (void)RunLog(services.logFile).append("return " + std::to_string(*inDrive));
    return true;
}

std::optional<std::vector<int>> ParseSlotRanges(std::string_view text, int lastSlot)
{
    std::vector<int> slotNumbers;
    std::set<int> seen;
    auto number = [](std::string_view s) -> std::optional<int> {
        while (!s.empty() && s.front() == ' ')
            s.remove_prefix(1);
        while (!s.empty() && s.back() == ' ')
            s.remove_suffix(1);
        int v = 0;
        const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
        if (s.empty() || ec != std::errc() || end != s.data() + s.size())
            return std::nullopt;
        return v;
    };
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string_view part = text.substr(at, comma - at);
        const std::size_t dash = part.find('-');
        const auto first = number(part.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : number(part.substr(dash + 1));
        if (!first || !last || *first < 1 || *last > lastSlot || *first > *last)
            return std::nullopt;
        for (int s = *first; s <= *last; ++s)
            if (seen.insert(s).second)
                slotNumbers.push_back(s);
        at = comma + 1;
    }
    if (slotNumbers.empty())
        return std::nullopt;
    return slotNumbers;
}

std::string FormatSlotRanges(const std::vector<int>& slots)
{
    std::string out;
    for (std::size_t i = 0; i < slots.size();) {
        std::size_t j = i;
        while (j + 1 < slots.size() && slots[j + 1] == slots[j] + 1)
            ++j;
        if (!out.empty())
            out += ',';
        out += std::to_string(slots[i]);
        if (j > i)
            out += '-' + std::to_string(slots[j]);
        i = j + 1;
    }
    return out;
}

} // namespace kavro
