// What the benchmarks share: a quiet person, the clock, the generator of stored trees with
// realistic names, and the timing of outside tools run as references.
#pragma once

#include "content/FileTree.h"
#include "platform/Person.h"
#include "support/QuietPerson.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace kavro::bench {

using Steady = std::chrono::steady_clock;

inline double msSince(Steady::time_point start)
{
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// Answers every question with no and prints messages, so that a run never waits.
inline kavro::test::QuietPerson quietPerson()
{
    return kavro::test::QuietPerson(false, stderr);
}

inline const char* const kWords[] = {"photo",  "track",   "setup",   "readme",  "install", "music",
                                     "video",  "backup",  "report",  "invoice", "letter",  "image",
                                     "scan",   "holiday", "project", "data",    "archive", "driver",
                                     "manual", "notes",   "budget",  "summer",  "winter",  "family"};
inline const char* const kExtensions[] = {".jpg", ".mp3", ".txt", ".doc", ".pdf",
                                          ".exe", ".dll", ".avi", ".zip", ".ini"};

// A data disc's tree, breadth-first as stored: up to 20 folders under the root, below each of
// them 3 folders on the second level and 2 on every further one (down to depth), and the files
// spread over all folders. One disc in a hundred may hold the rare name "Needle_<disc>.dat".
inline FileTree makeTree(std::mt19937& rng, int entries, int disc, bool needle, int depth = 1)
{
    auto pick = [&](auto& array) { return array[rng() % std::size(array)]; };
    FileTree t;
    TreeIndexEntry root;
    root.parent = -1;
    root.firstChild = 1;
    root.nameOffset = t.appendName("E:");
    t.entries.push_back(root);
    const int top = std::max(1, std::min(20, entries / 100));
    int folders = 0;
    for (int level = 1, width = top; level <= depth; ++level) {
        folders += width;
        width *= level == 1 ? 3 : 2;
    }
    // Entries besides the root: the folders, a terminator per run, the files.
    const int files = std::max(0, entries - 1 - folders - (folders + 1));
    const int needleAt = needle && files > 0 ? static_cast<int>(rng() % static_cast<unsigned>(files)) : -1;
    char name[64];
    auto addFolder = [&](int parent, int number) {
        TreeIndexEntry e;
        e.parent = parent;
        e.attributes = TreeIndexEntry::DirectoryBit;
        std::snprintf(name, sizeof name, "%s %02d", pick(kWords), number);
        e.nameOffset = t.appendName(name);
        t.entries.push_back(e);
    };
    // Folders in the order their runs follow: entry index and level.
    std::vector<std::pair<int, int>> queue;
    for (int f = 0; f < top; ++f) {
        queue.emplace_back(t.entryCount(), 1);
        addFolder(0, f);
    }
    t.entries.push_back(TreeIndexEntry::terminator(0));
    int made = 0;
    for (std::size_t q = 0; q < queue.size(); ++q) {
        const auto [folderIndex, level] = queue[q];
        t.entries[static_cast<std::size_t>(folderIndex)].firstChild = t.entryCount();
        if (level < depth) {
            const int below = level == 1 ? 3 : 2;
            for (int f = 0; f < below; ++f) {
                queue.emplace_back(t.entryCount(), level + 1);
                addFolder(folderIndex, f);
            }
        }
        const int here = files / folders + (static_cast<int>(q) < files % folders ? 1 : 0);
        for (int i = 0; i < here; ++i, ++made) {
            TreeIndexEntry e;
            e.parent = folderIndex;
            e.attributes = 32;
            e.size = static_cast<std::int32_t>(rng() % 5000000);
            e.dosDateTime = 0x58A36C21;
            if (made == needleAt)
                std::snprintf(name, sizeof name, "Needle_%04d.dat", disc);
            else
                std::snprintf(name, sizeof name, "%s_%05u%s", pick(kWords),
                              static_cast<unsigned>(rng() % 100000), pick(kExtensions));
            e.nameOffset = t.appendName(name);
            t.entries.push_back(e);
        }
        t.entries.push_back(TreeIndexEntry::terminator(folderIndex));
    }
    return t;
}

// Appends a tree's names to a file, one a line, as the references search them.
inline void writeNames(std::ofstream& out, const FileTree& tree)
{
    for (int i = 0; i < tree.entryCount(); ++i) {
        if (!tree.entries[static_cast<std::size_t>(i)].isTerminator())
            out << tree.nameAt(i) << '\n';
    }
}

// Wall time of one run of a program, its standard input and output from and to files (empty:
// /dev/null), and its exit status.
inline double timeTool(std::vector<std::string> args, const std::filesystem::path& input = {},
                       const std::filesystem::path& output = {}, int* status = nullptr)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const std::string in = input.empty() ? "/dev/null" : input.string();
    const std::string out = output.empty() ? "/dev/null" : output.string();
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Steady::now();
    pid_t pid = 0;
    int st = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &st, 0);
    const double ms = msSince(start);
    posix_spawn_file_actions_destroy(&actions);
    if (status)
        *status = st;
    return ms;
}

// Wall time of one `grep -c -F -i pattern file`, and its count.
inline double timeGrep(const std::string& pattern, const std::filesystem::path& file, long* count)
{
    const std::filesystem::path out = file.string() + ".count";
    const double ms = timeTool({"grep", "-c", "-F", "-i", pattern, file.string()}, {}, out);
    std::ifstream in(out);
    *count = -1;
    in >> *count;
    return ms;
}

} // namespace kavro::bench
