#include "ScanTestSupport.h"
#include "TreeTestSupport.h"

#include "content/DiscScan.h"
#include "content/EntryTimes.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

using namespace kavro;
using namespace kavro::test;
namespace fs = std::filesystem;

namespace {

class DiscScanTest : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directory(m_disc); }

    ScanSummary scan(ScanOptions options = {}, char letter = 'E')
    {
        if (options.lister == nullptr)
            options.lister = &lister;
        return ScanDiscTree(tree, letter, driveE(m_disc.string()), clock, options);
    }

    void folder(const std::string& relative) { fs::create_directories(m_disc / relative); }
    void file(const std::string& relative, std::string_view bytes = {})
    {
        m_dir.write("disc/" + relative, bytes);
    }
    std::string path(const std::string& relative) const { return (m_disc / relative).string(); }

    int indexOf(std::string_view name) const
    {
        for (int i = 0; i < tree.entryCount(); ++i)
            if (tree.nameAt(i) == name)
                return i;
        return -1;
    }
    const TreeIndexEntry& entry(int i) const { return tree.entries.at(static_cast<std::size_t>(i)); }

    TempDir m_dir;
    fs::path m_disc = m_dir / "disc";
    VirtualClock clock;
    OrderedLister lister;
    FileTree tree;
};

// Every run that was started is closed by its terminator, runs follow each other in table order
// of their folders, and folders without a run have first child -1.
void expectRunsClosed(const FileTree& tree)
{
    ASSERT_GE(tree.entryCount(), 1);
    int next = 1;
    for (int f = 0; f < tree.entryCount(); ++f) {
        const TreeIndexEntry& folder = tree.entries[static_cast<std::size_t>(f)];
        if (f != 0 && !folder.isFolder())
            continue;
        if (f != 0 && folder.firstChild == -1)
            continue;
        if (f == 0 && next >= tree.entryCount())
            break; // root not listed
        SCOPED_TRACE("folder " + std::to_string(f));
        ASSERT_EQ(folder.firstChild, next);
        int i = next;
        while (i < tree.entryCount() && !tree.entries[static_cast<std::size_t>(i)].isTerminator()) {
            EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].parent, f);
            ++i;
        }
        ASSERT_LT(i, tree.entryCount()) << "run not closed";
        EXPECT_EQ(tree.entries[static_cast<std::size_t>(i)].parent, f);
        next = i + 1;
    }
    EXPECT_EQ(next, tree.entryCount());
}

} // namespace

TEST_F(DiscScanTest, EmptyDiscIsRootAndTerminator)
{
    const ScanSummary summary = scan();
    EXPECT_TRUE(summary.rootListed);
    EXPECT_FALSE(summary.limitReached);
    ASSERT_EQ(tree.entryCount(), 2);
    EXPECT_EQ(tree.poolBytes(), 3);
    EXPECT_EQ(tree.pool, std::string("E:\0", 3));
    expectEntries(tree, {{-1, 1, "E:", false}, {0, -1, "", false}});
    EXPECT_EQ(tree.entries[0].attributes, 0u);
}

TEST_F(DiscScanTest, DriveWithoutDiscGivesTheRootAlone)
{
    fs::remove(m_disc);
    EXPECT_FALSE(scan().rootListed);
    ASSERT_EQ(tree.entryCount(), 1);
    EXPECT_EQ(tree.poolBytes(), 3);
    EXPECT_EQ(tree.entries[0].firstChild, 1);

    // A letter nobody mapped is the same.
    EXPECT_FALSE(scan({}, 'Q').rootListed);
    EXPECT_EQ(tree.entryCount(), 1);
    EXPECT_EQ(tree.pool, std::string("Q:\0", 3));
}

TEST_F(DiscScanTest, BreadthFirstRunsEntryByEntry)
{
    file("A/x.txt", "12345");
    file("A/B/deep.txt");
    folder("C");
    file("top.txt", "abc");
    scan();
    expectEntries(tree, {
                            {-1, 1, "E:", false},
                            {0, 5, "A", true},
                            {0, 8, "C", true}, // empty: its first child is its terminator
                            {0, -1, "top.txt", false},
                            {0, -1, "", false},
                            {1, 9, "B", true},
                            {1, -1, "x.txt", false},
                            {1, -1, "", false},
                            {2, -1, "", false},
                            {5, -1, "deep.txt", false},
                            {5, -1, "", false},
                        });
    expectWellFormed(tree);
    EXPECT_EQ(entry(6).size, 5);
    EXPECT_EQ(entry(3).size, 3);
    // Names lie end to end in the order the entries were made.
    EXPECT_EQ(tree.pool, std::string("E:\0A\0C\0top.txt\0B\0x.txt\0deep.txt\0", 32));
    EXPECT_EQ(lister.opened, (std::vector<std::string>{m_disc.string(), path("A"), path("C"), path("A/B")}));
}

