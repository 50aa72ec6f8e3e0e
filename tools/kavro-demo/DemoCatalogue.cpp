#include "DemoCatalogue.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "catalogue/records/DiscRecords.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "changer/RetrieveLog.h"
#include "changer/TorvexCalls.h"
#include "content/DiscScan.h"
#include "platform/Drives.h"
#include "platform/Person.h"
#include "platform/Texts.h"
#include "shell/Settings.h"
#include "shell/SettingsKeys.h"
#include "DemoCover.h"
#include "DemoDiscs.h"

#include <chrono>
#include <ctime>
#include <fstream>
#include <map>
#include <system_error>

namespace kavro {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCatalogueFile = "KAVRO2.MDB";

// Nobody is asked anything while the demo is made; a message would mean a fault.
class QuietPerson final : public Person {
public:
    BoxAnswer messageBox(const std::string& text, const std::string&, BoxIcon, BoxButtons,
                         std::optional<BoxAnswer>) override
    {
        if (message.empty())
            message = text;
        return BoxAnswer::Ok;
    }
    std::optional<std::string> inputBox(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::optional<std::string> chooseFile(const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    void progress(int, int, const std::string&) override {}

    std::string message;
};

// The registry is written without talking to any cabinet.
class NoCabinets final : public TorvexCalls {
public:
    static constexpr int NoDevice = 1;
    int InitUSBKavro() override { return NoDevice; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return 0; }
    int EnumDevice(int) override { return 0; }
    int USBCDReset(int) override { return NoDevice; }
    int USBCDMoveto(int, int) override { return NoDevice; }
    int USBCDGetCDDown(int) override { return NoDevice; }
    int USBCDLEDON(int) override { return NoDevice; }
    int USBCDLEDOFF(int) override { return NoDevice; }
    int USBCDGetStatus(int) override { return NoDevice; }
    int USBCDGetType(int, char*, int*) override { return NoDevice; }
    int USBCDGetDriveCD(int) override { return 0; }
    int USBCDMovetoDrive(int, int) override { return NoDevice; }
    int USBCDEject(int) override { return NoDevice; }
    int GetDriveCounter(int, int*) override { return NoDevice; }
    int USBCDchanged() override { return 0; }
};

// "YYYY-MM-DD HH:MM:SS" as local time.
std::chrono::system_clock::time_point localTime(const std::string& text)
{
    std::tm tm{};
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &tm.tm_year, &tm.tm_mon, &tm.tm_mday, &tm.tm_hour,
                &tm.tm_min, &tm.tm_sec);
    tm.tm_year -= 1900;
    tm.tm_mon -= 1;
    tm.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

// Lays out a disc's files: sparse files of the listed sizes, dated in the days before the disc
// was catalogued.
void writeDiscFolder(const fs::path& root, const DemoDisc& disc)
{
    fs::create_directories(root);
    const auto catalogued = localTime(disc.created);
    int n = 0;
    for (const DemoFile& file : disc.files) {
        const fs::path path = root / file.path;
        ++n;
        if (!file.path.empty() && file.path.back() == '/') {
            fs::create_directories(path);
            continue;
        }
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary).close();
        fs::resize_file(path, static_cast<std::uintmax_t>(file.size));
        const auto written = catalogued - std::chrono::hours(24 * (n % 9) + n % 7);
        fs::last_write_time(path, std::chrono::file_clock::from_sys(written));
    }
}

// The disc's folder as the drive the scan reads, then its tree scanned into the current tree.
bool scanDiscFolder(Catalogue& catalogue, const fs::path& folder, Clock& clock)
{
    const std::string mapping = folder.string() + ";cdrom";
    const Drives drives =
        Drives::build(Drives::System{}, [&](char letter) { return letter == 'E' ? mapping : std::string(); });
    const ScanSummary scan = ScanDiscTree(catalogue.fileTree(), 'E', drives, clock);
    return scan.rootListed && !scan.limitReached;
}

DemoSummary failed(std::string why)
{
    DemoSummary s;
    s.error = std::move(why);
    return s;
}

int addCategories(Catalogue& catalogue, std::map<int, std::string>& names)
{
    if (!LoadCategories(catalogue).ok())
        return -1;
    CategoryList& list = catalogue.categories();
    std::map<int, TreeNode*> nodes;
    for (const DemoCategory& c : DemoCategories()) {
        TreeNode* parent = c.parentId == 0 ? catalogue.categoryTree().categoryRoot() : nodes.at(c.parentId);
        TreeNode& node = parent->addChild(c.name);
        node.image = 14;
        node.selectedImage = 15;
        list.add(c.id, node);
        list.nextCategoryId = std::max(list.nextCategoryId, c.id);
        nodes[c.id] = &node;
        names[c.id] = c.name;
    }
    return static_cast<int>(nodes.size());
}

bool moveIfMissing(const fs::path& from, const fs::path& to)
{
    std::error_code ec;
    if (!fs::exists(from, ec) || fs::exists(to, ec))
        return true;
    fs::create_directories(to.parent_path(), ec);
    fs::rename(from, to, ec);
    if (ec) {
        // Another file system: copy instead.
        ec.clear();
        fs::copy_file(from, to, ec);
    }
    return !ec;
}

DemoSummary makeIn(const fs::path& scratch, const Texts& texts, Clock& clock)
{
    DemoSummary summary;
    QuietPerson person;
    Catalogue catalogue(scratch, person, texts, clock);
    if (auto s = catalogue.open(); !s)
        return failed(s.error());

    // Categories: the mirror file keeps their nesting. The table has no parent column and is read
    // in place of the file whenever it has rows, so it is left empty: the first start reads the
    // nested categories from the file and fills the table itself.
    std::map<int, std::string> categoryNames;
    summary.categories = addCategories(catalogue, categoryNames);
    if (summary.categories < 0)
        return failed("The categories could not be loaded.");
    if (auto saved = SaveCategories(catalogue); !saved || saved.value() != summary.categories)
        return failed("Data/category.txt could not be written.");
    if (auto s = catalogue.command().execute("Delete FROM CATEGORY"); !s)
        return failed(s.error());

    NoCabinets cabinets;
    ChangerContext changer(catalogue, cabinets, person, clock, texts);
    std::map<int, std::string> models;
    for (const DemoMachine& m : DemoMachines()) {
        MachineEntry entry;
        entry.DeviceId = m.id;
        entry.name = m.name;
        entry.model = m.model;
        entry.active = 1;
        changer.machines.add(entry);
        models[m.id] = m.model;
    }
    if (auto saved = SaveRegistry(changer); !saved || saved.value() != 0)
        return failed("The cabinets could not be registered.");
    summary.machines = changer.machines.count();

    std::map<std::pair<int, int>, std::string> titles;
    int hue = 200;
    for (const DemoDisc& disc : DemoDiscs()) {
        DiscRecord& d = catalogue.currentDisc();
        d = DiscRecord{};
        d.machine = disc.machine;
        d.slot = disc.slot;
        d.categoryId = disc.categoryId;
        d.categoryName = categoryNames[disc.categoryId];
        d.title = disc.title;
        d.barcode = disc.barcode;
        d.remark = disc.remark;
        d.other = disc.other;
        d.volume = disc.volume;
        d.serial = disc.serial;
        d.fileSystem = disc.fileSystem;
        d.created = disc.created;
        d.deviceType = models[disc.machine];
        if (disc.cover) {
            d.picture = DrawDemoCover(disc.title, categoryNames[disc.categoryId], hue);
            hue += 67;
            ++summary.pictures;
        }

        const fs::path folder = scratch / "discs" / std::to_string(summary.discs);
        writeDiscFolder(folder, disc);
        if (!scanDiscFolder(catalogue, folder, clock))
            return failed("The files of \"" + disc.title + "\" could not be scanned.");
        fs::remove_all(folder);
        if (catalogue.fileTree().hasTree())
            ++summary.discsWithTree;

        DiscCursor& cursor = catalogue.discCursor();
        if (auto s = cursor.append(); !s)
            return failed(s.error());
        if (auto s = WriteDiscRecord(catalogue); !s)
            return failed(s.error());
        if (auto s = cursor.post(); !s)
            return failed(s.error());
        titles[{disc.machine, disc.slot}] = disc.title;
        ++summary.discs;
    }
    catalogue.fileTree().clear();

    for (const DemoTakeOut& t : DemoTakeOuts()) {
        RetrieveRecord record;
        record.title = titles[{t.machine, t.slot}];
        record.machineName = changer.machines.MachineName(t.machine);
        record.slot = t.slot;
        record.access = t.takeOut ? texts.text("3606", "取出") : texts.text("3605", "置放");
        record.reason = t.reason;
        record.dateTime = t.dateTime;
        RetrieveLogFile log(catalogue.dataFolder() / "Retrieve.log");
        if (!log.append(record))
            return failed("Data/Retrieve.log could not be written.");
        ++summary.takeOuts;
    }

    // Take-outs are confirmed in the dialog and logged. No column widths: the lists fit their
    // titles as on any first start.
    Settings settings(scratch / "Data" / "Kavro.ini");
    if (!keys::write(settings, keys::RetrieveLog, 1))
        return failed("Data/Kavro.ini could not be written.");

    if (!person.message.empty())
        return failed(person.message);
    catalogue.close();
    summary.created = true;
    return summary;
}

} // namespace

DemoSummary MakeDemoCatalogue(const fs::path& programFolder, const Texts& texts, Clock& clock)
{
    std::error_code ec;
    if (fs::exists(programFolder / kCatalogueFile, ec))
        return {};
    const fs::path scratch = programFolder / "DemoCatalogue.tmp";
    fs::remove_all(scratch, ec);
    fs::create_directories(scratch / "Data", ec);
    if (ec)
        return failed("Cannot make " + scratch.string() + ": " + ec.message());

    DemoSummary summary;
    try {
        summary = makeIn(scratch, texts, clock);
    } catch (const std::exception& e) {
        summary = failed(e.what());
    }
    if (summary.created) {
        const fs::path data = programFolder / "Data";
        // The settings file may sit beside the program instead.
        const bool hasSettings = fs::exists(programFolder / "Kavro.ini", ec);
        for (const char* name : {"category.txt", "dbid.txt", "Retrieve.log", "Kavro.ini"}) {
            if (hasSettings && std::string_view(name) == "Kavro.ini")
                continue;
            if (!moveIfMissing(scratch / "Data" / name, data / name))
                summary = failed(std::string("Cannot write Data/") + name + ".");
        }
        if (summary.created && !moveIfMissing(scratch / kCatalogueFile, programFolder / kCatalogueFile))
            summary = failed(std::string("Cannot write ") + kCatalogueFile + ".");
    }
    fs::remove_all(scratch, ec);
    return summary;
}

} // namespace kavro
