#pragma once

#include "content/DiscScanLister.h"
#include "platform/Drives.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace kavro::test {

// Replays a listing made in advance.
class ListedItems final : public DirectoryListing {
public:
    explicit ListedItems(std::vector<ListedItem> items) : m_items(std::move(items)) {}
    bool next(ListedItem& item) override
    {
        if (m_next >= m_items.size())
            return false;
        item = m_items[m_next++];
        return true;
    }

private:
    std::vector<ListedItem> m_items;
    std::size_t m_next = 0;
};

// The system's listings in name order, so tests can expect entries one by one; the folders
// named in `failing` cannot be opened, as a folder without permission.
class OrderedLister final : public DirectoryLister {
public:
    std::set<std::string> failing;
    std::vector<std::string> opened;

    std::unique_ptr<DirectoryListing> open(const std::string& folder) override
    {
        opened.push_back(folder);
        if (failing.count(folder) != 0)
            return nullptr;
        auto listing = m_system.open(folder);
        if (!listing)
            return nullptr;
        std::vector<ListedItem> items;
        ListedItem item;
        while (listing->next(item))
            items.push_back(item);
        std::sort(items.begin(), items.end(),
                  [](const ListedItem& a, const ListedItem& b) { return a.name < b.name; });
        return std::make_unique<ListedItems>(std::move(items));
    }

private:
    SystemDirectoryLister m_system;
};

// Folders that exist only in memory: every folder lists what `contents` gives for its path.
class GeneratedLister final : public DirectoryLister {
public:
    std::function<std::vector<ListedItem>(const std::string& folder)> contents;

    std::unique_ptr<DirectoryListing> open(const std::string& folder) override
    {
        return std::make_unique<ListedItems>(contents(folder));
    }
};

inline ListedItem listedFile(std::string name, std::uint64_t size = 0)
{
    ListedItem item;
    item.name = std::move(name);
    item.hasDetails = true;
    item.size = size;
    return item;
}

inline ListedItem listedFolder(std::string name)
{
    ListedItem item;
    item.name = std::move(name);
    item.isFolder = true;
    item.hasDetails = true;
    return item;
}

// Drives whose letter E stands for a folder of the test, marked as a CD-ROM drive.
inline Drives driveE(const std::string& folder, bool cdrom = true)
{
    return Drives::build(Drives::System{}, [&](char letter) {
        return letter == 'E' ? folder + (cdrom ? ";cdrom" : "") : std::string();
    });
}

} // namespace kavro::test
