#include "CtlCommands.h"

#include "CtlArguments.h"

#include "torvex/CabinetProbe.h"
#include "torvex/torvex.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <thread>

namespace torvexctl {

namespace {

using Words = std::vector<std::string>;

int usage(const std::string& message)
{
    std::fprintf(stderr, "torvexctl: %s (see torvexctl --help)\n", message.c_str());
    return kExitUsage;
}

std::vector<int> presentIds()
{
    std::vector<int> ids;
    const int count = GetDeviceNumber();
    for (int i = 0; i < count; ++i)
        ids.push_back(EnumDevice(i));
    return ids;
}

// The id argument, checked against the machines found; prints why when it is not usable.
std::optional<int> machine(const std::string& command, const std::string& text, int& exitCode)
{
    const auto id = parseId(text);
    if (!id) {
        exitCode =
            usage("bad machine id '" + text + "' for " + command + ": give a number, decimal or 0x hex");
        return std::nullopt;
    }
    for (const int present : presentIds())
        if (present == *id)
            return id;
    std::fprintf(stderr,
                 "torvexctl: %s: no machine has id %s (USBCD_NO_DEVICE); 'torvexctl list' shows them\n",
                 command.c_str(), text.c_str());
    exitCode = kExitFailed;
    return std::nullopt;
}

std::optional<int> slot(const std::string& command, const std::string& text, int& exitCode)
{
    const auto value = parseSlot(text);
    if (!value)
        exitCode = usage("bad slot '" + text + "' for " + command + ": slots are numbered 1 to 255");
    return value;
}

// "+ACK" is an acknowledgement too: the program takes it for a ready machine.
bool acknowledged(int code)
{
    return code == USBCD_OK || code == USBCD_PLUS_ACK;
}

bool busy(int code)
{
    return code == USBCD_BUSY || code == USBCD_PLUS_BUSY;
}

int report(const std::string& what, int code, const std::string& detail = {}, bool ok = false)
{
    std::printf("%s: %s%s%s\n", what.c_str(), codeName(code).c_str(), detail.empty() ? "" : " ",
                detail.c_str());
    return ok || acknowledged(code) ? kExitOk : kExitFailed;
}

bool expectArgs(const Words& w, std::size_t min, std::size_t max, const std::string& form, int& exitCode)
{
    const std::size_t given = w.size() - 1;
    if (given >= min && given <= max)
        return true;
    exitCode = usage("usage: " + form);
    return false;
}

int list(const Words& w, bool listUnopened)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 0, 0, "list", exitCode))
        return exitCode;
    const std::vector<int> ids = presentIds();
    std::printf("%zu machine%s\n", ids.size(), ids.size() == 1 ? "" : "s");
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const int id = ids[i];
        std::string line = "#" + std::to_string(i) + "  id " + idText(id);
        if (id >= 0)
            line += " (" + std::to_string(id) + ")";
        std::size_t first = i;
        for (std::size_t j = 0; j < i && first == i; ++j)
            if (ids[j] == id)
                first = j;
        if (first != i) {
            // Every request with this id reaches the first machine: its model is not this one's.
            line += "  (same id as #" + std::to_string(first) + ": not reachable)";
        } else {
            char model[129] = {};
            int length = 0;
            if (USBCDGetType(id, model, &length) == USBCD_OK)
                line += "  model " + std::string(model, static_cast<std::size_t>(length)) + "  drive yes";
            else
                line += "  drive no";
        }
        std::printf("%s\n", line.c_str());
    }
    if (!listUnopened)
        return kExitOk;
    // The library knows only machines it could open; a cabinet the user may not open would
    // otherwise be silently absent.
    const std::vector<torvex::UnopenedCabinet> unopened = torvex::probeUnopenedUsbCabinets();
    for (const torvex::UnopenedCabinet& cabinet : unopened) {
        std::printf("cabinet at %s (04b4:5a9b) cannot be opened: %s\n", cabinet.path.c_str(),
                    torvex::openFailureText(cabinet.failure).c_str());
        const std::string fix = torvex::openFailureFix(cabinet.failure);
        if (!fix.empty())
            std::printf("  fix: %s\n", fix.c_str());
    }
    return unopened.empty() ? kExitOk : kExitFailed;
}

// Commands of the form "NAME ID" that answer a result code.
int simple(const Words& w, const std::function<int(int)>& call)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 1, w[0] + " ID", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    return report(w[0] + " " + w[1], call(*id));
}

int withSlot(const Words& w, int (*call)(int, int))
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 2, 2, w[0] + " ID SLOT", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    const auto s = slot(w[0], w[2], exitCode);
    if (!s)
        return exitCode;
    return report(w[0] + " " + w[1] + " " + std::to_string(*s), call(*id, *s));
}

int status(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 1, "status ID", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    // A status answer, moving or not, is what was asked for; only a failure is one.
    const int code = USBCDGetStatus(*id);
    const char* meaning = acknowledged(code) ? "(ready)" : busy(code) ? "(moving)" : "";
    return report("status " + w[1], code, meaning, acknowledged(code) || busy(code));
}

