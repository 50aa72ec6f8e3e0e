#pragma once

#include <filesystem>
#include <string>

namespace kavro {

// The demo cabinet with the drive as a person finds it before cataloguing: every filled slot the
// demo catalogue does not know gets a disc of its own (a folder of files named by its volume
// label, under DemoDiscs/), the simulator file Data/demo-cabinets.sim describes the demo
// cabinets with those discs and shortened movement times, and the drive letter E: of the
// settings is the simulated drive's folder. Returns an error text, empty when done.
std::string MakeDemoCabinetDiscs(const std::filesystem::path& programFolder, const std::filesystem::path& catalogueFile);

} // namespace kavro
