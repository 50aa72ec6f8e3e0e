#include "catalogue/import/CatalogueBackupTarget.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/CatalogueBackup.h"
#include "platform/Person.h"
#include "platform/Texts.h"

#include <chrono>

namespace kavro {

namespace {

namespace fs = std::filesystem;

bool sameFile(const fs::path& a, const fs::path& b)
{
    std::error_code ec;
    if (fs::absolute(a, ec).lexically_normal() == fs::absolute(b, ec).lexically_normal())
        return true;
    return fs::equivalent(a, b, ec);
}

} // namespace

CatalogueBackupResult BackupCatalogueTo(Catalogue& catalogue, const std::string& chosenFolder)
{
    using Outcome = CatalogueBackupResult::Outcome;
    CatalogueBackupResult result;
    if (chosenFolder.empty())
        return result;
    const fs::path folder(chosenFolder);
    result.target = folder / "KAVRO2.MDB";
    if (sameFile(result.target, catalogue.databaseFile())) {
        result.outcome = Outcome::SameFile;
        return result;
    }

    Person& person = catalogue.person();
    const Texts& texts = catalogue.texts();
    std::error_code ec;
    if (fs::exists(result.target, ec)) {
        // The question names the backup that would be replaced; Enter keeps it.
        const BoxAnswer answer = person.messageBox(
            texts.text("1007", "蓋過舊資料嗎?") + "\n\n" + result.target.string(),
            texts.text("0000", "KAVRO 5.1"), BoxIcon::Question, BoxButtons::OkCancel, BoxAnswer::Cancel);
        if (answer != BoxAnswer::Ok) {
            result.outcome = Outcome::Refused;
            return result;
        }
    }

    BusyCursor busy(person);
    auto fail = [&](std::string why) {
        result.outcome = Outcome::Failed;
        result.error = std::move(why);
        person.messageBox(texts.text("0507", "檔案輸出錯誤") + "\r\n" + result.error, "System Message",
                          BoxIcon::Warning, BoxButtons::Ok);
        return result;
    };
    auto copy = CopyCatalogue(catalogue.database(), folder, std::chrono::system_clock::now());
    if (!copy)
        return fail(copy.error());
    fs::rename(*copy, result.target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(*copy, ignored);
        return fail("Cannot write " + result.target.string() + ": " + ec.message());
    }
    result.outcome = Outcome::Written;
    return result;
}

} // namespace kavro
