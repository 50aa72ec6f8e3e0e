#include "content/DiscScan.h"

#include "content/DiscScanLister.h"
#include "content/EntryTimes.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/Text.h"

#include <sys/statvfs.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace kavro {

namespace {

constexpr std::uint32_t ReadOnlyBit = 1;
constexpr std::uint32_t HiddenBit = 2;
constexpr std::uint32_t ArchiveBit = 32;
constexpr std::size_t FindNameBytes = sizeof(FindData::fileName);

bool mountedReadOnly(const std::string& root)
{
    struct statvfs st {};
    return ::statvfs(root.c_str(), &st) == 0 && (st.f_flag & ST_RDONLY) != 0;
}

class TreeWalk {
public:
    TreeWalk(FileTree& tree, Clock& clock, const ScanOptions& options, DirectoryLister& lister)
        : m_tree(tree), m_clock(clock), m_lister(lister)
    {
        // Thresholds above their capacities would let the terminator overflow the table.
        m_maxEntries = std::max(options.maxEntries, 2);
        m_entryStop = std::clamp(options.entryStopThreshold, 1, m_maxEntries - 1);
        m_maxPool = std::max(options.maxPoolBytes, 3);
        m_poolStop = std::clamp(options.poolStopThreshold, 1, m_maxPool);
        m_eventInterval = std::max(options.eventInterval, 1);
    }

    ScanSummary run(char letter, const std::optional<std::string>& root)
    {
        m_tree.entries.reserve(static_cast<std::size_t>(m_maxEntries));
        m_tree.pool.reserve(static_cast<std::size_t>(m_maxPool));

        TreeIndexEntry rootEntry;
        rootEntry.parent = -1;
        rootEntry.firstChild = 1;
        rootEntry.nameOffset = m_tree.appendName(std::string{letter, ':'});
        m_tree.entries.push_back(rootEntry);

        ScanSummary summary;
        if (!root)
            return summary;
        m_root = *root;
        m_readOnlyVolume = mountedReadOnly(m_root);

        // The table is the queue: every folder entry, in table order, is listed in turn.
        for (std::size_t cursor = 0; cursor < m_tree.entries.size(); ++cursor) {
            if (cursor != 0 && !m_tree.entries[cursor].isFolder())
                continue;
            const bool listed = listFolder(static_cast<std::int32_t>(cursor));
            if (cursor == 0)
                summary.rootListed = listed;
            else if (!listed)
                ++summary.foldersNotListed;
            // A folder started at a threshold could not be closed within the capacity.
            if (m_nameTooLong || limitReached()) {
                summary.limitReached = true;
                break;
            }
        }
        return summary;
    }

private:
    bool limitReached() const
    {
        return static_cast<int>(m_tree.entries.size()) >= m_entryStop ||
               static_cast<int>(m_tree.pool.size()) >= m_poolStop;
    }

    // The folder's path on the host: its names from the root down, without any fixed bound.
    std::string folderPath(std::int32_t folder)
    {
        m_chain.clear();
        for (std::int32_t i = folder; i > 0; i = m_tree.entries[static_cast<std::size_t>(i)].parent)
            m_chain.push_back(i);
        std::string path = m_root;
        for (auto it = m_chain.rbegin(); it != m_chain.rend(); ++it) {
            if (path.empty() || path.back() != '/')
                path.push_back('/');
            path.append(m_tree.nameAt(*it));
        }
        return path;
    }

    bool listFolder(std::int32_t folder)
    {
        const auto listing = m_lister.open(folderPath(folder));
        if (!listing)
            return false;
        m_tree.entries[static_cast<std::size_t>(folder)].firstChild =
            static_cast<std::int32_t>(m_tree.entries.size());
        while (listing->next(m_item)) {
            if (m_item.name != "." && m_item.name != "..") {
                // A long name near the pool's end must not push it past its capacity.
                if (static_cast<int>(m_tree.pool.size() + m_item.name.size()) + 1 > m_maxPool) {
                    m_nameTooLong = true;
                    break;
                }
                append(folder);
            }
            if (limitReached())
                break;
        }
        m_tree.entries.push_back(TreeIndexEntry::terminator(folder));
        return true;
    }

    void append(std::int32_t folder)
    {
        TreeIndexEntry e;
        e.parent = folder;
        e.firstChild = -1;
        e.nameOffset = m_tree.appendName(m_item.name);

        std::uint32_t attributes = m_item.isFolder ? TreeIndexEntry::DirectoryBit : ArchiveBit;
        if (!m_item.name.empty() && m_item.name.front() == '.')
            attributes |= HiddenBit;
        if (m_readOnlyVolume || !m_item.ownerWritable)
            attributes |= ReadOnlyBit;
        e.attributes = attributes;
        if (m_item.hasDetails)
            e.dosDateTime = entrytime::dosDateTimeFromUnix(static_cast<std::time_t>(m_item.written.seconds));

        FindData& f = e.findData;
        f.attributes = attributes;
        if (m_item.hasDetails) {
            f.creationTime = entrytime::fileTimeFromUnix(m_item.created.seconds, m_item.created.nanoseconds);
            f.lastAccessTime =
                entrytime::fileTimeFromUnix(m_item.accessed.seconds, m_item.accessed.nanoseconds);
            f.lastWriteTime = entrytime::fileTimeFromUnix(m_item.written.seconds, m_item.written.nanoseconds);
        }
        f.sizeHigh = static_cast<std::uint32_t>(m_item.size >> 32);
        f.sizeLow = static_cast<std::uint32_t>(m_item.size & 0xFFFFFFFFu);
        // The record holds 259 bytes and a NUL; the full name is in the pool.
        const std::size_t nameBytes = text::utf8PrefixLength(m_item.name, FindNameBytes - 1);
        std::memcpy(f.fileName, m_item.name.data(), nameBytes);
        e.size = static_cast<std::int32_t>(f.sizeLow);
        m_tree.entries.push_back(e);

        if (++m_sinceEvents >= m_eventInterval) {
            m_sinceEvents = 0;
            m_clock.processEvents();
        }
    }

    FileTree& m_tree;
    Clock& m_clock;
    DirectoryLister& m_lister;
    int m_maxEntries = 0;
    int m_entryStop = 0;
    int m_maxPool = 0;
    int m_poolStop = 0;
    int m_eventInterval = 1;
    int m_sinceEvents = 0;
    std::string m_root;
    bool m_readOnlyVolume = false;
    bool m_nameTooLong = false;
    ListedItem m_item;
    std::vector<std::int32_t> m_chain;
};

} // namespace

ScanSummary ScanDiscTree(FileTree& tree, char letter, const Drives& drives, Clock& clock,
                         const ScanOptions& options)
{
    ClearDiscTree(tree);
    std::optional<std::string> root;
    if (const auto path = drives.rootPath(letter))
        root = path->string();
    SystemDirectoryLister systemLister;
    DirectoryLister& lister = options.lister != nullptr ? *options.lister : systemLister;
    TreeWalk walk(tree, clock, options, lister);
    return walk.run(letter, root);
}

void ClearDiscTree(FileTree& tree)
{
    tree.clear();
}

} // namespace kavro
