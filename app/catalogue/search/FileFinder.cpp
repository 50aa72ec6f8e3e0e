#include "catalogue/search/FileFinder.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/search/SearchScope.h"
#include "content/FileTree.h"
#include "platform/Person.h"

#include <sqlite3.h>

#include <cstring>

namespace kavro {

namespace {

inline char fold(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
}

// Whole-name wildcard match of a folded pattern: * any run, ? any one byte.
bool globMatch(std::string_view pattern, std::string_view name)
{
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == fold(name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

struct Finalize {
    sqlite3_stmt* stmt;
    ~Finalize() { sqlite3_finalize(stmt); }
};

} // namespace

NameMatcher::NameMatcher(std::string_view text) : m_pattern(text)
{
    FoldLettersInPlace(m_pattern.data(), m_pattern.size());
    m_wildcard = m_pattern.find_first_of("*?") != std::string::npos;
    if (!m_wildcard) {
        m_parts.emplace_back(m_pattern);
        m_grams.addLiteral(m_pattern);
        return;
    }
    std::size_t from = 0;
    while (from <= m_pattern.size()) {
        const std::size_t to = std::min(m_pattern.find_first_of("*?", from), m_pattern.size());
        if (to > from) {
            const std::string_view part(m_pattern.data() + from, to - from);
            m_parts.emplace_back(part);
            m_grams.addLiteral(part);
        }
        from = to + 1;
    }
}

bool NameMatcher::matches(std::string_view name) const
{
    if (m_pattern.empty())
        return false;
    if (!m_wildcard)
        return m_parts.front().matches(name);
    return globMatch(m_pattern, name);
}

bool NameMatcher::poolMayHold(std::string_view foldedPool) const
{
    if (m_pattern.empty())
        return false;
    for (const FoldedPattern& part : m_parts)
        if (part.findInFolded(foldedPool) == std::string_view::npos)
            return false;
    return true;
}

std::uint16_t DosDate(int year, int month, int day)
{
    return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::vector<std::string> FileHit::folderNames() const
{
    std::vector<std::string> names;
    std::size_t from = 0;
    while (from < folder.size()) {
        const std::size_t at = folder.find('\\', from + 1);
        const std::size_t end = at == std::string::npos ? folder.size() : at;
        names.push_back(folder.substr(from + 1, end - from - 1));
        from = end;
    }
    return names;
}

FileFinder::FileFinder(Catalogue& catalogue, DiscTextCache& cache, NameIndex* index)
    : m_catalogue(catalogue), m_cache(cache), m_index(index)
{
}

FileFinder::~FileFinder()
{
    sqlite3_blob_close(m_entryBlob);
}

DbStatus FileFinder::start(const FileQuery& query, const SearchScope* scope)
{
    m_query = query;
    m_scope = scope;
    m_matcher.emplace(query.text);
    m_todo.clear();
    m_next = 0;
    m_discs.clear();
    m_hits.clear();
    m_matches = 0;
    m_treesRead = 0;
    m_skipped = 0;
    if (m_matcher->empty())
        return {};
    if (auto s = m_cache.refresh(m_catalogue.database()); !s)
        return s;
    m_indexed = m_index && m_matcher->grams().usable() &&
                m_index->refresh(m_catalogue.database(), m_cache.rows(), &m_catalogue.person()).ok();
    for (const DiscTexts& d : m_cache.rows()) {
        if (!d.hasTree() || (scope && !InScope(*scope, d.categoryId)))
            continue;
        if (m_indexed && !m_index->mayHold(d.rowId, m_matcher->grams())) {
            ++m_skipped;
            continue;
        }
        m_todo.push_back(d);
    }
    return {};
}

DbStatus FileFinder::fetch(int wantRows, int maxTrees)
{
    if (done())
        return {};
    sqlite3* db = m_catalogue.database().handle();
    sqlite3_stmt* read = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT TreeData FROM KAVRO WHERE rowid = ?1", -1, &read, nullptr) != SQLITE_OK) {
        sqlite3_finalize(read);
        return DbStatus::failure(m_catalogue.database().errorText("Cannot read the stored trees"));
    }
    Finalize done{read};
    // The entry-table handle lives for this call only: an open handle keeps a read transaction
    // on the file, and the catalogue is written between calls.
    struct CloseEntries {
        sqlite3_blob*& blob;
        ~CloseEntries()
        {
            sqlite3_blob_close(blob);
            blob = nullptr;
        }
    } closeEntries{m_entryBlob};
    const std::size_t goal = m_hits.size() + static_cast<std::size_t>(std::max(0, wantRows));
    int trees = 0;
    while (!this->done() && m_hits.size() < goal && trees < maxTrees) {
        const DiscTexts& d = m_todo[m_next++];
        sqlite3_bind_int64(read, 1, d.rowId);
        const int rc = sqlite3_step(read);
        if (rc == SQLITE_ROW) {
            // The pool first: a tree whose names cannot match has its entry table left unread.
            const auto* pool = static_cast<const char*>(sqlite3_column_blob(read, 0));
            const int poolBytes = sqlite3_column_bytes(read, 0);
            m_pool.assign(pool ? pool : "", static_cast<std::size_t>(std::max(0, poolBytes)));
            FoldLettersInPlace(m_pool.data(), m_pool.size());
            if (m_matcher->poolMayHold(m_pool)) {
                ++trees;
                ++m_treesRead;
                FoundDisc disc{d.rowId, d.machine, d.slot, d.title, m_catalogue.machineName(d.machine),
                               d.deviceType};
                m_discs.push_back(std::move(disc));
                const std::size_t before = m_hits.size();
                const std::int64_t matchesBefore = m_matches;
                // Bytes past the counts were never part of the tree; blocks shorter than their
                // counts are no tree.
                if (d.indexCount >= 1 && d.dataCount >= 1 && poolBytes >= d.dataCount)
                    searchTree(d, std::string_view(pool, static_cast<std::size_t>(d.dataCount)),
                               static_cast<int>(m_discs.size()) - 1);
                if (m_matches == matchesBefore && m_hits.size() == before)
                    m_discs.pop_back();
            }
        } else if (rc != SQLITE_DONE) {
            return DbStatus::failure(m_catalogue.database().errorText("Cannot read a stored tree"));
        }
        sqlite3_reset(read);
    }
    return {};
}

bool FileFinder::openEntries(std::int64_t rowId)
{
    if (m_entryBlob) {
        if (sqlite3_blob_reopen(m_entryBlob, rowId) == SQLITE_OK)
            return true;
        // A failed move leaves the handle unusable.
        sqlite3_blob_close(m_entryBlob);
        m_entryBlob = nullptr;
    }
    if (sqlite3_blob_open(m_catalogue.database().handle(), "main", "KAVRO", "TreeIndex", rowId, 0, &m_entryBlob) ==
        SQLITE_OK)
        return true;
    sqlite3_blob_close(m_entryBlob);
    m_entryBlob = nullptr;
    return false;
}

void FileFinder::searchTree(const DiscTexts& disc, std::string_view pool, int discIndex)
{
    // The entry table is read a piece at a time into one buffer, never whole: a table is
    // megabytes, and a search reads many.
    constexpr int kEntryBytes = FileTree::EntryBytes;
    constexpr int kChunkEntries = 256;
    const int count = disc.indexCount;
    if (!openEntries(disc.rowId) || sqlite3_blob_bytes(m_entryBlob) < static_cast<std::int64_t>(count) * kEntryBytes)
        return;
    // The name of an entry by its offset; "" for an offset outside the pool or a name without
    // its NUL.
    auto nameAt = [pool](std::int32_t offset) -> std::string_view {
        if (offset < 0 || static_cast<std::size_t>(offset) >= pool.size())
            return {};
        const auto at = static_cast<std::size_t>(offset);
        const std::size_t end = pool.find('\0', at);
        return end == std::string_view::npos ? std::string_view() : pool.substr(at, end - at);
    };
    auto hasName = [pool](std::int32_t offset) {
        return offset >= 0 && static_cast<std::size_t>(offset) < pool.size() &&
               pool.find('\0', static_cast<std::size_t>(offset)) != std::string_view::npos;
    };
    // Every entry's parent and name offset, for the paths of the hits once the table is read.
    m_links.resize(static_cast<std::size_t>(count));
    const std::size_t firstHit = m_hits.size();
    for (int first = 0; first < count; first += kChunkEntries) {
        const int n = std::min(kChunkEntries, count - first);
        m_chunk.resize(static_cast<std::size_t>(n) * kEntryBytes);
        if (sqlite3_blob_read(m_entryBlob, m_chunk.data(), n * kEntryBytes, first * kEntryBytes) != SQLITE_OK) {
            m_links.resize(static_cast<std::size_t>(first));
            break;
        }
        for (int k = 0; k < n; ++k) {
            const int i = first + k;
            TreeIndexEntry e;
            std::memcpy(&e, m_chunk.data() + static_cast<std::size_t>(k) * kEntryBytes, kEntryBytes);
            m_links[static_cast<std::size_t>(i)] = {e.parent, e.nameOffset};
            if (i == 0 || e.isTerminator() || !hasName(e.nameOffset))
                continue;
            const bool folder = e.isFolder();
            if ((m_query.kind == FileQuery::Kind::Files && folder) ||
                (m_query.kind == FileQuery::Kind::Folders && !folder))
                continue;
            const std::int64_t size = folder ? 0
                                             : static_cast<std::int64_t>(
                                                   (static_cast<std::uint64_t>(e.findData.sizeHigh) << 32) |
                                                   static_cast<std::uint32_t>(e.size));
            if (m_query.minSize && (folder || size < *m_query.minSize))
                continue;
            if (m_query.maxSize && (folder || size > *m_query.maxSize))
                continue;
            const auto date = static_cast<std::uint16_t>(e.dosDateTime >> 16);
            if ((m_query.fromDate || m_query.toDate) && e.dosDateTime == 0)
                continue;
            if ((m_query.fromDate && date < *m_query.fromDate) || (m_query.toDate && date > *m_query.toDate))
                continue;
            const std::string_view name = nameAt(e.nameOffset);
            if (!m_matcher->matches(name))
                continue;
            ++m_matches;
            if (m_hits.size() >= static_cast<std::size_t>(kKeptHits))
                continue;
            FileHit hit;
            hit.disc = discIndex;
            hit.entry = i;
            hit.name = std::string(name);
            hit.size = size;
            hit.dosDateTime = e.dosDateTime;
            hit.isFolder = folder;
            m_hits.push_back(std::move(hit));
        }
    }
    // The folders above each hit, up to the root; a damaged table's loops end after count steps,
    // and a table cut short by a failed read gives the names it has.
    const int known = static_cast<int>(m_links.size());
    std::vector<std::string_view> up;
    for (std::size_t h = firstHit; h < m_hits.size(); ++h) {
        FileHit& hit = m_hits[h];
        up.clear();
        for (int p = m_links[static_cast<std::size_t>(hit.entry)].first, steps = 0; p > 0 && p < count && steps < count;
             ++steps) {
            if (p >= known) {
                up.push_back({});
                break;
            }
            up.push_back(nameAt(m_links[static_cast<std::size_t>(p)].second));
            p = m_links[static_cast<std::size_t>(p)].first;
        }
        for (auto it = up.rbegin(); it != up.rend(); ++it) {
            hit.folder += '\\';
            hit.folder += *it;
        }
    }
}

} // namespace kavro