TEST_F(DiscScanTest, EntriesCarryAttributesTimesAndTheFindRecord)
{
    file(".hidden", "h");
    file("locked.txt", "read only");
    file("plain.dat", std::string(1000, 'x'));
    folder("Folder");
    ASSERT_EQ(::chmod(path("locked.txt").c_str(), 0444), 0);

    std::tm local{};
    local.tm_year = 2021 - 1900;
    local.tm_mon = 2;
    local.tm_mday = 4;
    local.tm_hour = 5;
    local.tm_min = 6;
    local.tm_sec = 8;
    local.tm_isdst = -1;
    const std::time_t written = std::mktime(&local);
    const timespec times[2] = {{written - 60, 0}, {written, 500000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path("plain.dat").c_str(), times, 0), 0);

    scan();
    const TreeIndexEntry& hidden = entry(indexOf(".hidden"));
    EXPECT_EQ(hidden.attributes, 2u | 32u);
    EXPECT_EQ(entry(indexOf("locked.txt")).attributes, 1u | 32u);
    EXPECT_EQ(entry(indexOf("Folder")).attributes, 16u);
    EXPECT_EQ(entry(indexOf("Folder")).size, 0);
    EXPECT_EQ(entry(indexOf("Folder")).findData.sizeLow, 0u);

    const TreeIndexEntry& plain = entry(indexOf("plain.dat"));
    EXPECT_EQ(plain.attributes, 32u);
    EXPECT_EQ(plain.findData.attributes, 32u);
    EXPECT_EQ(plain.dosDateTime, entrytime::packDosDateTime(2021, 3, 4, 5, 6, 8));
    EXPECT_EQ(plain.excludeAttributes, 0u);
    const std::uint64_t ticksAt1970 = 11644473600ULL * 10000000ULL;
    // Copies: the packed 64-bit fields are not aligned for a reference.
    EXPECT_EQ(std::uint64_t{plain.findData.lastWriteTime},
              ticksAt1970 + static_cast<std::uint64_t>(written) * 10000000ULL + 5000000ULL);
    EXPECT_EQ(std::uint64_t{plain.findData.lastAccessTime},
              ticksAt1970 + static_cast<std::uint64_t>(written - 60) * 10000000ULL);
    EXPECT_NE(std::uint64_t{plain.findData.creationTime}, 0u);
    EXPECT_EQ(plain.findData.sizeHigh, 0u);
    EXPECT_EQ(plain.findData.sizeLow, 1000u);
    EXPECT_EQ(plain.size, 1000);
    EXPECT_STREQ(plain.findData.fileName, "plain.dat");
    EXPECT_EQ(plain.findData.shortFileName[0], '\0');
}

TEST_F(DiscScanTest, FilesOfFourGigabytesKeepTheLowBitsInTheSizeField)
{
    file("big.iso");
    file("huge.bin");
    const std::uint64_t big = (4ULL << 30) + 123;   // 4 GiB + 123
    const std::uint64_t huge = (6ULL << 30) + 4096; // low 32 bits 0x80001000: negative when signed
    fs::resize_file(m_disc / "big.iso", big);
    fs::resize_file(m_disc / "huge.bin", huge);
    scan();
    const TreeIndexEntry& b = entry(indexOf("big.iso"));
    EXPECT_EQ(b.size, 123);
    EXPECT_EQ(b.findData.sizeHigh, 1u);
    EXPECT_EQ(b.findData.sizeLow, 123u);
    const TreeIndexEntry& h = entry(indexOf("huge.bin"));
    EXPECT_EQ(h.findData.sizeHigh, 1u);
    EXPECT_EQ(h.findData.sizeLow, 0x80001000u);
    EXPECT_EQ(h.size, static_cast<std::int32_t>(0x80001000u));
    EXPECT_LT(h.size, 0);
}

TEST_F(DiscScanTest, FoldersDeeperThanTwelveLevelsAndLongPathsAreScanned)
{
    std::string relative;
    for (int level = 1; level <= 15; ++level) {
        char name[48];
        std::snprintf(name, sizeof name, "level-%02d-abcdefghijklmn", level);
        relative += std::string(relative.empty() ? "" : "/") + name;
    }
    ASSERT_GT(relative.size(), 300u);
    file(relative + "/bottom.txt", "deep");
    scan();
    expectWellFormed(tree);
    const int bottom = indexOf("bottom.txt");
    ASSERT_GT(bottom, 0);
    EXPECT_EQ(entry(bottom).size, 4);
    int depth = 0;
    for (int i = entry(bottom).parent; i > 0; i = entry(i).parent) {
        char name[48];
        std::snprintf(name, sizeof name, "level-%02d-abcdefghijklmn", 15 - depth);
        EXPECT_EQ(tree.nameAt(i), name);
        ++depth;
    }
    EXPECT_EQ(depth, 15);
}

