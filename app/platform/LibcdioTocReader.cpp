#include "platform/LibcdioTocReader.h"

#include "platform/Clock.h"

#include <cdio/cdio.h>
#include <fcntl.h>
#include <linux/cdrom.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

namespace kavro {

namespace {

constexpr int StepMs = 500;

CdTocResult failure(int code)
{
    CdTocResult result;
    result.error.code = code;
    result.error.text = std::strerror(code);
    return result;
}

// errno of the last failing call, or a plain I/O error when the library left none.
int lastError()
{
    return errno != 0 ? errno : EIO;
}

class CdioHandle {
public:
    explicit CdioHandle(CdIo_t* cdio) : m_cdio(cdio) {}
    ~CdioHandle()
    {
        if (m_cdio)
            cdio_destroy(m_cdio);
    }
    CdioHandle(const CdioHandle&) = delete;
    CdioHandle& operator=(const CdioHandle&) = delete;
    CdIo_t* get() const { return m_cdio; }

private:
    CdIo_t* m_cdio;
};

class FileHandle {
public:
    explicit FileHandle(int fd) : m_fd(fd) {}
    ~FileHandle()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Closes an open tray and waits until the drive has a disc ready. 0 when the disc can be read,
// else the error to report. A drive that cannot tell its state is left to the reads that follow.
int prepareDrive(const std::string& device, Clock& clock, int readyTimeoutMs)
{
    // O_NONBLOCK: opening must not fail just because there is no disc or the tray is open.
    FileHandle drive(::open(device.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (drive.get() < 0)
        return lastError();
    int status = ::ioctl(drive.get(), CDROM_DRIVE_STATUS, CDSL_CURRENT);
    if (status < 0)
        return 0;
    if (status == CDS_TRAY_OPEN) {
        driver_id_t driver = DRIVER_DEVICE;
        if (cdio_close_tray(device.c_str(), &driver) != DRIVER_OP_SUCCESS &&
            ::ioctl(drive.get(), CDROMCLOSETRAY, 0) < 0)
            return lastError();
    }
    // After closing, the drive spins up and reads the disc for a few seconds; reading the table
    // of contents meanwhile would fail.
    const std::int64_t deadline = clock.nowMs() + readyTimeoutMs;
    for (;;) {
        status = ::ioctl(drive.get(), CDROM_DRIVE_STATUS, CDSL_CURRENT);
        if (status < 0 || status == CDS_DISC_OK || status == CDS_NO_INFO)
            return 0;
        if (status == CDS_NO_DISC)
            return ENOMEDIUM;
        if (clock.nowMs() >= deadline)
            return status == CDS_TRAY_OPEN ? ENOMEDIUM : ETIMEDOUT;
        clock.sleep(StepMs);
        clock.processEvents();
    }
}

} // namespace

CdTocResult LibcdioTocReader::read(const std::string& device, Clock& clock)
{
    if (device.empty())
        return failure(ENOENT);
    struct stat info {};
    if (::stat(device.c_str(), &info) != 0)
        return failure(lastError());
    if (S_ISBLK(info.st_mode)) {
        if (const int error = prepareDrive(device, clock, m_readyTimeoutMs))
            return failure(error);
    }

    errno = 0;
    CdioHandle cdio(cdio_open(device.c_str(), DRIVER_UNKNOWN));
    if (!cdio.get())
        return failure(lastError());

    errno = 0;
    const track_t count = cdio_get_num_tracks(cdio.get());
    const track_t first = cdio_get_first_track_num(cdio.get());
    if (count == CDIO_INVALID_TRACK || count == 0 || first == CDIO_INVALID_TRACK)
        return failure(lastError());
    const int last = first + count - 1;

    // Only a disc with an audio track is looked up.
    bool audio = false;
    for (int t = first; t <= last && !audio; ++t) {
        errno = 0;
        const track_format_t format = cdio_get_track_format(cdio.get(), static_cast<track_t>(t));
        if (format == TRACK_FORMAT_ERROR)
            return failure(lastError());
        audio = format == TRACK_FORMAT_AUDIO;
    }
    if (!audio)
        return failure(EMEDIUMTYPE);

    CdToc toc;
    toc.trackStarts.reserve(count);
    for (int t = first; t <= last; ++t) {
        errno = 0;
        const lba_t start = cdio_get_track_lba(cdio.get(), static_cast<track_t>(t));
        if (start == CDIO_INVALID_LBA)
            return failure(lastError());
        // A table that runs backwards cannot describe a disc.
        if (!toc.trackStarts.empty() && start <= toc.trackStarts.back())
            return failure(EIO);
        toc.trackStarts.push_back(start);
    }
    errno = 0;
    toc.leadOut = cdio_get_track_lba(cdio.get(), CDIO_CDROM_LEADOUT_TRACK);
    if (toc.leadOut == CDIO_INVALID_LBA)
        return failure(lastError());
    if (toc.leadOut <= toc.trackStarts.back())
        return failure(EIO);

    CdTocResult result;
    result.toc = std::move(toc);
    return result;
}

} // namespace kavro
