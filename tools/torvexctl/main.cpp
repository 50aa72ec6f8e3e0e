// torvexctl: drives USB disc changers from the command line through libtorvex.
#include "CtlArguments.h"
#include "CtlCommands.h"

#include "torvex/torvex.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr const char* kHelp = R"(usage: torvexctl [--simulate FILE] COMMAND [ARGS] [';' COMMAND [ARGS]]...

Drives USB disc changers (04b4:5a9b) through libtorvex.

  list                   the machines found: id, model, whether they have a drive; and
                         cabinets on the bus that cannot be opened, with the reason and the fix
  status ID              ready (USBCD_OK, USBCD_PLUS_ACK) or moving (USBCD_BUSY, USBCD_PLUS_BUSY)
  move ID SLOT           bring a slot to the door
  down ID                put the disc at the door back into its slot
  load ID SLOT           load a slot's disc into the drive
  eject ID               return the drive's disc to its slot
  drive ID               which slot's disc is in the drive, or empty
  type ID                the model text (machines with a drive)
  counter ID             the drive's use counter
  clear-counter ID       set the drive's use counter to 0
  reset ID               reset the machine
  power on|off ID        power the machine on or off
  wait ID [SECONDS]      poll the status until the machine has stopped moving; gives up
                         after SECONDS (default 30, at most 3600)
  watch [COUNT] [--interval MS]
                         poll every second (or MS) and print machines plugged and unplugged;
                         COUNT polls, or until Ctrl+C

ID is a machine id as 'list' shows it, decimal or 0x hex; it is echoed as given. SLOT is 1 to 255.
Several commands run in one go when separated by ';' or '--'; the first failure stops them.
Each result is printed by name (USBCD_OK, USBCD_BUSY, ...). A moving machine answers every
command but 'status' and 'wait' with USBCD_BUSY: run 'wait ID' between movements.

  --simulate FILE        use the simulated cabinets described in FILE instead of USB
                         (the same as TORVEX_SIMULATOR=FILE); their state lasts one run
  -h, --help             this text

Exit status:
  0  done (a command acknowledged with USBCD_OK or USBCD_PLUS_ACK; status answered, moving or not)
  1  the machine refused or failed (USBCD_BUSY to a command, USBCD_FAIL, USBCD_ERRORn, no such
     machine, no answer, wait timed out), a cabinet cannot be opened, or the library could not start
  2  a wrong command line
)";

} // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words;
    const char* simulate = nullptr;
    int i = 1;
    for (; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kHelp, stdout);
            return torvexctl::kExitOk;
        }
        if (arg == "--simulate" || arg.rfind("--simulate=", 0) == 0) {
            simulate =
                arg == "--simulate" ? (i + 1 < argc ? argv[++i] : "") : argv[i] + std::strlen("--simulate=");
            if (*simulate == '\0') {
                std::fprintf(stderr, "torvexctl: --simulate needs a FILE (see torvexctl --help)\n");
                return torvexctl::kExitUsage;
            }
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "--") {
            std::fprintf(stderr, "torvexctl: unknown option '%s' (see torvexctl --help)\n", arg.c_str());
            return torvexctl::kExitUsage;
        } else {
            break;
        }
    }
    for (; i < argc; ++i)
        words.emplace_back(argv[i]);
    const auto commands = torvexctl::splitCommands(words);
    if (commands.empty()) {
        std::fputs(kHelp, stderr);
        return torvexctl::kExitUsage;
    }

    if (simulate != nullptr) {
        if (!std::ifstream(simulate)) {
            std::fprintf(stderr, "torvexctl: cannot read the simulator file '%s': %s\n", simulate,
                         std::strerror(errno));
            return torvexctl::kExitFailed;
        }
        // The library picks its transport at its first call.
        setenv("TORVEX_SIMULATOR", simulate, 1);
    }
    const char* simulator = std::getenv("TORVEX_SIMULATOR");
    const int init = InitUSBKavro();
    if (init != USBCD_OK) {
        if (simulator != nullptr && *simulator != '\0')
            std::fprintf(
                stderr, "torvexctl: the simulator file '%s' could not be read or parsed (InitUSBKavro: %s)\n",
                simulator, torvexctl::codeName(init).c_str());
        else
            std::fprintf(stderr, "torvexctl: the USB device list could not be obtained (InitUSBKavro: %s)\n",
                         torvexctl::codeName(init).c_str());
        return torvexctl::kExitFailed;
    }

    int exitCode = torvexctl::kExitOk;
    for (const auto& command : commands) {
        std::fflush(stdout);
        exitCode = torvexctl::runCommand(command, simulator != nullptr && *simulator != '\0');
        if (exitCode != torvexctl::kExitOk)
            break;
    }
    std::fflush(stdout);
    CloseUSBKavro();
    return exitCode;
}