TEST_F(DiscScanTest, FolderThatCannotBeListedKeepsNoRunAndTheWalkGoesOn)
{
    file("locked/secret.txt");
    file("open/visible.txt");
    folder("z");
    lister.failing.insert(path("locked"));
    const ScanSummary summary = scan();
    EXPECT_EQ(summary.foldersNotListed, 1);
    EXPECT_EQ(entry(indexOf("locked")).firstChild, -1);
    EXPECT_EQ(indexOf("secret.txt"), -1);
    EXPECT_GT(indexOf("visible.txt"), 0);
    EXPECT_NE(entry(indexOf("z")).firstChild, -1);
    expectRunsClosed(tree);
}

TEST_F(DiscScanTest, FolderWithoutPermissionKeepsNoRun)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not stop root";
    file("closed/inside.txt");
    ASSERT_EQ(::chmod(path("closed").c_str(), 0), 0);
    SystemDirectoryLister system;
    ScanOptions options;
    options.lister = &system;
    const ScanSummary summary = scan(options);
    ::chmod(path("closed").c_str(), 0755);
    EXPECT_EQ(summary.foldersNotListed, 1);
    EXPECT_EQ(entry(indexOf("closed")).firstChild, -1);
    expectRunsClosed(tree);
}

TEST_F(DiscScanTest, LinksAreRecordedAsFilesAndNeverFollowed)
{
    file("real/inside.txt");
    fs::create_directory_symlink(m_disc, m_disc / "loop");
    fs::create_directory_symlink(m_disc / "real", m_disc / "alias");
    scan();
    expectWellFormed(tree);
    for (const char* name : {"loop", "alias"}) {
        SCOPED_TRACE(name);
        ASSERT_GT(indexOf(name), 0);
        EXPECT_FALSE(entry(indexOf(name)).isFolder());
        EXPECT_EQ(entry(indexOf(name)).firstChild, -1);
    }
    // root, alias, loop, real, terminator; real's inside.txt and terminator.
    EXPECT_EQ(tree.entryCount(), 7);
}

TEST_F(DiscScanTest, EntryLimitClosesTheCurrentRunAndEndsTheWalk)
{
    GeneratedLister generated;
    generated.contents = [&](const std::string& folder) {
        if (folder == m_disc.string())
            return std::vector<ListedItem>{listedFolder("F0"), listedFolder("F1"), listedFolder("F2")};
        std::vector<ListedItem> files;
        for (int i = 0; i < 5; ++i)
            files.push_back(listedFile("f" + std::to_string(i)));
        return files;
    };
    ScanOptions options;
    options.lister = &generated;
    options.maxEntries = 11;
    options.entryStopThreshold = 10;
    const ScanSummary summary = scan(options);
    EXPECT_TRUE(summary.limitReached);
    expectEntries(tree, {{-1, 1, "E:", false},
                         {0, 5, "F0", true},
                         {0, -1, "F1", true},
                         {0, -1, "F2", true},
                         {0, -1, "", false},
                         {1, -1, "f0", false},
                         {1, -1, "f1", false},
                         {1, -1, "f2", false},
                         {1, -1, "f3", false},
                         {1, -1, "f4", false},
                         {1, -1, "", false}});
    expectRunsClosed(tree);
}

TEST_F(DiscScanTest, FolderReachedAtTheThresholdIsNotStarted)
{
    // The root run and F0's empty run end exactly at the threshold; starting F1 there would
    // put its first item and its terminator past the capacity.
    GeneratedLister generated;
    generated.contents = [&](const std::string& folder) {
        if (folder == m_disc.string())
            return std::vector<ListedItem>{listedFolder("F0"), listedFolder("F1"), listedFile("a"),
                                           listedFile("b"),    listedFile("c"),    listedFile("d"),
                                           listedFile("e")};
        if (folder == path("F0"))
            return std::vector<ListedItem>{};
        return std::vector<ListedItem>{listedFile("x"), listedFile("y"), listedFile("z")};
    };
    ScanOptions options;
    options.lister = &generated;
    options.maxEntries = 11;
    options.entryStopThreshold = 10;
    const ScanSummary summary = scan(options);
    EXPECT_TRUE(summary.limitReached);
    EXPECT_EQ(tree.entryCount(), 10);
    EXPECT_LE(tree.entryCount(), options.maxEntries);
    EXPECT_EQ(entry(2).firstChild, -1);
    expectRunsClosed(tree);
}

