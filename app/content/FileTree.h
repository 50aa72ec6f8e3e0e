#pragma once

#include "content/TreeIndexEntry.h"

#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// One disc's file tree: the entry table and the name pool, exactly the stored blocks.
class FileTree {
public:
    static constexpr int EntryBytes = static_cast<int>(sizeof(TreeIndexEntry));
    // Capacities of a scan or a conversion, and the thresholds at which they stop.
    static constexpr int MaxEntries = 200001;
    static constexpr int EntryStopThreshold = 200000;
    static constexpr int MaxPoolBytes = 4000100;
    static constexpr int PoolStopThreshold = 4000000;

    std::vector<TreeIndexEntry> entries; // the entry table
    std::string pool;                    // names, NUL-terminated, end to end (TreeData bytes)
    int machine = 0;
    int slot = 0;

    int entryCount() const;
    int poolBytes() const;
    bool hasTree() const; // both counts >= 1
    void clear();

    // entryCount() * 348 bytes exactly as stored.
    std::string indexBlock() const;

    // A record's tree from its stored counts and blocks. Damaged input (counts that disagree with
    // the block lengths, offsets or indices out of range, a missing terminator) reads as no tree
    // or up to the damage; never reads past a buffer.
    static FileTree fromStored(int indexCount, std::string_view indexBlock, int dataCount,
                               std::string_view dataBlock);

    // The name of an entry; "" for terminators, bad indices and bad offsets.
    std::string_view nameAt(int entryIndex) const;
    // Whether the entry exists and its name offset points at a NUL-terminated name in the pool.
    bool hasName(int entryIndex) const;

    // Appends name and its NUL to the pool; returns the name's offset.
    int appendName(std::string_view name);
};

} // namespace kavro
