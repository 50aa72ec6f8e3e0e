// The machine list Data/dbid.txt over arbitrary bytes: its lines as split and parsed, the list
// loaded into an empty registry, and that registry loaded again from the rows it wrote.
#include "FuzzScratch.h"

#include "catalogue/records/Catalogue.h"
#include "changer/ChangerContext.h"
#include "changer/MachineRegistry.h"
#include "changer/TorvexCalls.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include "support/QuietPerson.h"
#include "support/VirtualClock.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

using kavro::fuzz::check;

namespace {

// Machines that answer status and type as the input says, the same for every id.
class ScriptedCabinets final : public kavro::TorvexCalls {
public:
    int status = 0;
    bool driveModel = false;

    int InitUSBKavro() override { return 0; }
    int CloseUSBKavro() override { return 0; }
    int GetDeviceNumber() override { return 0; }
    int EnumDevice(int) override { return 1; }
    int USBCDReset(int) override { return status; }
    int USBCDMoveto(int, int) override { return status; }
    int USBCDGetCDDown(int) override { return status; }
    int USBCDLEDON(int) override { return status; }
    int USBCDLEDOFF(int) override { return status; }
    int USBCDGetStatus(int) override { return status; }
    int USBCDGetType(int, char* text, int* length) override
    {
        const char* model = driveModel ? "KZ350VN" : "1234567X";
        std::strcpy(text, model);
        *length = static_cast<int>(std::strlen(model));
        return 0;
    }
    int USBCDGetDriveCD(int) override { return 0; }
    int USBCDMovetoDrive(int, int) override { return status; }
    int USBCDEject(int) override { return status; }
    int GetDriveCounter(int, int* counter) override
    {
        *counter = 0;
        return 0;
    }
    int USBCDchanged() override { return 0; }
};

struct Session {
    kavro::test::QuietPerson person{true};
    kavro::test::VirtualClock clock;
    kavro::DefaultTexts texts;
    ScriptedCabinets cabinets;
    std::unique_ptr<kavro::Catalogue> catalogue;
};

Session& session()
{
    static Session* const s = [] {
        auto* made = new Session;
        const auto folder = kavro::fuzz::scratchFolder() / "program";
        std::filesystem::create_directories(folder / "Data");
        made->catalogue = std::make_unique<kavro::Catalogue>(folder, made->person, made->texts, made->clock);
        if (const kavro::DbStatus opened = made->catalogue->open(); !opened) {
            std::fprintf(stderr, "%s\n", opened.error().c_str());
            std::abort();
        }
        return made;
    }();
    return *s;
}

using Machines = std::vector<std::pair<int, std::string>>;

Machines machinesOf(const kavro::ChangerContext& ctx)
{
    Machines out;
    for (int i = 0; i < ctx.machines.count(); ++i)
        out.emplace_back(ctx.machines.entry(i).DeviceId, ctx.machines.entry(i).name);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    Session& s = session();
    s.cabinets.status = in.ConsumeIntegralInRange<int>(0, 3);
    s.cabinets.driveModel = in.ConsumeBool();
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    std::map<int, bool> firstLineNamed; // per id: whether its first line gives a name
    for (const std::string& line : kavro::MachineListLines(bytes)) {
        check(!line.empty() && line.find_first_of("\r\n") == std::string::npos, "a list line is one line");
        check(kavro::text::isValidUtf8(line), "list lines are UTF-8");
        const kavro::MachineListLine parsed = kavro::ParseMachineListLine(line);
        check(parsed.hasName == !parsed.name.empty(), "a name is there or not");
        check(parsed.name.find(',') == std::string::npos, "a name is one field");
        check(kavro::text::isValidUtf8(parsed.name), "names are UTF-8");
        if (parsed.id > 0)
            firstLineNamed.emplace(parsed.id, parsed.hasName);
    }

    kavro::Catalogue& catalogue = *s.catalogue;
    check(catalogue.database().exec("DELETE FROM CDDEVICE").ok(), "table emptied");
    kavro::fuzz::scratchFile("program/Data/dbid.txt", bytes);

    Machines fromList;
    {
        kavro::ChangerContext ctx(catalogue, s.cabinets, s.person, s.clock, s.texts);
        const auto loaded = kavro::LoadRegistry(ctx);
        check(loaded.ok(), "a machine list always loads");
        check(*loaded == ctx.machines.count() && *loaded <= kavro::MachineTable::kCapacity, "registry size");
        std::set<int> ids;
        for (int i = 0; i < ctx.machines.count(); ++i) {
            const auto& e = ctx.machines.entry(i);
            check(e.DeviceId > 0 && ids.insert(e.DeviceId).second, "ids are positive and unique");
            check(!e.name.empty() && kavro::text::isValidUtf8(e.name), "every machine has a name");
        }
        fromList = machinesOf(ctx);
    }

    // The named machines were written as rows; the next start reads them from there.
    kavro::ChangerContext again(catalogue, s.cabinets, s.person, s.clock, s.texts);
    const auto reloaded = kavro::LoadRegistry(again);
    check(reloaded.ok(), "the rows load");
    Machines named;
    for (const auto& m : fromList)
        if (firstLineNamed[m.first])
            named.push_back(m);
    if (!named.empty() && machinesOf(again) != named) {
        for (const auto& [id, name] : named)
            std::fprintf(stderr, "listed %d [%zu] %s\n", id, name.size(), kavro::fuzz::hex(name).c_str());
        for (const auto& [id, name] : machinesOf(again))
            std::fprintf(stderr, "stored %d [%zu] %s\n", id, name.size(), kavro::fuzz::hex(name).c_str());
        kavro::fuzz::fail("the rows give the named machines back");
    }
    return 0;
}
