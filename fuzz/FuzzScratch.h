#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

// A private folder for the inputs that a reader only takes as files. One per process, removed when
// the process ends normally; a crash leaves it behind for a look.
namespace kavro::fuzz {

inline const std::filesystem::path& scratchFolder()
{
    // Never freed: the removal at exit runs after static objects may have been destroyed.
    static const std::filesystem::path* const folder = [] {
        // Memory-backed when the system has it: some targets write a file per input.
        std::string base = "/dev/shm";
        if (const char* chosen = std::getenv("KAVRO_FUZZ_SCRATCH"))
            base = chosen;
        else if (::access(base.c_str(), W_OK) != 0)
            base = std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/kavro-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return new std::filesystem::path(pattern);
    }();
    static const bool removeAtExit = [] {
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(*folder, ec);
        });
        return true;
    }();
    (void)removeAtExit;
    return *folder;
}

// Writes bytes to name inside the scratch folder and returns its path.
inline std::filesystem::path scratchFile(const std::filesystem::path& name, std::string_view bytes)
{
    const std::filesystem::path path = scratchFolder() / name;
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::abort();
    }
    return path;
}

// Stops the run with a message: a reader broke a promise of its interface.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

// Bytes as hex pairs, for messages about text that may hold anything.
inline std::string hex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

inline void check(bool condition, const char* what)
{
    if (!condition)
        fail(what);
}

} // namespace kavro::fuzz
