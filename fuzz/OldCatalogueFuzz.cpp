// The text of older catalogues over arbitrary bytes: the import's machine list (dbid.txt beside a
// Paradox catalogue), text cells in any code page, the side-file names built from a cd_id, and
// the Misc1 text a Paradox row gets, read back as the catalogue reads it.
#include "FuzzScratch.h"

#include "catalogue/records/Misc1Text.h"
#include "catalogue/import/OldCatalogueText.h"
#include "catalogue/import/ParadoxImport.h"
#include "platform/Text.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

using kavro::fuzz::check;

namespace {

bool oneLine(const std::string& s)
{
    return s.find_first_of("\r\n") == std::string::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const int codePage = in.PickValueInArray({0, 437, 850, 932, 936, 949, 950, 1252, 65001, -1});
    const std::string cdId = in.ConsumeRandomLengthString(32);
    const std::string category = in.ConsumeRandomLengthString(32);
    const std::string title = in.ConsumeRandomLengthString(64);
    const std::string barcode = in.ConsumeRandomLengthString(16);
    const std::string bytes = in.ConsumeRemainingBytesAsString();

    const auto ids = kavro::ReadOldMachineList(kavro::fuzz::scratchFile("dbid.txt", bytes));
    check(ids.has_value(), "a machine list that exists is read");
    for (const int id : *ids)
        check(id > 0, "machine ids are positive");

    check(kavro::text::isValidUtf8(kavro::DecodeCodePageText(bytes, codePage)), "old text becomes UTF-8");

    if (kavro::IsSafeCdId(cdId)) {
        // Every side file named after the cd_id stays in its folder.
        for (const char* folder : {"Remark", "CdInfo", "Preview"}) {
            const auto path = (std::filesystem::path(folder) / (cdId + ".bmp")).lexically_normal();
            check(path.parent_path() == folder, "a side file stays in its folder");
        }
    }

    if (const auto misc1 = kavro::ParadoxMisc1(category, title, barcode)) {
        const kavro::Misc1Fields f = kavro::ParseMisc1(*misc1);
        if (oneLine(title) && oneLine(category))
            check(f.title == title, "a Paradox title reads back");
        if (oneLine(barcode) && oneLine(title) && oneLine(category))
            check(f.barcode == barcode, "a Paradox barcode reads back");
    } else {
        check(category.empty() && title.empty() && barcode.empty(), "only an empty row has no Misc1");
    }
    return 0;
}
