#include "content/DiscScanLister.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

namespace kavro {

namespace {

ItemTime fromStatx(const struct statx_timestamp& t)
{
    return ItemTime{t.tv_sec, t.tv_nsec};
}

class SystemDirectoryListing final : public DirectoryListing {
public:
    explicit SystemDirectoryListing(DIR* dir) : m_dir(dir) {}
    ~SystemDirectoryListing() override { ::closedir(m_dir); }
    SystemDirectoryListing(const SystemDirectoryListing&) = delete;
    SystemDirectoryListing& operator=(const SystemDirectoryListing&) = delete;

    bool next(ListedItem& item) override
    {
        errno = 0;
        const dirent* d = ::readdir(m_dir);
        if (d == nullptr)
            return false;
        item.name.assign(d->d_name);
        item.isFolder = d->d_type == DT_DIR;
        item.ownerWritable = true;
        item.hasDetails = false;
        item.size = 0;
        item.created = item.accessed = item.written = ItemTime{};
        if (item.name == "." || item.name == "..")
            return true;

        struct statx st {};
        const unsigned mask = STATX_TYPE | STATX_MODE | STATX_SIZE | STATX_ATIME | STATX_MTIME | STATX_BTIME;
        if (::statx(::dirfd(m_dir), d->d_name, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, mask, &st) != 0)
            return true; // gone since it was listed: the name is all there is
        item.hasDetails = true;
        item.isFolder = S_ISDIR(st.stx_mode);
        item.ownerWritable = (st.stx_mode & S_IWUSR) != 0;
        item.size = item.isFolder ? 0 : st.stx_size;
        item.written = fromStatx(st.stx_mtime);
        item.accessed = fromStatx(st.stx_atime);
        item.created = (st.stx_mask & STATX_BTIME) != 0 ? fromStatx(st.stx_btime) : item.written;
        return true;
    }

private:
    DIR* m_dir;
};

} // namespace

std::unique_ptr<DirectoryListing> SystemDirectoryLister::open(const std::string& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr)
        return nullptr;
    return std::make_unique<SystemDirectoryListing>(dir);
}

} // namespace kavro
