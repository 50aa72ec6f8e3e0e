#include "output/CsvExport.h"

#include "output/ListCopy.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "platform/Texts.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace kavro {

namespace {

const std::string kCaption = "System Message";

// Writes bytes to a new file beside target and renames it over target. False, with no file
// left behind, when any step fails.
bool replaceFile(const std::filesystem::path& target, std::string_view bytes)
{
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid()) + ".";
    // Created like any new file (the umask applies), under a name nobody else holds.
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = (folder / (stem + std::to_string(attempt))).string();
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return false;
    }
    if (fd < 0)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace

std::string CsvField(std::string_view field)
{
    // A spreadsheet reads a field that holds a separator, a quote or a line break only when it is
    // quoted, with its quotes doubled (RFC 4180). Every other field keeps its bytes.
    if (field.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(field);
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    quoted += '"';
    return quoted;
}

std::string CsvLine(const std::vector<std::string>& fields)
{
    std::string line;
    for (const auto& f : fields) {
        line += CsvField(f);
        line += ',';
    }
    // A row always has its first column, even when it is empty.
    if (fields.empty())
        line += ',';
    line += "\r\n";
    return line;
}

std::string CsvText(const ListCopy& copy)
{
    std::string text = CsvLine(copy.captions);
    for (const auto& row : copy.rows)
        text += CsvLine(row);
    return text;
}

CsvExportResult ExportCsv(const ListCopy& copy, const std::filesystem::path& file, Person& person,
                          const Texts& texts, Clock& clock)
{
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        // The question names the file that would be replaced; Enter keeps it.
        const BoxAnswer answer =
            person.messageBox(texts.text("1007", "蓋過舊資料嗎?") + "\n\n" + file.string(), kCaption,
                              BoxIcon::Question, BoxButtons::OkCancel, BoxAnswer::Cancel);
        if (answer != BoxAnswer::Ok)
            return CsvExportResult::Declined;
    }
    bool written = false;
    {
        BusyCursor busy(person);
        std::string text = CsvLine(copy.captions);
        for (const auto& row : copy.rows) {
            text += CsvLine(row);
            clock.processEvents();
        }
        // The new file replaces the old one by name; one the person may not write stays as it is.
        const bool locked = std::filesystem::exists(file, ec) && ::access(file.c_str(), W_OK) != 0;
        written = !file.empty() && !locked && replaceFile(file, text);
    }
    if (!written) {
        person.messageBox(texts.text("0507", "檔案輸出錯誤"), kCaption, BoxIcon::Warning, BoxButtons::Ok);
        return CsvExportResult::Failed;
    }
    person.messageBox("OK", kCaption, BoxIcon::None, BoxButtons::Ok);
    return CsvExportResult::Written;
}

std::string ExportFileName(std::string_view setting, const std::filesystem::path& dataFolder)
{
    if (!setting.empty())
        return std::string(setting);
    return (dataFolder / "EXCEL.Csv").string();
}

} // namespace kavro
