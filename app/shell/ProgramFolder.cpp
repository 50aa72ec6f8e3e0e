#include "shell/ProgramFolder.h"

#include <cstdlib>
#include <system_error>

#include <unistd.h>

namespace kavro {

namespace fs = std::filesystem;

namespace {

std::string withSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string environmentValue(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
}

// An installed package (bin/Kavro beside share/kavro/) is never a program folder, even for a
// user who may write to bin/ (root setting the start-up password): its files are the package's.
bool isInstalledLayout(const fs::path& executable)
{
    const fs::path bin = executable.parent_path();
    std::error_code ec;
    return bin.filename() == "bin" && fs::is_directory(bin.parent_path() / "share" / "kavro", ec);
}

} // namespace

ProgramFolder::UserFolders ProgramFolder::UserFolders::fromEnvironment()
{
    return {environmentValue("XDG_DATA_HOME"), environmentValue("HOME")};
}

fs::path ProgramFolder::runningExecutable()
{
    std::error_code ec;
    auto path = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : path;
}

ProgramFolder ProgramFolder::locate(const fs::path& executable, const UserFolders& user,
                                    const std::function<bool(const std::string&)>& writable)
{
    ProgramFolder folder;
    folder.m_programFileName = executable.filename().string();
    folder.m_installFolder = withSlash(executable.parent_path().string());
    folder.m_path = folder.m_installFolder;
    const bool canWrite =
        writable ? writable(folder.m_installFolder) : ::access(folder.m_installFolder.c_str(), W_OK) == 0;
    if (canWrite && !isInstalledLayout(executable))
        return folder;

    // The XDG rule: a relative XDG_DATA_HOME is invalid and ignored.
    if (!user.xdgDataHome.empty() && user.xdgDataHome.front() == '/')
        folder.m_path = withSlash(user.xdgDataHome) + "kavro/";
    else if (!user.home.empty())
        folder.m_path = withSlash(user.home) + ".local/share/kavro/";
    else
        return folder; // nowhere better; the folder's own file operations will fail as they may

    std::error_code ec;
    fs::create_directories(folder.m_path, ec);
    return folder;
}

int ProgramFolder::seedLanguageFiles() const
{
    if (isInstallFolder())
        return 0;
    // A staged folder keeps Language/ beside the program; a package puts it under share/kavro.
    const fs::path candidates[] = {fs::path(m_installFolder) / "Language",
                                   fs::path(m_installFolder) / ".." / "share" / "kavro" / "Language"};
    const fs::path target = fs::path(m_path) / "Language";
    int copied = 0;
    for (const auto& source : candidates) {
        std::error_code ec;
        if (!fs::is_directory(source, ec))
            continue;
        fs::create_directories(target, ec);
        for (const auto& entry : fs::directory_iterator(source, ec)) {
            std::error_code fileEc;
            if (!entry.is_regular_file(fileEc))
                continue;
            if (fs::copy_file(entry.path(), target / entry.path().filename(), fs::copy_options::skip_existing,
                              fileEc))
                ++copied;
        }
        break;
    }
    return copied;
}

} // namespace kavro
