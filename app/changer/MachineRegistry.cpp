#include "changer/MachineRegistry.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/database/Query.h"
#include "catalogue/database/SqliteColumns.h"
#include "changer/ChangerContext.h"
#include "changer/DeviceMonitor.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "shell/FileIo.h"

#include "torvex/torvex.h"

#include <charconv>
#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

namespace kavro {

namespace {

constexpr std::string_view kInsertDevice = "INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) "
                                           "Values(:DEVICENO,:DEVICENAME,:DEVICETYPE,:DEVICEACT)";
constexpr std::string_view kProbeDevice = "SELECT DEVICENO FROM CDDEVICE WHERE DEVICENO=:DEVICENO";
constexpr std::string_view kUpdateDevice =
    "Update CDDEVICE SET DEVICENAME=:DEVICENAME,DEVICETYPE=:DEVICETYPE,"
    "DEVICEACT=:DEVICEACT WHERE DEVICENO=:DEVICENO";
constexpr std::string_view kSaveInsertDevice =
    "INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE,DEVICEACT) "
    "VALUES(:DEVICENO,:DEVICENAME,:DEVICETYPE,:DEVICEACT)";
constexpr std::string_view kListInsertDevice =
    "INSERT INTO CDDEVICE(DEVICENO,DEVICENAME,DEVICETYPE) VALUES(:DEVICENO,:DEVICENAME,:DEVICETYPE)";
constexpr std::size_t kListLineChars = 254;
constexpr std::size_t kListFileBytes = 1024 * 1024;

// A whole decimal number with an optional sign, blanks around it allowed.
std::optional<int> parseDecimal(std::string_view s)
{
    const std::string t = text::trimBlanks(s);
    std::string_view digits = t;
    if (!digits.empty() && digits.front() == '+')
        digits.remove_prefix(1);
    if (digits.empty())
        return std::nullopt;
    int value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec != std::errc() || end != digits.data() + digits.size())
        return std::nullopt;
    return value;
}

std::filesystem::path machineListFile(const ChangerContext& ctx)
{
    return ctx.dataFolder() / "dbid.txt";
}

bool isDriveModel(ChangerContext& ctx, int id)
{
    std::string model;
    return ctx.torvex.USBCDGetType(id, model) == 0 && model == ctx.DefaultModel;
}

void showDriveMachine(ChangerContext& ctx, const std::string& name)
{
    ctx.display.addMachineName(name);
    ctx.display.setMachineNameText(name);
}

DbResult<int> loadFromList(ChangerContext& ctx)
{
    const auto bytes = readWholeFile(machineListFile(ctx), kListFileBytes);
    if (!bytes)
        return 0;
    Query insert(ctx.catalogue.database());
    for (const std::string& line : MachineListLines(*bytes)) {
        if (ctx.machines.full())
            break;
        const MachineListLine parsed = ParseMachineListLine(line);
        // Ids are positive; a repeated id would make a second entry for one machine.
        if (parsed.id <= 0 || ctx.machines.find(parsed.id) != nullptr)
            continue;
        MachineEntry entry;
        entry.DeviceId = parsed.id;
        if (parsed.hasName) {
            entry.name = parsed.name;
            if (ctx.torvex.USBCDGetStatus(parsed.id) == 0)
                showDriveMachine(ctx, entry.name);
            insert.setSql(kListInsertDevice);
            insert.setParam("DEVICENO", std::to_string(parsed.id));
            insert.setParam("DEVICENAME", entry.name);
            insert.setParam("DEVICETYPE", std::string());
            if (auto r = insert.execute(); !r)
                return r.status();
        } else {
            entry.name = "KAVRO_" + std::to_string(parsed.id);
        }
        ctx.machines.add(std::move(entry));
    }
    return ctx.machines.count();
}

DbResult<int> loadFromTable(ChangerContext& ctx, Query& table)
{
    for (table.first(); !table.eof(); table.next()) {
        if (ctx.machines.full())
            break;
        const DbValue number = table.field("DEVICENO");
        const int id = number.isNull() ? 0 : parseDecimal(number.asText()).value_or(0);
        if (id <= 0 || ctx.machines.find(id) != nullptr)
            continue;
        MachineEntry entry;
        entry.DeviceId = id;
        const DbValue name = table.field("DEVICENAME");
        entry.name = CutMachineName(text::trimBlanks(name.asText()));
        // An unusable empty name is shown as the number, like a missing one.
        if (name.isNull() || entry.name.empty())
            entry.name = std::to_string(id);
        entry.model = CutMachineModel(text::trimBlanks(table.field("DEVICETYPE").asText()));
        const DbValue active = table.field("DEVICEACT");
        entry.active = active.isNull() ? 0 : active.asInt();
        if (ctx.torvex.USBCDGetStatus(id) == 0) {
            entry.active = 1;
            if (isDriveModel(ctx, id)) {
                showDriveMachine(ctx, entry.name);
                ctx.CurrentMachine = id;
                ctx.CurrentSlot = 1;
            }
        }
        ctx.machines.add(std::move(entry));
    }
    return ctx.machines.count();
}

constexpr int kIdRetries = 3;
constexpr int kIdRetryWaitMs = 1000;

// The ids of the machines present, listed anew. A machine that answered its id request with a
// reply word or not at all (moving, or just plugged in) is asked again after a wait; one that
// never gives its id is left out rather than registered under a made-up number.
std::vector<int> listMachineIds(ChangerContext& ctx, int& count)
{
    std::vector<int> ids;
    for (int attempt = 0;; ++attempt) {
        ctx.torvex.CloseUSBKavro();
        ctx.torvex.InitUSBKavro();
        count = ctx.torvex.GetDeviceNumber();
        ids.clear();
        bool unread = false;
        for (int i = 0; i < count; ++i) {
            const int id = ctx.torvex.EnumDevice(i);
            if (IsMachineId(id))
                ids.push_back(id);
            else
                unread = true;
        }
        if (!unread || attempt + 1 >= kIdRetries)
            return ids;
        ctx.clock.sleep(kIdRetryWaitMs);
    }
}

DbStatus rescan(ChangerContext& ctx)
{
    int n = 0;
    const std::vector<int> ids = listMachineIds(ctx, n);
    ctx.KnownMachineCount = n;
    ctx.DriveMachineCount = 0;
    if (ctx.display.machineNames().size() != static_cast<std::size_t>(n < 0 ? 0 : n))
        ctx.display.clearMachineNames();

    Query insert(ctx.catalogue.database());
    for (const int id : ids) {
        // EnumDevice's own codes (1, 3) are no ids: the library must know the machine.
        if (ctx.machines.find(id) == nullptr && ctx.torvex.USBCDGetStatus(id) == USBCD_NO_DEVICE)
            continue;
        if (RegisterMachine(ctx, id) == 1) {
            MachineEntry& entry = ctx.machines.pending();
            if (ctx.torvex.USBCDGetStatus(id) == 0)
                entry.active = 1;
            std::string model;
            if (ctx.torvex.USBCDGetType(id, model) != 0)
                model.clear();
            entry.model = CutMachineModel(model);
            if (!model.empty() && model == ctx.DefaultModel) {
                showDriveMachine(ctx, entry.name);
                ++ctx.DriveMachineCount;
            }
            insert.setSql(kInsertDevice);
            insert.setParam("DEVICENO", std::to_string(id));
            insert.setParam("DEVICENAME", entry.name);
            insert.setParam("DEVICETYPE", entry.model);
            insert.setParam("DEVICEACT", entry.active);
            if (auto r = insert.execute(); !r)
                return r.status();
            ctx.machines.raiseCount();
            continue;
        }
        // Known machines, and ones the table cannot take. A machine whose id could not be read
        // has no name to choose it by, so it stays out of the box.
        if (id <= 0 || !isDriveModel(ctx, id))
            continue;
        const std::string name = ctx.machines.MachineName(id);
        if (!ctx.display.hasMachineName(name))
            showDriveMachine(ctx, name);
        ++ctx.DriveMachineCount;
    }
    return {};
}

} // namespace

