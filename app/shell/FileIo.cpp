#include "shell/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <system_error>

namespace kavro {

namespace {

// Reads a regular file up to limit bytes. With wholeOnly, a longer file is refused instead.
std::optional<std::string> readRegularFile(const std::filesystem::path& file, std::size_t limit,
                                           bool wholeOnly)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        (wholeOnly && static_cast<std::size_t>(st.st_size) > limit)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string bytes;
    bytes.reserve(std::min(static_cast<std::size_t>(st.st_size), limit));
    char buffer[16384];
    while (bytes.size() < limit) {
        const auto n = ::read(fd, buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (n == 0)
            break;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
    // A file that grew past the limit while it was read.
    if (wholeOnly && bytes.size() == limit) {
        char extra = 0;
        if (::read(fd, &extra, 1) > 0) {
            ::close(fd);
            return std::nullopt;
        }
    }
    ::close(fd);
    return bytes;
}

} // namespace

std::optional<std::string> readWholeFile(const std::filesystem::path& file, std::size_t maxBytes)
{
    return readRegularFile(file, maxBytes, true);
}

std::optional<std::string> readFileHead(const std::filesystem::path& file, std::size_t maxBytes)
{
    return readRegularFile(file, maxBytes, false);
}

bool replaceFile(const std::filesystem::path& file, std::string_view bytes)
{
    std::error_code ec;
    std::filesystem::path target = file;
    if (std::filesystem::is_symlink(file, ec)) {
        const auto resolved = std::filesystem::weakly_canonical(file, ec);
        if (!ec)
            target = resolved;
    }
    mode_t mode = 0644;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0)
        mode = st.st_mode & 07777;

    std::string temp = target.string() + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return false;
    // A file owned by someone else may refuse the mode; the contents are what matter.
    (void)::fchmod(fd, mode);
    bool ok = true;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const auto n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(fd) != 0)
        ok = false;
    if (::close(fd) != 0)
        ok = false;
    if (ok && ::rename(temp.c_str(), target.c_str()) != 0)
        ok = false;
    if (!ok)
        ::unlink(temp.c_str());
    return ok;
}

} // namespace kavro
