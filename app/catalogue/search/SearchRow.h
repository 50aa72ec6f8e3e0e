#pragma once

#include <string>
#include <string_view>

namespace kavro {

// The type string of the machines with a built-in drive; their discs are marked in the lists.
inline constexpr std::string_view kDriveModel = "KZ350VN";

// One row of search results (quick search and advanced search alike): caption the title,
// columns machine name, slot and category name. The views give each row a ResultRowList entry
// of its machine and slot.
struct SearchRow {
    int machine = 0;
    int slot = 0;
    std::string title;
    std::string machineName;
    std::string categoryName; // trimmed; "Other" for a category that is not loaded
    std::string deviceType;   // the row's Devicetype, trimmed, for the views' own drive test
    bool driveModel = false;  // deviceType is kDriveModel: icon 1 and red text
    int entry = -1;           // machine mode of the quick search: index of the disc's entry

    int icon() const { return driveModel ? 1 : 4; }
};

} // namespace kavro
