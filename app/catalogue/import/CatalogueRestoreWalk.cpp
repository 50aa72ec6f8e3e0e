#include "catalogue/import/CatalogueRestoreWalk.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include <algorithm>
#include <vector>

namespace kavro {

namespace {

constexpr int kMaxSlot = 150;

bool isSameFile(const std::filesystem::path& a, const std::filesystem::path& b)
{
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

} // namespace

std::filesystem::path FindCatalogueFile(const std::filesystem::path& folder, std::string_view name)
{
    std::error_code ec;
    if (std::filesystem::is_regular_file(folder / name, ec))
        return folder / name;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->is_regular_file(ec) && text::equalsIgnoreAsciiCase(it->path().filename().string(), name))
            return it->path();
    }
    return {};
}

bool ConfirmCatalogueReplace(Catalogue& catalogue, const std::string& source, int incomingDiscs)
{
    const Texts& texts = catalogue.texts();
    const std::string question =
        text::fillIn(
            texts.text("5103", "以 %1 中的 %2 片光碟取代目錄現有的 %3 片光碟嗎？"),
            {source, std::to_string(incomingDiscs), std::to_string(catalogue.discCursor().recordCount())}) +
        "\n\n" + texts.text("5104", "完成後程式會關閉；目前的目錄會先複製一份到 Backup 資料夾。");
    return catalogue.person().messageBox(question, texts.text("0000", "KAVRO 5.1"), BoxIcon::Question,
                                         BoxButtons::OkCancel, BoxAnswer::Cancel) == BoxAnswer::Ok;
}

CatalogueRestoreResult& ReportRestoreFailure(Catalogue& catalogue, CatalogueRestoreResult& result,
                                             const std::string& why)
{
    catalogue.person().progress(0, 0, {});
    result.changed = false;
    result.error = why + "\r\nThe catalogue has not been changed.";
    catalogue.person().messageBox(result.error, catalogue.texts().text("0000", "KAVRO 5.1"), BoxIcon::Warning,
                                  BoxButtons::Ok);
    return result;
}

CatalogueRestoreResult RunRestoreWalk(Catalogue& catalogue, const ImportRegistry* registry,
                                      OldCatalogueSource& source, const RestoreRowWriter& write,
                                      const RestoreFinisher& finish)
{
    CatalogueRestoreResult result;
    Person& person = catalogue.person();
    BusyCursor busy(person);
    // Emptying the catalogue and then reading the emptied table back would lose every disc.
    if (isSameFile(source.file(), catalogue.databaseFile()))
        return ReportRestoreFailure(catalogue, result,
                                    source.file().string() + " is the catalogue itself; choose a backup.");

    CatalogueRestoreSession session(catalogue);
    // Everything is put back before the person hears about it.
    auto fail = [&](const std::string& why) -> CatalogueRestoreResult {
        session.rollback();
        return ReportRestoreFailure(catalogue, result, why);
    };
    if (auto s = session.begin(); !s)
        return fail(s.error());
    result.safetyCopy = session.safetyCopy();

    const int maximum = source.discCount() + 10;
    std::vector<int> unknownMachines;
    OldDiscRow row;
    for (int n = 1;; ++n) {
        auto more = source.nextDisc(row);
        if (!more)
            return fail(more.error());
        if (!*more)
            break;
        person.progress(std::min(n, maximum), maximum, std::to_string(n));
        ++result.rowsRead;

        if (row.machine <= 0 || row.slot < 1 || row.slot > kMaxSlot) {
            ++result.badRows;
            result.notes.push_back("Row " + std::to_string(n) + " (machine " + std::to_string(row.machine) +
                                   ", slot " + std::to_string(row.slot) +
                                   ") is out of range and was left out.");
            catalogue.clock().processEvents();
            continue;
        }
        if (std::find(unknownMachines.begin(), unknownMachines.end(), row.machine) == unknownMachines.end()) {
            auto known = session.knowsMachine(row.machine, registry);
            if (!known)
                return fail(known.error());
            if (!*known)
                unknownMachines.push_back(row.machine);
        }

        auto start = session.startRow(row.machine, row.slot);
        if (!start)
            return fail(start.error());
        if (*start == CatalogueRestoreSession::RowStart::Skipped) {
            ++result.repeatsSkipped;
            catalogue.clock().processEvents();
            continue;
        }
        DbStatus s = write(session, row, *start);
        if (s)
            s = session.postRow();
        if (!s)
            return fail("Row " + std::to_string(n) + " cannot be written: " + s.error());
        if (*start == CatalogueRestoreSession::RowStart::Appended)
            ++result.discsAdded;
        else
            ++result.discsOverwritten;
        catalogue.clock().processEvents();
    }

    auto machines = session.bringOverMachines(source, unknownMachines, registry);
    if (!machines)
        return fail(machines.error());
    result.machinesAdded = *machines;
    if (finish)
        if (auto s = finish(session); !s)
            return fail(s.error());
    result.categoriesCreated = session.categoriesCreated();
    if (auto s = session.commit(); !s)
        return fail(s.error());
    result.changed = true;
    result.endProgram = true;
    person.progress(0, 0, {});
    return result;
}

} // namespace kavro
