#pragma once

#include <filesystem>
#include <string_view>

namespace kavro {

// Data/kavro.log: notes of the placement pass, appended as given. A file that cannot be opened
// or created drops the note; an empty text writes nothing.
class ProgramLog {
public:
    explicit ProgramLog(std::filesystem::path file);

    const std::filesystem::path& file() const { return m_file; }

    void append(std::string_view text) const;

private:
    std::filesystem::path m_file;
};

} // namespace kavro
