#include "content/ImportTextTree.h"

#include "platform/Text.h"

#include <algorithm>
#include <fstream>
#include <system_error>
#include <vector>

namespace kavro {

namespace {

// More than the capacities can ever take in (200,001 lines of 998 bytes); the rest of a longer
// file is never read.
constexpr std::uintmax_t MaxReadBytes = 256ull * 1024 * 1024;

// One entry of the depth-first work table.
struct WorkEntry {
    int parent = 0;
    int firstChild = 0; // 0: no child yet
    int nameOffset = 0; // -1 terminator, -99 end marker
    int next = 0;       // following entry; not positive ends a sibling list
};

constexpr int EndMarker = -99;

struct Line {
    int depth = 0;
    std::string name;
};

Line parseLine(std::string_view raw, bool decode)
{
    std::string line = decode ? text::decodeLegacy(raw) : std::string(raw);
    line = text::cutUtf8(line, TextTreeLineLimit);
    // A NUL would end the name in the pool early; nothing after it is part of the name.
    line.resize(std::min(line.size(), line.find('\0')));
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' '))
        line.pop_back();
    Line out;
    std::size_t tabs = 0;
    while (tabs < line.size() && line[tabs] == '\t')
        ++tabs;
    out.depth = static_cast<int>(tabs);
    out.name = line.substr(tabs);
    return out;
}

class WorkTable {
public:
    explicit WorkTable(const TextTreeLimits& limits, std::string& pool) : m_limits(limits), m_pool(pool) {}

    // Adds one line; false when it does not fit, leaving the table as it was.
    bool add(const Line& line)
    {
        if (m_work.empty())
            return addRoot(line.name);
        const int depth = static_cast<int>(m_open.size()); // depth of the previous item
        // The root is the only item at depth 0, and no line can skip a level.
        const int k = std::clamp(line.depth, 1, depth + 1);
        const int closes = k < depth ? depth - k : 0;
        const int opens = k == depth + 1 ? 1 : 0;
        const int openAfter = depth - closes + opens;
        // Room for the closing terminators now, the entry, the terminators of every run still
        // open afterwards and the end marker.
        const long long needed = static_cast<long long>(m_work.size()) + closes + 1 + openAfter + 1;
        if (needed > m_limits.maxEntries || !poolFits(line.name))
            return false;
        if (opens) {
            m_work[static_cast<std::size_t>(m_previous)].firstChild = size();
            m_open.push_back(m_previous);
        }
        for (int i = 0; i < closes; ++i)
            closeLevel();
        m_previous = size();
        m_work.push_back({m_open.back(), 0, appendName(line.name), size() + 1});
        return true;
    }

    const std::vector<WorkEntry>& finish()
    {
        while (!m_open.empty())
            closeLevel();
        if (!m_work.empty())
            m_work.push_back({EndMarker, EndMarker, EndMarker, EndMarker});
        return m_work;
    }

private:
    bool addRoot(const std::string& name)
    {
        if (m_limits.maxEntries < 2 || !poolFits(name))
            return false;
        m_work.push_back({-1, 0, appendName(name), 1});
        m_previous = 0;
        return true;
    }

    bool poolFits(const std::string& name) const
    {
        return static_cast<long long>(m_pool.size()) + static_cast<long long>(name.size()) + 1 <=
               m_limits.maxPoolBytes;
    }

    int appendName(const std::string& name)
    {
        const int offset = static_cast<int>(m_pool.size());
        m_pool.append(name);
        m_pool.push_back('\0');
        return offset;
    }

    void closeLevel()
    {
        const int folder = m_open.back();
        m_open.pop_back();
        m_work.push_back({folder, -1, -1, -1});
        m_work[static_cast<std::size_t>(folder)].next = size();
    }

    int size() const { return static_cast<int>(m_work.size()); }

    TextTreeLimits m_limits;
    std::string& m_pool;
    std::vector<WorkEntry> m_work;
    std::vector<int> m_open; // folders whose runs are still open, the root first
    int m_previous = -1;
};

// Breadth-first stored form of a finished work table.
std::vector<TreeIndexEntry> toStoredForm(const std::vector<WorkEntry>& work)
{
    std::vector<TreeIndexEntry> entries;
    if (work.empty())
        return entries;
    std::vector<int> expandFrom; // per stored entry: the work entry whose children it gets, or -1
    TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = work[0].nameOffset;
    entries.push_back(root);
    expandFrom.push_back(-1);

    const int workSize = static_cast<int>(work.size());
    auto writeRun = [&](int folder, int first) {
        for (int cur = first; cur > 0 && cur < workSize && work[static_cast<std::size_t>(cur)].next > cur;
             cur = work[static_cast<std::size_t>(cur)].next) {
            const WorkEntry& w = work[static_cast<std::size_t>(cur)];
            TreeIndexEntry e;
            e.parent = folder;
            e.nameOffset = w.nameOffset;
            entries.push_back(e);
            expandFrom.push_back(w.firstChild > 0 ? cur : -1);
        }
        entries.push_back(TreeIndexEntry::terminator(folder));
        expandFrom.push_back(-1);
    };

    writeRun(0, 1);
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (expandFrom[i] < 0)
            continue;
        entries[i].attributes = TreeIndexEntry::DirectoryBit;
        entries[i].firstChild = static_cast<std::int32_t>(entries.size());
        writeRun(static_cast<int>(i), work[static_cast<std::size_t>(expandFrom[i])].firstChild);
    }
    return entries;
}

} // namespace

TextTreeImport convertTextTree(std::string_view content, const TextTreeLimits& limits)
{
    TextTreeImport result;
    result.ok = true;
    // A file that is UTF-8 throughout is taken as it is; otherwise each line that is not UTF-8
    // is Big5 from an older installation.
    const bool decode = !text::isValidUtf8(content);
    WorkTable table(limits, result.tree.pool);
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        if (end == std::string_view::npos)
            end = content.size();
        const Line line = parseLine(content.substr(pos, end - pos), decode);
        pos = end + 1;
        if (line.name.empty())
            continue;
        if (!table.add(line)) {
            result.truncated = true;
            break;
        }
    }
    result.tree.entries = toStoredForm(table.finish());
    return result;
}

TextTreeImport ImportTextTree(const std::filesystem::path& path, const TextTreeLimits& limits)
{
    TextTreeImport failed;
    std::error_code ec;
    const bool regular = std::filesystem::is_regular_file(path, ec);
    const std::uintmax_t size = regular ? std::filesystem::file_size(path, ec) : 0;
    std::ifstream in(path, std::ios::binary);
    if (!regular || ec || !in) {
        failed.error = "Cannot open " + path.string();
        return failed;
    }
    std::string content(static_cast<std::size_t>(std::min(size, MaxReadBytes)), '\0');
    if (!in.read(content.data(), static_cast<std::streamsize>(content.size()))) {
        failed.error = "Cannot read " + path.string();
        return failed;
    }
    TextTreeImport result = convertTextTree(content, limits);
    if (size > MaxReadBytes)
        result.truncated = true;
    return result;
}

} // namespace kavro
