#include "shell/ProgramLog.h"

#include <cstdio>

namespace kavro {

ProgramLog::ProgramLog(std::filesystem::path file) : m_file(std::move(file)) {}

void ProgramLog::append(std::string_view text) const
{
    if (text.empty())
        return;
    std::FILE* out = std::fopen(m_file.c_str(), "ab");
    if (!out)
        return;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
}

} // namespace kavro
