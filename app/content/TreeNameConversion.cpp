#include "content/TreeNameConversion.h"

#include "platform/Text.h"

namespace kavro {

bool ConvertTreeNames(int indexCount, std::string& indexBlock, int& dataCount, std::string& dataBlock,
                      const std::function<std::string(std::string_view)>& convert)
{
    if (indexCount < 1 || dataCount < 1)
        return false;
    const FileTree tree = FileTree::fromStored(indexCount, indexBlock, dataCount, dataBlock);
    if (tree.entryCount() != indexCount || tree.poolBytes() != dataCount)
        return false;
    bool foreign = false;
    for (int i = 0; i < tree.entryCount(); ++i) {
        if (tree.entries[static_cast<std::size_t>(i)].isTerminator())
            continue;
        if (!tree.hasName(i))
            return false; // damaged: kept as it is
        if (!text::isValidUtf8(tree.nameAt(i)))
            foreign = true;
    }
    if (!foreign)
        return false;
    FileTree converted;
    converted.entries = tree.entries;
    for (int i = 0; i < tree.entryCount(); ++i) {
        TreeIndexEntry& e = converted.entries[static_cast<std::size_t>(i)];
        if (!e.isTerminator())
            e.nameOffset = converted.appendName(convert(tree.nameAt(i)));
    }
    if (converted.poolBytes() > FileTree::MaxPoolBytes)
        return false;
    indexBlock = converted.indexBlock();
    dataBlock = converted.pool;
    dataCount = converted.poolBytes();
    return true;
}

} // namespace kavro