void OpenChangers(ChangerContext& ctx)
{
    ctx.DefaultModel = "KZ350VN";
    ctx.torvex.InitUSBKavro();
    ctx.KnownMachineCount = ctx.torvex.GetDeviceNumber();
    ctx.DriveMachineCount = 0;
}

DbResult<int> LoadRegistry(ChangerContext& ctx)
{
    ctx.machines.clear();
    ctx.display.clearMachineNames();
    Query table(ctx.catalogue.database());
    table.setSql("SELECT DEVICENO, DEVICENAME, DEVICETYPE, DEVICEACT FROM CDDEVICE ORDER BY rowid");
    if (auto s = table.open(); !s)
        return s;
    auto loaded = table.isEmpty() ? loadFromList(ctx) : loadFromTable(ctx, table);
    table.close();
    ctx.display.setMachineBarShown(ctx.DriveMachineCount >= 1);
    return loaded;
}

DbStatus RescanMachines(ChangerContext& ctx)
{
    if (ctx.rescanRunning)
        return {};
    ctx.rescanRunning = true;
    DbStatus status;
    try {
        status = rescan(ctx);
    } catch (const std::exception& e) {
        status = DbStatus::failure(e.what());
    }
    ctx.rescanRunning = false;
    if (!status) {
        // Monitoring picks the machines up again with the next change.
        ctx.deviceMonitor->start();
        return status;
    }
    ctx.display.setMachineBarShown(ctx.DriveMachineCount >= 1);
    return status;
}

