#pragma once

#include <string>
#include <string_view>

namespace kavro {

// Marks the one running instance: an flock on a file named "KavroInstance" in the user's runtime
// folder. The system drops the lock when the process ends, however it ends, so a crashed
// instance never blocks the next start.
class InstanceLock {
public:
    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // $XDG_RUNTIME_DIR when it is this user's own folder, else /tmp/kavro-<uid> (made 0700).
    static std::string defaultFolder();
    // The same choice for a given runtime folder (may be null) and temporary root.
    static std::string folderFor(const char* runtimeDir, const std::string& tempRoot);

    // Takes the lock. False when another instance holds it or the lock file cannot be opened.
    bool acquire(const std::string& folder, std::string_view name = "KavroInstance");

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

} // namespace kavro
