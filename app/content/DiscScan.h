#pragma once

#include "content/FileTree.h"

namespace kavro {

class Clock;
class DirectoryLister;
class Drives;

// How a scan runs. The capacities and thresholds are those of the stored format; tests make
// them small to reach the limits quickly.
struct ScanOptions {
    int maxEntries = FileTree::MaxEntries;
    int entryStopThreshold = FileTree::EntryStopThreshold;
    int maxPoolBytes = FileTree::MaxPoolBytes;
    int poolStopThreshold = FileTree::PoolStopThreshold;
    // Pending window events run after every this many entries, so the window keeps painting.
    int eventInterval = 2000;
    // nullptr: the system's folders.
    DirectoryLister* lister = nullptr;
};

// What a scan met besides the tree itself.
struct ScanSummary {
    bool rootListed = false;   // false: no disc, or the drive is unknown or not mounted
    bool limitReached = false; // the walk ended at a capacity; folders after that have no run
    int foldersNotListed = 0;  // folders whose listing could not be opened (no run)
};

// Replaces tree with a fresh breadth-first walk of the drive with this letter. The entry table
// is its own queue: the root "E:" is entry 0, each listed folder gets one run of entries closed
// by a terminator, runs in breadth-first order. Items carry their attribute bits (16 folder,
// 2 hidden for names starting with ".", 1 read-only, 32 for files), their DOS date-time in
// local time, the find record and the low 32 bits of the size. Links are recorded as files and
// never followed. The capacities are reserved once and never exceeded; at a limit the current
// run is closed and the walk ends.
ScanSummary ScanDiscTree(FileTree& tree, char letter, const Drives& drives, Clock& clock,
                         const ScanOptions& options = {});

// Releases the tree; both counts become 0.
void ClearDiscTree(FileTree& tree);

} // namespace kavro
