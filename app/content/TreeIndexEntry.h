#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

namespace kavro {

// The stored blocks are copied to and from these records byte for byte, so the layout is
// fixed: packed, little-endian.
static_assert(std::endian::native == std::endian::little, "the stored tree is little-endian");

#pragma pack(push, 1)

// The find record an entry keeps of its item, 320 bytes.
struct FindData {
    std::uint32_t attributes = 0;
    std::uint64_t creationTime = 0;   // 100-ns intervals since 1601-01-01 00:00 UTC
    std::uint64_t lastAccessTime = 0; // same unit
    std::uint64_t lastWriteTime = 0;  // same unit
    std::uint32_t sizeHigh = 0;
    std::uint32_t sizeLow = 0;
    std::uint32_t reserved0 = 0;
    std::uint32_t reserved1 = 0;
    char fileName[260] = {};     // NUL-terminated
    char shortFileName[14] = {}; // NUL-terminated 8.3 name
    char padding[2] = {};
};

// One entry of the stored tree, 348 bytes.
struct TreeIndexEntry {
    static constexpr std::uint32_t DirectoryBit = 16;

    std::int32_t parent = 0;
    std::int32_t firstChild = -1;
    std::int32_t nameOffset = -1; // -1 marks a terminator
    std::uint32_t attributes = 0;
    std::uint32_t dosDateTime = 0;
    std::uint32_t excludeAttributes = 0;
    FindData findData;
    std::int32_t size = 0; // low 32 bits of the file size, signed

    bool isTerminator() const { return nameOffset == -1; }
    bool isFolder() const { return (attributes & DirectoryBit) != 0; }

    // The terminator that closes the run of folder `folder`.
    static TreeIndexEntry terminator(std::int32_t folder)
    {
        TreeIndexEntry e;
        e.parent = folder;
        return e;
    }
};

#pragma pack(pop)

static_assert(sizeof(FindData) == 320);
static_assert(offsetof(FindData, attributes) == 0);
static_assert(offsetof(FindData, creationTime) == 4);
static_assert(offsetof(FindData, lastAccessTime) == 12);
static_assert(offsetof(FindData, lastWriteTime) == 20);
static_assert(offsetof(FindData, sizeHigh) == 28);
static_assert(offsetof(FindData, sizeLow) == 32);
static_assert(offsetof(FindData, reserved0) == 36);
static_assert(offsetof(FindData, reserved1) == 40);
static_assert(offsetof(FindData, fileName) == 44);
static_assert(offsetof(FindData, shortFileName) == 304);
static_assert(offsetof(FindData, padding) == 318);

static_assert(sizeof(TreeIndexEntry) == 348);
static_assert(offsetof(TreeIndexEntry, parent) == 0);
static_assert(offsetof(TreeIndexEntry, firstChild) == 4);
static_assert(offsetof(TreeIndexEntry, nameOffset) == 8);
static_assert(offsetof(TreeIndexEntry, attributes) == 12);
static_assert(offsetof(TreeIndexEntry, dosDateTime) == 16);
static_assert(offsetof(TreeIndexEntry, excludeAttributes) == 20);
static_assert(offsetof(TreeIndexEntry, findData) == 24);
static_assert(offsetof(TreeIndexEntry, size) == 344);

} // namespace kavro
