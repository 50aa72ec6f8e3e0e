#pragma once

#include <chrono>
#include <string>

namespace kavro {

// CreateDate is stored as local time in the text form "YYYY-MM-DD HH:MM:SS", which sorts
// in time order and reads the same in any SQLite tool.
std::string CatalogueTimestamp(std::chrono::system_clock::time_point when);

} // namespace kavro
