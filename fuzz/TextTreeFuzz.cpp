// Conversion of an older catalogue's text tree over arbitrary file bytes, with capacities from
// tiny to the real ones: the result must be a well-formed stored tree within its capacities.
#include "TreeCheck.h"

#include "content/ImportTextTree.h"
#include "content/ListTreeFolder.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

using kavro::fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    kavro::TextTreeLimits limits;
    if (in.ConsumeBool()) {
        // Small capacities reach the stop at a capacity with small inputs.
        limits.maxEntries = in.ConsumeIntegralInRange<int>(-1, 64);
        limits.maxPoolBytes = in.ConsumeIntegralInRange<int>(-1, 512);
    }
    const std::string content = in.ConsumeRemainingBytesAsString();

    const kavro::TextTreeImport result = kavro::convertTextTree(content, limits);
    check(result.ok, "a text in memory always converts");
    check(result.tree.entryCount() <= std::max(limits.maxEntries, 0), "entry capacity");
    check(result.tree.poolBytes() <= std::max(limits.maxPoolBytes, 0), "pool capacity");
    kavro::fuzz::checkWrittenTree(result.tree);

    if (result.tree.entryCount() > 0) {
        const kavro::FolderListing top = kavro::listRun(result.tree, 1);
        // Browsing finds a folder by its name, so only a name that is unique in its run and fits the
        // node's text is sure to lead back to the folder.
        for (const auto& name : top.folderNames) {
            const auto same = std::count_if(top.rows.begin(), top.rows.end(),
                                            [&](const kavro::FileListRow& row) { return row.name == name; });
            if (same == 1 && name.size() <= kavro::FolderNameLimit)
                check(kavro::resolveRun(result.tree, {name}).has_value(), "a listed folder resolves");
        }
    }
    return 0;
}
