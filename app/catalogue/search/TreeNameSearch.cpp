#include "catalogue/search/TreeNameSearch.h"

#include "content/TreeIndexEntry.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kavro {

namespace {

constexpr int kEntryBytes = static_cast<int>(sizeof(TreeIndexEntry));
// Entries read at a time: most trees that hit do so early, and the rest is never read.
constexpr int kChunkEntries = 256;
constexpr int kFirstChunkEntries = 16;

} // namespace

TreeNameSearch::TreeNameSearch(sqlite3* db, const FoldedPattern& pattern, bool files, bool folders)
    : m_db(db), m_pattern(pattern), m_files(files), m_folders(folders)
{
}

TreeNameSearch::~TreeNameSearch()
{
    sqlite3_blob_close(m_indexBlob);
    sqlite3_blob_close(m_dataBlob);
}

bool TreeNameSearch::seek(sqlite3_blob*& blob, const char* column, std::int64_t rowId)
{
    if (blob) {
        if (sqlite3_blob_reopen(blob, rowId) == SQLITE_OK)
            return true;
        // A failed move leaves the handle unusable.
        sqlite3_blob_close(blob);
        blob = nullptr;
    }
    if (sqlite3_blob_open(m_db, "main", "KAVRO", column, rowId, 0, &blob) == SQLITE_OK)
        return true;
    sqlite3_blob_close(blob);
    blob = nullptr;
    return false;
}

void TreeNameSearch::startSpans()
{
    m_spans.clear();
    m_spansReach = -1;
    m_nextOccurrence = m_pattern.findInFolded(m_pool, 0);
}

void TreeNameSearch::extendSpans(std::int64_t offset)
{
    const std::string_view pool(m_pool);
    const std::size_t m = m_pattern.size();
    // Spans start after the NUL that ends the one before, so once the last one made ends at or
    // past offset, every span that can hold offset is made.
    while (m_nextOccurrence != std::string_view::npos && m_spansReach < offset) {
        const std::size_t p = m_nextOccurrence;
        // The names that see this occurrence start between the NUL before it and the occurrence,
        // and must end at a NUL inside the pool.
        std::size_t start = p;
        while (start > 0 && pool[start - 1] != '\0')
            --start;
        const void* nul = std::memchr(pool.data() + p + m, '\0', pool.size() - (p + m));
        if (!nul) {
            m_nextOccurrence = std::string_view::npos;
            break;
        }
        const auto end = static_cast<std::size_t>(static_cast<const char*>(nul) - pool.data());
        // A name starting after the last occurrence before the NUL sees none.
        const std::string_view name(pool.data(), end);
        std::size_t last = p;
        for (std::size_t q = m_pattern.findInFolded(name, last + 1); q != std::string_view::npos;
             q = m_pattern.findInFolded(name, last + 1))
            last = q;
        m_spans.emplace_back(static_cast<std::int32_t>(start), static_cast<std::int32_t>(last));
        m_spansReach = static_cast<std::int64_t>(end);
        m_nextOccurrence = m_pattern.findInFolded(pool, end + 1);
    }
}

bool TreeNameSearch::offsetHits(std::int32_t offset)
{
    extendSpans(offset);
    auto it = std::upper_bound(m_spans.begin(), m_spans.end(), offset,
                               [](std::int32_t o, const auto& span) { return o < span.first; });
    if (it == m_spans.begin())
        return false;
    --it;
    return offset <= it->second;
}

bool TreeNameSearch::hits(std::int64_t rowId, int indexCount, int dataCount)
{
    if (m_pattern.empty() || (!m_files && !m_folders) || indexCount < 1 || dataCount < 1)
        return false;
    // Names end at their NUL, so a pattern holding one is in none of them.
    if (m_pattern.folded().find('\0') != std::string::npos)
        return false;
    const std::int64_t indexBytes = static_cast<std::int64_t>(indexCount) * kEntryBytes;
    if (!seek(m_indexBlob, "TreeIndex", rowId) || sqlite3_blob_bytes(m_indexBlob) < indexBytes)
        return false;
    if (!seek(m_dataBlob, "TreeData", rowId) || sqlite3_blob_bytes(m_dataBlob) < dataCount)
        return false;

    m_pool.resize(static_cast<std::size_t>(dataCount));
    if (sqlite3_blob_read(m_dataBlob, m_pool.data(), dataCount, 0) != SQLITE_OK)
        return false;
    FoldLettersInPlace(m_pool.data(), m_pool.size());
    startSpans();
    if (m_nextOccurrence == std::string_view::npos)
        return false;

    ++m_indexReads;
    const bool both = m_files && m_folders;
    // Small reads first, growing: a tree that hits mostly does so within its first entries.
    int chunk = kFirstChunkEntries;
    for (int first = 0; first < indexCount; first += chunk, chunk = std::min(2 * chunk, kChunkEntries)) {
        const int n = std::min(chunk, indexCount - first);
        m_chunk.resize(static_cast<std::size_t>(n) * kEntryBytes);
        if (sqlite3_blob_read(m_indexBlob, m_chunk.data(), n * kEntryBytes, first * kEntryBytes) != SQLITE_OK)
            return false;
        for (int k = 0; k < n; ++k) {
            const char* entry = m_chunk.data() + static_cast<std::size_t>(k) * kEntryBytes;
            std::int32_t nameOffset;
            std::uint32_t attributes;
            std::memcpy(&nameOffset, entry + offsetof(TreeIndexEntry, nameOffset), sizeof nameOffset);
            std::memcpy(&attributes, entry + offsetof(TreeIndexEntry, attributes), sizeof attributes);
            if (nameOffset == -1)
                continue; // a terminator
            const bool folder = (attributes & TreeIndexEntry::DirectoryBit) != 0;
            if (!both && (folder ? !m_folders : !m_files))
                continue;
            if (offsetHits(nameOffset))
                return true;
        }
    }
    return false;
}

} // namespace kavro
