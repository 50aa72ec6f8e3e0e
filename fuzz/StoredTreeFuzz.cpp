// A record's stored tree from damaged blocks, browsed the way the navigation tree and the file
// list do: every folder path that resolves is listed, down to a few levels.
//
// An input beginning "TREE" holds a record's stored fields as they are: the index count and data
// count (32-bit little-endian), the index block's length, the index block, then the data block.
// Any other input describes the entries compactly (links, name offsets, attributes, times, sizes)
// so that small inputs reach deep structures; the blocks are then built byte for byte, and the
// counts and block lengths are damaged on request.
#include "FuzzScratch.h"

#include "content/FileTree.h"
#include "content/ListTreeFolder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

using kavro::fuzz::check;

namespace {

constexpr std::size_t MaxListings = 64;
constexpr std::size_t MaxDepth = 6;

std::int32_t pickLink(FuzzedDataProvider& in, int limit)
{
    if (in.ConsumeIntegralInRange<int>(0, 15) == 0)
        return in.ConsumeIntegral<std::int32_t>();
    return in.ConsumeIntegralInRange<std::int32_t>(-2, limit + 1);
}

void checkListing(const kavro::FileTree& tree, int start, const kavro::FolderListing& listing)
{
    int expected = start;
    for (const auto& row : listing.rows) {
        check(row.entryIndex == expected++, "rows follow the table");
        check(row.entryIndex >= 1 && row.entryIndex < tree.entryCount(), "rows lie in the table");
        check(row.name == tree.nameAt(row.entryIndex), "row names come from the pool");
        check(row.extension.size() <= 16, "an extension is at most 4 characters");
        check(!row.isFolder || (!row.dateText && row.sizeText == "<Dir>"),
              "a folder shows <Dir> and no date");
    }
}

struct StoredFields {
    int indexCount = 0;
    std::string indexBlock;
    int dataCount = 0;
    std::string pool;
};

std::int32_t readInt32(const std::uint8_t* p)
{
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
        static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24);
}

StoredFields rawFields(const std::uint8_t* data, std::size_t size)
{
    StoredFields f;
    if (size < 16)
        return f;
    f.indexCount = readInt32(data + 4);
    f.dataCount = readInt32(data + 8);
    const std::size_t rest = size - 16;
    const std::size_t indexBytes =
        std::min<std::size_t>(static_cast<std::uint32_t>(readInt32(data + 12)), rest);
    f.indexBlock.assign(reinterpret_cast<const char*>(data + 16), indexBytes);
    f.pool.assign(reinterpret_cast<const char*>(data + 16 + indexBytes), rest - indexBytes);
    return f;
}

StoredFields compactFields(FuzzedDataProvider& in)
{
    const int entryCount = in.ConsumeIntegralInRange<int>(0, 48);
    std::string pool = in.ConsumeRandomLengthString(512);
    const int poolSize = static_cast<int>(pool.size());

    std::vector<kavro::TreeIndexEntry> entries(static_cast<std::size_t>(entryCount));
    for (auto& e : entries) {
        e.parent = pickLink(in, entryCount);
        e.firstChild = pickLink(in, entryCount);
        e.nameOffset = pickLink(in, poolSize);
        e.attributes =
            in.ConsumeBool() ? kavro::TreeIndexEntry::DirectoryBit : in.ConsumeIntegral<std::uint32_t>();
        e.dosDateTime = in.ConsumeIntegral<std::uint32_t>();
        e.size = in.ConsumeIntegral<std::int32_t>();
    }
    std::string indexBlock(entries.size() * sizeof(kavro::TreeIndexEntry), '\0');
    if (!entries.empty())
        std::memcpy(indexBlock.data(), entries.data(), indexBlock.size());

    int indexCount = entryCount;
    int dataCount = poolSize;
    switch (in.ConsumeIntegralInRange<int>(0, 5)) {
    case 1:
        indexCount += in.ConsumeIntegralInRange<int>(-2, 2);
        break;
    case 2:
        dataCount += in.ConsumeIntegralInRange<int>(-2, 2);
        break;
    case 3:
        indexCount = in.ConsumeIntegral<int>();
        break;
    case 4:
        dataCount = in.ConsumeIntegral<int>();
        break;
    case 5:
        indexBlock.resize(
            indexBlock.size() -
            std::min<std::size_t>(indexBlock.size(), in.ConsumeIntegralInRange<std::size_t>(0, 400)));
        break;
    default:
        break;
    }

    return {indexCount, std::move(indexBlock), dataCount, std::move(pool)};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const bool raw = size >= 4 && std::memcmp(data, "TREE", 4) == 0;
    const StoredFields f = raw ? rawFields(data, size) : compactFields(in);
    const int indexCount = f.indexCount;
    const int dataCount = f.dataCount;
    const std::string& indexBlock = f.indexBlock;
    const std::string& pool = f.pool;

    const kavro::FileTree tree = kavro::FileTree::fromStored(indexCount, indexBlock, dataCount, pool);
    if (tree.entryCount() > 0) {
        check(tree.entryCount() == indexCount, "the entry count is the stored count");
        check(tree.poolBytes() == dataCount, "the pool is the stored count");
        check(std::memcmp(tree.entries.data(), indexBlock.data(),
                          tree.entries.size() * sizeof(kavro::TreeIndexEntry)) == 0,
              "entries are the stored bytes");
    }
    for (int i = -1; i <= tree.entryCount(); ++i) {
        const std::string_view name = tree.nameAt(i);
        check(tree.hasName(i) || name.empty(), "a bad entry has no name");
        check(name.find('\0') == std::string_view::npos, "a name ends at its NUL");
    }

    // Every path the folders lead to, breadth first, with a bounded amount of work: a damaged
    // tree may loop.
    std::vector<std::vector<std::string>> paths{{}};
    std::size_t listings = 0;
    for (std::size_t p = 0; p < paths.size() && listings < MaxListings; ++p) {
        const auto start = kavro::resolveRun(tree, paths[p]);
        if (!start) {
            check(!paths[p].empty(), "the disc node always resolves");
            continue;
        }
        check(*start >= 1 && (paths[p].empty() || *start < tree.entryCount()), "a run starts in the table");
        const kavro::FolderListing listing = kavro::listRun(tree, *start);
        ++listings;
        checkListing(tree, *start, listing);
        if (paths[p].size() >= MaxDepth || paths.size() > MaxListings * 4)
            continue;
        for (const auto& name : listing.folderNames) {
            auto next = paths[p];
            next.push_back(name);
            paths.push_back(std::move(next));
        }
    }

    const int start = raw ? 1 : in.ConsumeIntegral<int>();
    checkListing(tree, start, kavro::listRun(tree, start));
    return 0;
}
