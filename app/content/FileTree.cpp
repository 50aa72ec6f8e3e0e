#include "content/FileTree.h"

#include <cstring>

namespace kavro {

int FileTree::entryCount() const
{
    return static_cast<int>(entries.size());
}

int FileTree::poolBytes() const
{
    return static_cast<int>(pool.size());
}

bool FileTree::hasTree() const
{
    return entryCount() >= 1 && poolBytes() >= 1;
}

void FileTree::clear()
{
    entries.clear();
    entries.shrink_to_fit();
    pool.clear();
    pool.shrink_to_fit();
}

std::string FileTree::indexBlock() const
{
    std::string block(entries.size() * sizeof(TreeIndexEntry), '\0');
    if (!entries.empty())
        std::memcpy(block.data(), entries.data(), block.size());
    return block;
}

FileTree FileTree::fromStored(int indexCount, std::string_view indexBlock, int dataCount,
                              std::string_view dataBlock)
{
    FileTree tree;
    if (indexCount < 1 || dataCount < 1)
        return tree;
    // Blocks shorter than their counts say are beyond the format: no tree rather than a guess.
    // Bytes past the counts were never part of the tree.
    const auto indexBytes = static_cast<std::size_t>(indexCount) * sizeof(TreeIndexEntry);
    const auto dataBytes = static_cast<std::size_t>(dataCount);
    if (indexBlock.size() < indexBytes || dataBlock.size() < dataBytes)
        return tree;
    tree.entries.resize(static_cast<std::size_t>(indexCount));
    std::memcpy(tree.entries.data(), indexBlock.data(), indexBytes);
    tree.pool.assign(dataBlock.substr(0, dataBytes));
    return tree;
}

bool FileTree::hasName(int entryIndex) const
{
    if (entryIndex < 0 || entryIndex >= entryCount())
        return false;
    const std::int32_t offset = entries[static_cast<std::size_t>(entryIndex)].nameOffset;
    if (offset < 0 || offset >= poolBytes())
        return false;
    return pool.find('\0', static_cast<std::size_t>(offset)) != std::string::npos;
}

std::string_view FileTree::nameAt(int entryIndex) const
{
    if (!hasName(entryIndex))
        return {};
    const auto offset = static_cast<std::size_t>(entries[static_cast<std::size_t>(entryIndex)].nameOffset);
    const std::size_t end = pool.find('\0', offset);
    return std::string_view(pool).substr(offset, end - offset);
}

int FileTree::appendName(std::string_view name)
{
    // A name ends at its first NUL; anything after it could never be read back.
    name = name.substr(0, name.find('\0'));
    const int offset = poolBytes();
    pool.append(name);
    pool.push_back('\0');
    return offset;
}

} // namespace kavro
