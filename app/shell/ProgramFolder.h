#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace kavro {

// The folder that every file of the program is named against. It is the executable's own folder
// when that folder is writable (a staged or portable installation); an installed package's folder
// is not, so then each user gets $XDG_DATA_HOME/kavro/ (else ~/.local/share/kavro/).
class ProgramFolder {
public:
    // Where the per-user folder goes; empty strings mean "not set".
    struct UserFolders {
        std::string xdgDataHome;
        std::string home;
        static UserFolders fromEnvironment();
    };

    // Decides the folder for the program file at executable. writable tells whether a folder may
    // be written to (by default the process's own access rights).
    static ProgramFolder locate(const std::filesystem::path& executable, const UserFolders& user,
                                const std::function<bool(const std::string&)>& writable = {});

    // The running program's file (/proc/self/exe), empty when it cannot be read.
    static std::filesystem::path runningExecutable();

    // The folder, always ending in '/'.
    const std::string& path() const { return m_path; }
    // Name of the program file without its folder.
    const std::string& programFileName() const { return m_programFileName; }
    // Folder of the executable, ending in '/'.
    const std::string& installFolder() const { return m_installFolder; }
    bool isInstallFolder() const { return m_path == m_installFolder; }

    // A name relative to the folder, e.g. file("Data/Kavro.ini").
    std::string file(std::string_view relative) const { return m_path + std::string(relative); }

    // For a per-user folder: copies the installation's language files that its Language folder
    // lacks (an existing file is never overwritten, the user may have edited it). Returns the
    // number of files copied.
    int seedLanguageFiles() const;

private:
    std::string m_path;
    std::string m_programFileName;
    std::string m_installFolder;
};

} // namespace kavro
