#include "changer/RetrieveLog.h"

#include "platform/Text.h"
#include "shell/FileIo.h"

namespace kavro {

namespace {

constexpr std::string_view kTitle = "Title : ";
constexpr std::string_view kName = "Library Name : ";
constexpr std::string_view kLocation = "Library Location : ";
constexpr std::string_view kAccess = "Access : ";
// Large enough for decades of take-outs; a bigger file is not read at all.
constexpr std::size_t kMaxLogBytes = 64u * 1024u * 1024u;

std::string oneLine(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

bool startsWith(std::string_view s, std::string_view prefix)
{
    return s.substr(0, prefix.size()) == prefix;
}

std::vector<std::string> splitLines(std::string_view bytes)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view line = bytes.substr(pos, end - pos);
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(text::decodeLegacy(line));
        pos = end + 1;
    }
    return lines;
}

} // namespace

std::string FormatRetrieveRecord(const RetrieveRecord& r)
{
    return "\r\nTitle : " + oneLine(r.title) + "\r\nLibrary Name : " + oneLine(r.machineName) +
           "\r\nLibrary Location : " + std::to_string(r.slot) + "\r\nAccess : " + oneLine(r.access) + "\r\n" +
           oneLine(r.reason) + "\r\n" + oneLine(r.dateTime) + "\r\n\r\n";
}

RetrieveLogFile::RetrieveLogFile(const std::filesystem::path& file)
{
    std::error_code ec;
    // Only a regular file (or none yet) is a log; a folder or device of that name is not.
    if (std::filesystem::exists(file, ec) && !std::filesystem::is_regular_file(file, ec))
        return;
    m_out.open(file, std::ios::binary | std::ios::app);
}

bool RetrieveLogFile::append(const RetrieveRecord& record)
{
    if (!m_out.is_open())
        return false;
    const std::string bytes = FormatRetrieveRecord(record);
    m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    m_out.close();
    return !m_out.fail();
}

std::vector<RetrieveLogRow> ParseRetrieveLog(std::string_view bytes)
{
    const std::vector<std::string> lines = splitLines(bytes);
    std::vector<RetrieveLogRow> rows;
    std::size_t i = 0;
    while (i < lines.size()) {
        if (!startsWith(lines[i], kTitle)) {
            ++i;
            continue;
        }
        RetrieveLogRow row;
        row.title = lines[i].substr(kTitle.size());
        ++i;
        // The labelled lines in their order; the first one missing ends the record.
        const std::pair<std::string_view, std::string*> labelled[] = {
            {kName, &row.machineName}, {kLocation, &row.slot}, {kAccess, &row.access}};
        bool whole = true;
        for (const auto& [label, field] : labelled) {
            if (i >= lines.size() || !startsWith(lines[i], label)) {
                whole = false;
                break;
            }
            *field = lines[i].substr(label.size());
            ++i;
        }
        // Reason and date are free lines, but a new record's title is never taken for one.
        for (std::string* field : {&row.reason, &row.dateTime}) {
            if (!whole || i >= lines.size() || startsWith(lines[i], kTitle)) {
                whole = false;
                break;
            }
            *field = lines[i];
            ++i;
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::vector<RetrieveLogRow> ReadRetrieveLog(const std::filesystem::path& file)
{
    const auto bytes = readWholeFile(file, kMaxLogBytes);
    if (!bytes)
        return {};
    return ParseRetrieveLog(*bytes);
}

} // namespace kavro
