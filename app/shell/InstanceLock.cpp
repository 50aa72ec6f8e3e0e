#include "shell/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kavro {

InstanceLock::~InstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

namespace {

// A folder of this user's alone: a real directory (no link), owned by the user, that the user may
// write and others may not.
bool isOwnFolder(const std::string& folder)
{
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 && ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace

std::string InstanceLock::defaultFolder()
{
    return folderFor(std::getenv("XDG_RUNTIME_DIR"), "/tmp");
}

std::string InstanceLock::folderFor(const char* runtimeDir, const std::string& tempRoot)
{
    // After su without "-" the variable still names the first user's folder, which this user
    // cannot write to (or, worse, shares with that user's instance).
    if (runtimeDir != nullptr && *runtimeDir == '/' && isOwnFolder(runtimeDir))
        return runtimeDir;
    // One folder per user under /tmp, so that users of one machine do not lock each other out.
    std::string folder = tempRoot;
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    folder += "kavro-" + std::to_string(::geteuid());
    ::mkdir(folder.c_str(), 0700);
    // A folder of that name planted by someone else is not used: no lock can be taken then.
    return isOwnFolder(folder) ? folder : std::string();
}

bool InstanceLock::acquire(const std::string& folder, std::string_view name)
{
    if (m_fd >= 0)
        return true;
    std::string path = folder;
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;

    if (folder.empty())
        return false;
    // O_NOFOLLOW: in a shared /tmp, another user could plant a link here.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0 && errno == EACCES)
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW); // flock needs no write access
    if (fd < 0)
        return false;
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        ::close(fd);
        return false;
    }
    m_fd = fd;
    return true;
}

} // namespace kavro
