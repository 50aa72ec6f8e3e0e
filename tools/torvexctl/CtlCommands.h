#pragma once

#include <string>
#include <vector>

namespace torvexctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the cabinet refused or failed, or the library did
inline constexpr int kExitUsage = 2;  // the command line is wrong

// Runs one command ("move 0x0A0B0C 5") through the library's exports, after InitUSBKavro.
// Prints the outcome on stdout and problems on stderr; returns an exit code. `simulated`: the
// library talks to simulated cabinets, so there is no USB bus to look at for unopenable ones.
int runCommand(const std::vector<std::string>& words, bool simulated);

} // namespace torvexctl
