#pragma once

#include <string>
#include <vector>

namespace torvexctl {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1; // the library answered a failure
inline constexpr int kExitUsage = 2;  // the command line is wrong

// Runs one command ("move 0x0A0B0C 5") through the library's exports, after InitUSBKavro.
// Prints the outcome on stdout and problems on stderr; returns an exit code.
int runCommand(const std::vector<std::string>& words);

} // namespace torvexctl
