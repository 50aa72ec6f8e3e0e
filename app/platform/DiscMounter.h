#pragma once

#include <string>

namespace kavro {

// Mounts a disc that the desktop did not mount, read-only, as the desktop would (the program has
// no root). The system's one speaks to udisks2; tests give their own.
class DiscMounter {
public:
    struct Result {
        bool mounted = false;    // the device's file system is mounted now
        bool mountedNow = false; // by this call, so it is for the caller to unmount
        std::string error;       // why not, when not
    };

    virtual ~DiscMounter() = default;

    // A file system already mounted counts as mounted (not now). The mount point is found in the
    // system's mounts afterwards.
    virtual Result mountReadOnly(const std::string& device) = 0;
    // Unmounts what mountReadOnly mounted; false when it is still mounted.
    virtual bool unmount(const std::string& device) = 0;
};

} // namespace kavro
