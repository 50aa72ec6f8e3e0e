#pragma once

#include "catalogue/database/DbResult.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kavro {

class Catalogue;
class Person;

// A disc as the duplicate lists name it.
struct DuplicateDisc {
    int machine = 0;
    int slot = 0;
    std::string title;
    std::string machineName;
};

// Discs that look like the same disc twice: the same volume name and serial number (from
// Misc1) and the same size (the sum of the file sizes of their stored trees).
struct DuplicateDiscGroup {
    std::string volume;
    std::string serial;
    std::int64_t size = 0;
    std::vector<DuplicateDisc> discs; // table order
};

// One file name and size found on more than one disc.
struct DuplicateFile {
    std::string name;
    std::int64_t size = 0;
    std::vector<DuplicateDisc> discs; // each disc once, table order
};

// The groups of discs that look alike, largest size first. Only discs that share volume and
// serial have their trees read. Discs with neither a volume nor a serial are left out.
DbResult<std::vector<DuplicateDiscGroup>> FindDuplicateDiscs(Catalogue& catalogue);

// The largest files (by size, then name) whose exact name and size occur on at least two
// discs, at most limit of them. Reads every stored tree once, with progress; the memory it
// holds stays bounded by keeping only the largest candidates seen so far (a file smaller than
// every kept one can no longer be among the largest).
DbResult<std::vector<DuplicateFile>> FindDuplicateFiles(Catalogue& catalogue, int limit = 1000,
                                                        int keptCandidates = 200000);

// CSV text of the lists, one line per disc: kind, name or volume, size, machine, slot, title.
std::string DuplicatesCsv(const std::vector<DuplicateDiscGroup>& discs, const std::vector<DuplicateFile>& files);

} // namespace kavro
