#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace kavro {

// A time as the system keeps it: seconds and nanoseconds since 1970-01-01 00:00 UTC.
struct ItemTime {
    std::int64_t seconds = 0;
    std::int64_t nanoseconds = 0;
};

// One item of a folder listing, as the disc scan records it.
struct ListedItem {
    std::string name;
    bool isFolder = false;     // a real folder; a link to a folder is not one
    bool ownerWritable = true; // the owner's write permission
    bool hasDetails = false;   // false when the item vanished or could not be examined
    std::uint64_t size = 0;
    ItemTime created; // the write time where the file system keeps no creation time
    ItemTime accessed;
    ItemTime written;
};

// An open listing of one folder.
class DirectoryListing {
public:
    virtual ~DirectoryListing() = default;
    // The next item in the order the file system returns them ("." and ".." included when the
    // system lists them); false at the end.
    virtual bool next(ListedItem& item) = 0;
};

// Opens folder listings; the scan takes one so tests can make folders fail or list in an order
// of their choosing.
class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    // nullptr when the folder cannot be listed.
    virtual std::unique_ptr<DirectoryListing> open(const std::string& folder) = 0;
};

// The system's folders. Items are examined without following links, so a link to a folder is
// listed as a file and a walk can never loop.
class SystemDirectoryLister final : public DirectoryLister {
public:
    std::unique_ptr<DirectoryListing> open(const std::string& folder) override;
};

} // namespace kavro