TEST_F(DiscScanTest, PoolLimitNeverLetsALongNamePassTheCapacity)
{
    GeneratedLister generated;
    generated.contents = [](const std::string&) {
        std::vector<ListedItem> files;
        for (int i = 0; i < 10; ++i)
            files.push_back(listedFile(std::string(19, 'a' + static_cast<char>(i)) + "!"));
        return files;
    };
    ScanOptions options;
    options.lister = &generated;
    options.maxPoolBytes = 103;
    options.poolStopThreshold = 100;
    // 3 + 4 x 21 = 87 bytes; the fifth name would make 108.
    EXPECT_TRUE(scan(options).limitReached);
    EXPECT_EQ(tree.poolBytes(), 87);
    EXPECT_EQ(tree.entryCount(), 6);
    expectRunsClosed(tree);

    options.poolStopThreshold = 80; // reached by the fourth name itself
    EXPECT_TRUE(scan(options).limitReached);
    EXPECT_EQ(tree.poolBytes(), 87);
    expectRunsClosed(tree);
}

TEST_F(DiscScanTest, RealCapacitiesStopAtTwoHundredThousandEntries)
{
    GeneratedLister generated;
    generated.contents = [](const std::string&) {
        std::vector<ListedItem> files;
        files.reserve(250000);
        char name[16];
        for (int i = 0; i < 250000; ++i) {
            std::snprintf(name, sizeof name, "file%06d", i);
            files.push_back(listedFile(name, 10));
        }
        return files;
    };
    ScanOptions options;
    options.lister = &generated;
    EXPECT_TRUE(scan(options).limitReached);
    ASSERT_EQ(tree.entryCount(), FileTree::MaxEntries);
    EXPECT_EQ(tree.nameAt(199999), "file199998");
    EXPECT_TRUE(tree.entries.back().isTerminator());
    EXPECT_EQ(tree.entries.back().parent, 0);
    // Reserved once at full size, never grown.
    EXPECT_EQ(tree.entries.capacity(), static_cast<std::size_t>(FileTree::MaxEntries));
}

TEST_F(DiscScanTest, RealPoolCapacityHoldsWithLongNames)
{
    GeneratedLister generated;
    generated.contents = [](const std::string&) {
        std::vector<ListedItem> files;
        for (int i = 0; i < 20000; ++i) {
            std::string name = std::to_string(i);
            name.resize(250, 'n');
            files.push_back(listedFile(name));
        }
        return files;
    };
    ScanOptions options;
    options.lister = &generated;
    EXPECT_TRUE(scan(options).limitReached);
    EXPECT_LE(tree.poolBytes(), FileTree::MaxPoolBytes);
    EXPECT_GT(tree.poolBytes(), FileTree::MaxPoolBytes - 251);
    EXPECT_TRUE(tree.entries.back().isTerminator());
}

TEST_F(DiscScanTest, NamesLongerThanTheFindRecordAreCutThereButKeptWholeInThePool)
{
    GeneratedLister generated;
    std::string name(257, 'x');
    name += "\xE5\x85\x89"; // a character that would straddle the 259-byte limit
    generated.contents = [&](const std::string&) { return std::vector<ListedItem>{listedFile(name)}; };
    ScanOptions options;
    options.lister = &generated;
    scan(options);
    EXPECT_EQ(tree.nameAt(1), name);
    EXPECT_EQ(std::string(entry(1).findData.fileName), std::string(257, 'x'));
}

TEST_F(DiscScanTest, PendingEventsRunWhileTheWalkGoesOn)
{
    for (int i = 0; i < 35; ++i)
        file("f" + std::to_string(i));
    ScanOptions options;
    options.eventInterval = 10;
    scan(options);
    EXPECT_EQ(tree.entryCount(), 37);
    EXPECT_EQ(clock.eventRuns, 3);
}

TEST_F(DiscScanTest, ScanReplacesTheTreeAndClearReleasesIt)
{
    tree.entries.resize(50);
    tree.pool.assign(500, 'q');
    file("one.txt");
    scan();
    EXPECT_EQ(tree.entryCount(), 3);
    EXPECT_EQ(tree.poolBytes(), 11);
    ClearDiscTree(tree);
    EXPECT_EQ(tree.entryCount(), 0);
    EXPECT_EQ(tree.poolBytes(), 0);
    EXPECT_FALSE(tree.hasTree());
}