int drive(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 1, "drive ID", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    const std::string& name = w[1];
    const int s = USBCDGetDriveCD(*id);
    if (s == 'B') {
        std::printf("drive %s: slot 66 (also what a busy machine answers)\n", name.c_str());
    } else if (s != 0) {
        std::printf("drive %s: slot %d\n", name.c_str(), s);
    } else {
        // The library answers 0 for an empty drive and for no answer alike: a machine that
        // still answers its model and status has answered, one that does not has not.
        char model[129] = {};
        const int type = USBCDGetType(*id, model, nullptr);
        const int status = type == USBCD_OK ? USBCDGetStatus(*id) : type;
        if (type != USBCD_OK || status == USBCD_FAIL || status == USBCD_NO_DEVICE) {
            std::printf("drive %s: no answer (%s)\n", name.c_str(),
                        type != USBCD_OK ? "no drive, or the request failed" : codeName(status).c_str());
            return kExitFailed;
        }
        std::printf("drive %s: empty\n", name.c_str());
    }
    return kExitOk;
}

int type(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 1, "type ID", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    char model[129] = {};
    int length = 0;
    const int code = USBCDGetType(*id, model, &length);
    if (code != USBCD_OK)
        return report("type " + w[1], code, "(no drive, or the model text could not be read)");
    return report("type " + w[1], code, std::string(model, static_cast<std::size_t>(length)));
}

int counter(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 1, "counter ID", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    int value = 0;
    const int code = GetDriveCounter(*id, &value);
    return report("counter " + w[1], code, code == USBCD_OK ? std::to_string(value) : std::string());
}

int power(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 2, 2, "power on|off ID", exitCode))
        return exitCode;
    if (w[1] != "on" && w[1] != "off")
        return usage("power takes 'on' or 'off', not '" + w[1] + "'");
    const auto id = machine("power", w[2], exitCode);
    if (!id)
        return exitCode;
    const int code = w[1] == "on" ? USBCDLEDON(*id) : USBCDLEDOFF(*id);
    return report("power " + w[1] + " " + w[2], code);
}

// Polls the status until the machine no longer answers busy.
int waitReady(const Words& w)
{
    int exitCode = kExitOk;
    if (!expectArgs(w, 1, 2, "wait ID [SECONDS]", exitCode))
        return exitCode;
    const auto id = machine(w[0], w[1], exitCode);
    if (!id)
        return exitCode;
    long seconds = 30;
    if (w.size() > 2) {
        const auto value = parseCount(w[2], 3600);
        if (!value)
            return usage("bad time '" + w[2] + "' for wait: whole seconds, 0 to 3600");
        seconds = *value;
    }
    using clock = std::chrono::steady_clock;
    const auto start = clock::now();
    const auto deadline = start + std::chrono::seconds(seconds);
    for (;;) {
        const int code = USBCDGetStatus(*id);
        if (!busy(code)) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(clock::now() - start).count();
            return report("wait " + w[1], code, "after " + std::to_string(ms) + " ms");
        }
        if (clock::now() >= deadline)
            return report("wait " + w[1], code, "(still busy after " + std::to_string(seconds) + " s)");
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long>(200, seconds * 1000)));
    }
}

// Polls USBCDchanged and prints the machines that came and went since the previous poll.
int watch(const Words& w)
{
    long count = -1;
    long intervalMs = 1000;
    for (std::size_t i = 1; i < w.size(); ++i) {
        if (w[i] == "--interval" && i + 1 < w.size()) {
            const auto value = parseCount(w[++i], 3600000);
            if (!value)
                return usage("bad interval '" + w[i] + "' for watch: milliseconds");
            intervalMs = *value;
        } else if (count < 0 && parseCount(w[i], 1000000000)) {
            count = *parseCount(w[i], 1000000000);
        } else {
            return usage("usage: watch [COUNT] [--interval MS]");
        }
    }
    std::vector<int> before = presentIds();
    std::printf("watching %zu machine%s%s\n", before.size(), before.size() == 1 ? "" : "s",
                count < 0 ? " (Ctrl+C ends)" : "");
    std::fflush(stdout);
    for (long poll = 0; count < 0 || poll < count; ++poll) {
        std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
        const int code = USBCDchanged();
        if (code == USBCD_FAIL) {
            std::printf("device list unobtainable: %s\n", codeName(code).c_str());
            std::fflush(stdout);
            continue;
        }
        const std::vector<int> now = presentIds();
        std::map<int, int> difference; // id -> how many more are present now
        for (const int id : now)
            ++difference[id];
        for (const int id : before)
            --difference[id];
        for (const auto& [id, delta] : difference) {
            for (int i = 0; i < delta; ++i)
                std::printf("plugged   %s\n", idText(id).c_str());
            for (int i = 0; i > delta; --i)
                std::printf("unplugged %s\n", idText(id).c_str());
        }
        std::fflush(stdout);
        before = now;
    }
    return kExitOk;
}

} // namespace

int runCommand(const Words& w, bool simulated)
{
    if (w.empty())
        return usage("no command given");
    const std::string& name = w[0];
    if (name == "list")
        return list(w, !simulated);
    if (name == "status")
        return status(w);
    if (name == "move")
        return withSlot(w, USBCDMoveto);
    if (name == "load")
        return withSlot(w, USBCDMovetoDrive);
    if (name == "eject")
        return simple(w, USBCDEject);
    if (name == "down")
        return simple(w, USBCDGetCDDown);
    if (name == "reset")
        return simple(w, USBCDReset);
    if (name == "clear-counter")
        return simple(w, ClearDriveCounter);
    if (name == "drive")
        return drive(w);
    if (name == "type")
        return type(w);
    if (name == "counter")
        return counter(w);
    if (name == "power")
        return power(w);
    if (name == "wait")
        return waitReady(w);
    if (name == "watch")
        return watch(w);
    return usage("unknown command '" + name + "'");
}

} // namespace torvexctl