bool IsMachineId(int id)
{
    if (id <= 0 || id > 0xFFFFFF)
        return false;
    // The first three letters of a reply read as an id: "BUSY" is 0x425553.
    static constexpr const char* kReplyWords[] = {"ACK", "+AC", "BUS", "+BU", "ERR", "NAK"};
    for (const char* word : kReplyWords) {
        const int asId = (word[0] << 16) | (word[1] << 8) | word[2];
        if (id == asId)
            return false;
    }
    return true;
}

int RegisterMachine(ChangerContext& ctx, int id)
{
    if (!IsMachineId(id) || ctx.machines.full())
        return 0;
    if (ctx.machines.find(id) != nullptr)
        return 0;
    MachineEntry& entry = ctx.machines.pending();
    entry = MachineEntry{};
    entry.DeviceId = id;
    entry.name = "KAVRO" + std::to_string(id);

    const std::string prompt =
        "MachineNo is " + std::to_string(id) + "\r\n" + ctx.text("1057", "Please Input Machine Name:");
    for (;;) {
        const auto answer = ctx.person.inputBox("KAVRO 5.1 MachineNo", prompt, "");
        if (!answer)
            break;
        // Compared as it will be stored, so two machines never end up with one name.
        std::string name = CutMachineName(text::trimBlanks(*answer));
        if (name.empty())
            break;
        if (ctx.machines.MachineByName(name) != 0)
            continue;
        entry.name = std::move(name);
        break;
    }
    return 1;
}

DbResult<int> SaveRegistry(ChangerContext& ctx)
{
    Database& db = ctx.catalogue.database();
    Query probe(db);
    Query change(db);
    for (int i = 0; i < ctx.machines.count(); ++i) {
        const MachineEntry& entry = ctx.machines.entry(i);
        const std::string number = std::to_string(entry.DeviceId);
        probe.setSql(kProbeDevice);
        probe.setParam("DEVICENO", number);
        if (auto s = probe.open(); !s)
            return s;
        change.setSql(probe.isEmpty() ? kSaveInsertDevice : kUpdateDevice);
        probe.close();
        change.setParam("DEVICENO", number);
        change.setParam("DEVICENAME", CutMachineName(entry.name));
        change.setParam("DEVICETYPE", CutMachineModel(entry.model));
        change.setParam("DEVICEACT", entry.active);
        if (auto r = change.execute(); !r)
            return r.status();
    }

    std::string list;
    for (int i = 0; i < ctx.machines.count(); ++i) {
        const MachineEntry& entry = ctx.machines.entry(i);
        if (entry.active == 1)
            continue;
        list += std::to_string(entry.DeviceId) + "," + entry.name + "," + entry.model + "\r\n";
    }
    if (!replaceFile(machineListFile(ctx), list))
        return -1;
    return 0;
}

MachineListLine ParseMachineListLine(std::string_view line)
{
    MachineListLine parsed;
    const auto isBreak = [](char c) { return c == ',' || c == '\r' || c == '\n'; };
    std::size_t end = 0;
    while (end < line.size() && !isBreak(line[end]))
        ++end;
    parsed.id = parseDecimal(line.substr(0, end)).value_or(0);
    if (end >= line.size() || line[end] != ',')
        return parsed;
    const std::size_t start = end + 1;
    end = start;
    while (end < line.size() && !isBreak(line[end]))
        ++end;
    // Trimmed again after the cut, as the name reads back from its CHAR column at the next start.
    std::string name = text::trimBlanks(CutMachineName(text::trimBlanks(line.substr(start, end - start))));
    if (name.empty())
        return parsed;
    parsed.hasName = true;
    parsed.name = std::move(name);
    return parsed;
}

std::vector<std::string> MachineListLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        if (end > pos) {
            const std::string decoded = text::decodeLegacy(bytes.substr(pos, end - pos));
            lines.push_back(columns::cutToWidth(decoded, static_cast<int>(kListLineChars)));
        }
        pos = end + 1;
    }
    return lines;
}

} // namespace kavro
