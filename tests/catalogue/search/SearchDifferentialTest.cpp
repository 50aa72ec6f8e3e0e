#include "catalogue/search/SearchFixture.h"

#include "catalogue/search/AdvancedSearch.h"
#include "catalogue/search/FileFinder.h"
#include "catalogue/records/DiscRecords.h"
#include "catalogue/search/MatchText.h"
#include "catalogue/search/NameIndex.h"
#include "catalogue/search/QuickSearch.h"
#include "catalogue/search/SearchScope.h"
#include "catalogue/database/Transaction.h"
#include "catalogue/records/DiscTree.h"
#include "content/TreeTestSupport.h"

#include <random>
#include <tuple>

namespace kavro::test {
namespace {

using Row = std::tuple<int, int, std::string, std::string, std::string, bool>;

std::vector<Row> tuples(const std::vector<SearchRow>& rows)
{
    std::vector<Row> out;
    for (const auto& r : rows)
        out.emplace_back(r.machine, r.slot, r.title, r.machineName, r.categoryName, r.driveModel);
    return out;
}

// The search as one plain pass: every record read through DiscCursor and ReadDiscRecord, its
// tree loaded whole as LoadDiscTree loads it, every entry's name tested with MatchText.
std::vector<Row> naiveSearch(Catalogue& c, std::string_view text, SearchCriteria criteria,
                             const SearchScope& scope, bool titlesOnly = false)
{
    std::vector<Row> out;
    if (text.empty() || scope.empty())
        return out;
    const SearchCriteria k = titlesOnly ? SearchCriteria{} : criteria.effective();
    DiscCursor& cur = c.discCursor();
    for (cur.first(); !cur.eof(); cur.next()) {
        EXPECT_TRUE(ReadDiscRecord(c));
        const DiscRecord d = c.currentDisc();
        if (!InScope(scope, d.categoryId))
            continue;
        bool hit = (k.title && MatchText(d.title, text)) || (k.remark && MatchText(d.remark, text)) ||
                   (k.other && MatchText(d.other, text));
        const int indexCount = cur.integer("TreeIndexS");
        const int dataCount = cur.integer("TreeDataS");
        if (!hit && (k.fileName || k.folderName) && indexCount > 0 && dataCount > 0) {
            const DbValue index = cur.field("TreeIndex");
            const DbValue data = cur.field("TreeData");
            const FileTree tree = FileTree::fromStored(indexCount, index.bytes(), dataCount, data.bytes());
            for (int i = 0; i < tree.entryCount() && !hit; ++i) {
                const TreeIndexEntry& e = tree.entries[static_cast<std::size_t>(i)];
                if (e.isTerminator())
                    continue;
                const bool tested = (k.fileName && k.folderName) || (k.folderName && e.isFolder()) ||
                                    (k.fileName && !e.isFolder());
                hit = tested && MatchText(tree.nameAt(i), text);
            }
        }
        if (hit)
            out.emplace_back(d.machine, d.slot, d.title, c.machineName(d.machine), d.categoryName,
                             d.deviceType == "KZ350VN");
    }
    return out;
}

class Generator {
public:
    explicit Generator(unsigned seed) : m_rng(seed) {}

    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    bool chance(int percent) { return below(100) < percent; }

    // Short names from a small alphabet, so that patterns hit often and in both cases.
    std::string word(int maxLength = 8)
    {
        static const std::vector<std::string> pieces{"a",  "b",  "A",        "B",        "x", "_",
                                                     ".",  " ",  "\xC3\xA9", "\xC3\x89", "{", "[",
                                                     "ab", "AB", "Ab",       "xab"};
        std::string s;
        const int n = 1 + below(maxLength);
        for (int i = 0; i < n; ++i)
            s += pieces[static_cast<std::size_t>(below(static_cast<int>(pieces.size())))];
        return s;
    }

    std::vector<Item> items(int depth)
    {
        std::vector<Item> out;
        const int n = below(6);
        for (int i = 0; i < n; ++i) {
            if (depth < 3 && chance(30))
                out.push_back(folder(word(), items(depth + 1)));
            else
                out.push_back(file(word()));
        }
        return out;
    }

    DiscRow disc(int index)
    {
        DiscRow r;
        r.machine = 1 + below(3);
        r.slot = index + 1;
        r.title = word(6);
        static const int categories[] = {1, 2, 3, 4, 5, 99};
        r.category = categories[below(6)];
        r.remark = chance(60) ? word(10) : "";
        if (chance(50))
            r.misc1 = "Other=" + word() + "\r\n" + word() + "\r\nVolume=" + word();
        if (chance(10))
            r.misc1 += "\r\nTitle=" + word();
        r.deviceType = chance(30) ? "KZ350VN" : "KZ100";
        if (chance(15))
            return r; // no tree
        FileTree tree = buildTree(items(0));
        switch (below(8)) {
        case 0: // offsets anywhere, inside names and out of range
            for (auto& e : tree.entries)
                if (!e.isTerminator() && chance(40))
                    e.nameOffset = below(tree.poolBytes() + 4) - 2;
            break;
        case 1: // the pool's last NUL cut off
            tree.pool.pop_back();
            break;
        case 2: // counts larger than the blocks
            r = withTree(r, tree);
            (chance(50) ? r.treeIndexS : r.treeDataS) += 1;
            return r;
        case 3: // counts that deny a tree the blocks hold
            r = withTree(r, tree);
            (chance(50) ? r.treeIndexS : r.treeDataS) = 0;
            return r;
        case 4: // counts smaller than the blocks: the rest was never part of the tree
            r = withTree(r, tree);
            r.treeIndexS = std::max(1, r.treeIndexS - 2);
            r.treeDataS = std::max(1, r.treeDataS - 3);
            return r;
        case 5: // folder bits on odd entries, the root among them
            for (auto& e : tree.entries)
                if (chance(30))
                    e.attributes ^= TreeIndexEntry::DirectoryBit;
            break;
        case 6: // parents anywhere: out of range, later entries, loops
            for (auto& e : tree.entries)
                if (chance(30))
                    e.parent = below(tree.entryCount() + 3) - 1;
            break;
        default:
            break;
        }
        return withTree(r, tree);
    }

    std::string patternFrom(const std::vector<DiscRow>& rows)
    {
        const DiscRow& r = rows[static_cast<std::size_t>(below(static_cast<int>(rows.size())))];
        std::string source = r.treeData && chance(70) ? *r.treeData : r.title + r.remark + r.misc1;
        if (source.empty() || chance(15))
            return word(3);
        const int start = below(static_cast<int>(source.size()));
        std::string p =
            source.substr(static_cast<std::size_t>(start), static_cast<std::size_t>(1 + below(4)));
        for (char& c : p)
            if (chance(50) && ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
                c = static_cast<char>(c ^ 0x20);
        return p;
    }

private:
    std::mt19937 m_rng;
};

using SearchDifferential = SearchFixture;

TEST_F(SearchDifferential, FastPathGivesTheRowsOfThePlainPass)
{
    openWith("A,1\r\n\tB,2\r\n\t\tD,4\r\nC,3\r\n\tE,5\r\n");
    const std::vector<SearchCriteria> criteria{
        {},
        {.title = false},
        {.title = false, .remark = true, .other = true},
        {.title = false, .fileName = true},
        {.title = false, .folderName = true},
        {.title = false, .fileName = true, .folderName = true},
        {.title = true, .remark = true, .fileName = true, .other = true, .folderName = true},
    };
    int compared = 0;
    int nonEmpty = 0;
    for (unsigned seed : {1u, 2u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_TRUE(catalogue->database().exec("DELETE FROM KAVRO").ok());
        Generator gen(seed);
        std::vector<DiscRow> rows;
        for (int i = 0; i < 80; ++i)
            rows.push_back(gen.disc(i));
        ASSERT_TRUE(catalogue->database().exec("BEGIN").ok());
        for (const auto& r : rows)
            insert(r);
        ASSERT_TRUE(catalogue->database().exec("COMMIT").ok());
        AdvancedSearch advanced(*catalogue, cache);
        QuickSearch quick(*catalogue, cache);
        for (int p = 0; p < 30; ++p) {
            const std::string pattern = gen.patternFrom(rows);
            SCOPED_TRACE("pattern '" + pattern + "'");
            for (const char* scopeName : {"", "B", "C"}) {
                const TreeNode* node = *scopeName ? category(scopeName) : &root();
                SearchScope scope;
                BuildScope(scope, *node, catalogue->categories());
                for (const SearchCriteria& c : criteria) {
                    auto fast = advanced.find(pattern, c, scope);
                    ASSERT_TRUE(fast.ok()) << fast.error();
                    const auto expected = naiveSearch(*catalogue, pattern, c, scope);
                    ASSERT_EQ(tuples(*fast), expected);
                    ++compared;
                    nonEmpty += expected.empty() ? 0 : 1;
                }
                auto titles = quick.inCategories(pattern, node);
                ASSERT_TRUE(titles.ok());
                ASSERT_EQ(tuples(*titles), naiveSearch(*catalogue, pattern, {}, scope, true));
            }
        }
    }
    // The comparison means something only when many searches find rows.
    EXPECT_GT(nonEmpty, compared / 3) << nonEmpty << " of " << compared;
}

using KeptRow = std::tuple<std::int64_t, int, int, int, std::string, std::string, std::string, std::string,
                           std::string, int, int>;

std::vector<KeptRow> kept(const std::vector<DiscTexts>& rows)
{
    std::vector<KeptRow> out;
    for (const auto& d : rows)
        out.emplace_back(d.rowId, d.machine, d.slot, d.categoryId, d.title, d.barcode, d.remark, d.other,
                         d.deviceType, d.indexCount, d.dataCount);
    return out;
}

// The kept rows, brought up to date change by change, must equal a fresh read of the table
// whatever the change: this connection's updates, inserts and deletes (one or many, a bare
// DELETE, a changed rowid), rollbacks of either kind, and commits by another connection.
TEST_F(SearchDifferential, KeptRowsFollowEveryKindOfChange)
{
    openWith("A,1\r\n\tB,2\r\n\t\tD,4\r\nC,3\r\n\tE,5\r\n");
    Generator gen(7);
    Database& db = catalogue->database();
    int slot = 0;
    for (; slot < 40; ++slot)
        insert(gen.disc(slot));
    QuickSearch quick(*catalogue, cache);
    auto some = [&] { return std::to_string(1 + gen.below(slot + 2)); };
    for (int step = 0; step < 300; ++step) {
        const int kind = gen.below(13);
        SCOPED_TRACE("step " + std::to_string(step) + " kind " + std::to_string(kind));
        switch (kind) {
        case 0:
        case 1:
            ASSERT_TRUE(
                db.exec("UPDATE KAVRO SET TitleA = '" + gen.word(4) + "' WHERE rowid = " + some()).ok());
            break;
        case 2:
            ASSERT_TRUE(db.exec("UPDATE KAVRO SET Misc1 = 'Other=" + gen.word() + "', Category = " +
                                std::to_string(1 + gen.below(5)) + " WHERE rowid = " + some())
                            .ok());
            break;
        case 3:
            insert(gen.disc(slot++));
            break;
        case 4:
            ASSERT_TRUE(db.exec("DELETE FROM KAVRO WHERE rowid = " + some()).ok());
            break;
        case 5: // many rows at once
            ASSERT_TRUE(db.exec("UPDATE KAVRO SET Remark = '" + gen.word() +
                                "' WHERE rowid % 3 = " + std::to_string(gen.below(3)))
                            .ok());
            break;
        case 6: // rolled back by the program's own transaction
            (void)runInTransaction(db, [&]() -> DbStatus {
                EXPECT_TRUE(db.exec("UPDATE KAVRO SET TitleA = 'undone' WHERE rowid = " + some()).ok());
                EXPECT_TRUE(quick.inCategories("undone", nullptr).ok()); // read while the change stands
                return DbStatus::failure("abandoned");
            });
            break;
        case 7: // rolled back by a plain statement
            ASSERT_TRUE(db.exec("BEGIN").ok());
            ASSERT_TRUE(db.exec("DELETE FROM KAVRO WHERE rowid = " + some()).ok());
            ASSERT_TRUE(quick.inCategories("a", nullptr).ok());
            ASSERT_TRUE(db.exec("ROLLBACK").ok());
            break;
        case 8: // SQLite reports no rows for a bare DELETE
            if (gen.chance(20)) {
                ASSERT_TRUE(db.exec("DELETE FROM KAVRO").ok());
                for (int i = 0; i < 3; ++i)
                    insert(gen.disc(slot++));
            }
            break;
        case 9: // the update reports the new rowid only
            ASSERT_TRUE(
                db.exec("UPDATE KAVRO SET rowid = (SELECT max(rowid) FROM KAVRO) + 5 WHERE rowid = " + some())
                    .ok());
            break;
        case 10:
            outside("UPDATE KAVRO SET TitleA = 'elsewhere' WHERE rowid = " + some());
            break;
        case 11:
            ASSERT_TRUE(ChangeDiscTitle(*catalogue, 1 + gen.below(3), 1 + gen.below(slot), gen.word(3)).ok());
            break;
        default: // another table only
            ASSERT_TRUE(db.exec("UPDATE CATEGORY SET CATEGORYNAME = CATEGORYNAME").ok());
            break;
        }
        ASSERT_TRUE(cache.refresh(db).ok());
        DiscTextCache fresh;
        ASSERT_TRUE(fresh.refresh(db).ok());
        ASSERT_EQ(kept(cache.rows()), kept(fresh.rows()));
        const std::string pattern = gen.word(2);
        auto titles = quick.inCategories(pattern, nullptr);
        ASSERT_TRUE(titles.ok());
        SearchScope scope;
        BuildScope(scope, root(), catalogue->categories());
        ASSERT_EQ(tuples(*titles), naiveSearch(*catalogue, pattern, {}, scope, true));
    }
    // Most single-row changes were taken row by row, not by reading the table again.
    EXPECT_GT(cache.rowReads(), 50);
    EXPECT_LT(cache.tableReads(), 150);
}

// Texts for the name index: the generator's, longer pieces of names, and pieces across the NUL
// between two names (which no name holds, though the pool's bytes come close).
std::string indexPattern(Generator& gen, const std::vector<DiscRow>& rows)
{
    const DiscRow& r = rows[static_cast<std::size_t>(gen.below(static_cast<int>(rows.size())))];
    if (!r.treeData || r.treeData->size() < 6 || gen.chance(30))
        return gen.patternFrom(rows);
    const std::string& pool = *r.treeData;
    if (gen.chance(30)) {
        const std::size_t nul = pool.find('\0', static_cast<std::size_t>(gen.below(static_cast<int>(pool.size()))));
        if (nul != std::string::npos && nul >= 2 && nul + 3 <= pool.size())
            return pool.substr(nul - 2, 2) + pool.substr(nul + 1, 2);
    }
    std::string p = pool.substr(static_cast<std::size_t>(gen.below(static_cast<int>(pool.size()) - 3)),
                                static_cast<std::size_t>(3 + gen.below(6)));
    if (gen.chance(20))
        p.back() = 'q'; // a near miss
    return p;
}

const std::vector<SearchCriteria> kNameCriteria{
    {.title = false, .fileName = true},
    {.title = false, .folderName = true},
    {.title = true, .remark = true, .fileName = true, .other = true, .folderName = true},
};

// With the name index the advanced search gives exactly the rows and order of the plain pass:
// one- and two-byte texts, non-ASCII bytes, texts across entry boundaries, damaged trees.
TEST_F(SearchDifferential, IndexedSearchGivesTheRowsOfThePlainPass)
{
    openWith("A,1\r\n\tB,2\r\n\t\tD,4\r\nC,3\r\n\tE,5\r\n");
    NameIndex index;
    int skipped = 0;
    int nonEmpty = 0;
    for (unsigned seed : {3u, 4u, 5u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_TRUE(catalogue->database().exec("DELETE FROM KAVRO").ok());
        Generator gen(seed);
        std::vector<DiscRow> rows;
        for (int i = 0; i < 120; ++i)
            rows.push_back(gen.disc(i));
        for (const auto& r : rows)
            insert(r);
        AdvancedSearch advanced(*catalogue, cache);
        advanced.setNameIndex(&index);
        SearchScope scope;
        BuildScope(scope, root(), catalogue->categories());
        for (int p = 0; p < 60; ++p) {
            const std::string pattern = indexPattern(gen, rows);
            SCOPED_TRACE("pattern '" + pattern + "'");
            for (const SearchCriteria& c : kNameCriteria) {
                auto fast = advanced.find(pattern, c, scope);
                ASSERT_TRUE(fast.ok()) << fast.error();
                const auto expected = naiveSearch(*catalogue, pattern, c, scope);
                ASSERT_EQ(tuples(*fast), expected);
                skipped += advanced.lastSkipped();
                nonEmpty += expected.empty() ? 0 : 1;
            }
        }
    }
    EXPECT_GT(index.discCount(), 0);
    EXPECT_GT(skipped, 1000); // the index rules discs out
    EXPECT_GT(nonEmpty, 100); // and the searches still find discs
}

// The index follows every kind of change to the stored trees: this connection's writes through
// the disc cursor and plain statements, inserts, deletes, changed rowids, a bare DELETE, both
// kinds of rollback, another connection's commits, and triggers dropped behind its back.
TEST_F(SearchDifferential, IndexFollowsEveryKindOfChange)
{
    openWith("A,1\r\n\tB,2\r\n\t\tD,4\r\nC,3\r\n\tE,5\r\n");
    Generator gen(11);
    Database& db = catalogue->database();
    std::vector<DiscRow> rows;
    int slot = 0;
    for (; slot < 40; ++slot) {
        rows.push_back(gen.disc(slot));
        insert(rows.back());
    }
    NameIndex index;
    AdvancedSearch advanced(*catalogue, cache);
    advanced.setNameIndex(&index);
    SearchScope scope;
    BuildScope(scope, root(), catalogue->categories());
    auto some = [&] { return std::to_string(1 + gen.below(slot + 2)); };
    auto check = [&] {
        for (int p = 0; p < 4; ++p) {
            const std::string pattern = indexPattern(gen, rows);
            SCOPED_TRACE("pattern '" + pattern + "'");
            const SearchCriteria& c = kNameCriteria[static_cast<std::size_t>(gen.below(3))];
            auto fast = advanced.find(pattern, c, scope);
            ASSERT_TRUE(fast.ok()) << fast.error();
            ASSERT_EQ(tuples(*fast), naiveSearch(*catalogue, pattern, c, scope));
        }
    };
    // A pool of another disc, as a literal for SQL.
    auto otherPool = [&] {
        const DiscRow& r = rows[static_cast<std::size_t>(gen.below(static_cast<int>(rows.size())))];
        std::string hex;
        for (unsigned char ch : r.treeData.value_or(std::string("x")))
            hex += "0123456789ABCDEF"[ch >> 4], hex += "0123456789ABCDEF"[ch & 15];
        return "X'" + hex + "'";
    };
    for (int step = 0; step < 200; ++step) {
        const int kind = gen.below(11);
        SCOPED_TRACE("step " + std::to_string(step) + " kind " + std::to_string(kind));
        switch (kind) {
        case 0: // a tree rewritten through the disc cursor, as the edit flow writes it
            if (LoadDiscTree(*catalogue, 1 + gen.below(3), 1 + gen.below(slot))) {
                DiscRow r = gen.disc(slot);
                catalogue->fileTree() = FileTree::fromStored(r.treeIndexS, r.treeIndex.value_or(""),
                                                             r.treeDataS, r.treeData.value_or(""));
                ASSERT_TRUE(catalogue->discCursor().edit().ok());
                ASSERT_TRUE(SaveDiscTree(*catalogue).ok());
                ASSERT_TRUE(catalogue->discCursor().post().ok());
            }
            break;
        case 1:
            ASSERT_TRUE(db.exec("UPDATE KAVRO SET TreeData = " + otherPool() + " WHERE rowid = " + some()).ok());
            break;
        case 2:
            rows.push_back(gen.disc(slot++));
            insert(rows.back());
            break;
        case 3:
            ASSERT_TRUE(db.exec("DELETE FROM KAVRO WHERE rowid = " + some()).ok());
            break;
        case 4:
            ASSERT_TRUE(
                db.exec("UPDATE KAVRO SET rowid = (SELECT max(rowid) FROM KAVRO) + 1 WHERE rowid = " + some())
                    .ok());
            break;
        case 5: // rolled back, searched while the change stands
            (void)runInTransaction(db, [&]() -> DbStatus {
                EXPECT_TRUE(db.exec("UPDATE KAVRO SET TreeData = " + otherPool() + " WHERE rowid = " + some()).ok());
                check();
                return DbStatus::failure("abandoned");
            });
            break;
        case 6:
            ASSERT_TRUE(db.exec("BEGIN").ok());
            ASSERT_TRUE(db.exec("UPDATE KAVRO SET TreeData = " + otherPool()).ok());
            check();
            ASSERT_TRUE(db.exec("ROLLBACK").ok());
            break;
        case 7:
            outside("UPDATE KAVRO SET TreeData = " + otherPool() + " WHERE rowid = " + some());
            break;
        case 8: // another program that knows nothing of the index
            if (gen.chance(25)) {
                outside(std::string("DROP TRIGGER ") + NameIndex::kTable + "_update");
                outside("UPDATE KAVRO SET TreeData = " + otherPool() + " WHERE rowid = " + some());
            }
            break;
        case 9:
            if (gen.chance(20)) {
                ASSERT_TRUE(db.exec("DELETE FROM KAVRO").ok());
                for (int i = 0; i < 5; ++i) {
                    rows.push_back(gen.disc(slot++));
                    insert(rows.back());
                }
            }
            break;
        default: // texts only: the bitmaps stay
            ASSERT_TRUE(ChangeDiscTitle(*catalogue, 1 + gen.below(3), 1 + gen.below(slot), gen.word(3)).ok());
            break;
        }
        check();
    }
    // Changes of this connection were followed disc by disc; only rollbacks, other connections
    // and bare deletes made the kept bitmaps be read again.
    EXPECT_LT(index.tableReads(), 100) << index.tableReads();
}

using FoundRow = std::tuple<int, int, std::string, std::string, std::int64_t, bool>;

// Find files as one plain pass: every tree of the table loaded whole, every entry but the root
// tested, the folders above a hit named by following parents.
std::vector<FoundRow> naiveFind(Catalogue& c, const FileQuery& q)
{
    std::vector<FoundRow> out;
    const NameMatcher matcher(q.text);
    DiscCursor& cur = c.discCursor();
    for (cur.first(); !cur.eof(); cur.next()) {
        const int slot = cur.integer("Slot");
        const FileTree tree = FileTree::fromStored(cur.integer("TreeIndexS"), cur.field("TreeIndex").bytes(),
                                                   cur.integer("TreeDataS"), cur.field("TreeData").bytes());
        const int count = tree.entryCount();
        for (int i = 1; i < count; ++i) {
            const TreeIndexEntry& e = tree.entries[static_cast<std::size_t>(i)];
            if (e.isTerminator() || !tree.hasName(i))
                continue;
            const bool isFolder = e.isFolder();
            if ((q.kind == FileQuery::Kind::Files && isFolder) || (q.kind == FileQuery::Kind::Folders && !isFolder))
                continue;
            const std::int64_t size =
                isFolder ? 0
                         : static_cast<std::int64_t>((static_cast<std::uint64_t>(e.findData.sizeHigh) << 32) |
                                                     static_cast<std::uint32_t>(e.size));
            if ((q.minSize && (isFolder || size < *q.minSize)) || (q.maxSize && (isFolder || size > *q.maxSize)))
                continue;
            if (!matcher.matches(tree.nameAt(i)))
                continue;
            std::string above;
            for (int p = e.parent, steps = 0; p > 0 && p < count && steps < count; ++steps) {
                above = "\\" + std::string(tree.nameAt(p)) + above;
                p = tree.entries[static_cast<std::size_t>(p)].parent;
            }
            out.emplace_back(slot, i, std::string(tree.nameAt(i)), above, size, isFolder);
        }
    }
    return out;
}

// Find files gives the hits of the plain pass in its order, fetched a few rows at a time, with
// and without the name index: damaged trees, wildcards, kinds and sizes, tables longer than
// one read.
TEST_F(SearchDifferential, FindFilesGivesTheHitsOfThePlainPass)
{
    openWith("A,1\r\n");
    NameIndex index;
    int nonEmpty = 0;
    for (unsigned seed : {21u, 22u}) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        ASSERT_TRUE(catalogue->database().exec("DELETE FROM KAVRO").ok());
        Generator gen(seed);
        std::vector<DiscRow> rows;
        for (int i = 0; i < 100; ++i)
            rows.push_back(gen.disc(i));
        std::vector<Item> many;
        for (int f = 0; f < 12; ++f) {
            std::vector<Item> files;
            for (int i = 0; i < 60; ++i)
                files.push_back(file(gen.word(), 1 + gen.below(1000)));
            many.push_back(folder(gen.word(), files));
        }
        rows.push_back(withTree(DiscRow().at(1, 101).named("many"), buildTree(many)));
        for (const auto& r : rows)
            insert(r);
        for (int p = 0; p < 40; ++p) {
            FileQuery q;
            q.text = indexPattern(gen, rows);
            if (gen.chance(25))
                q.text = (gen.chance(50) ? "*" : "?") + q.text + (gen.chance(50) ? "*" : "");
            q.kind = static_cast<FileQuery::Kind>(gen.below(3));
            if (gen.chance(20))
                q.minSize = gen.below(500);
            SCOPED_TRACE("text '" + q.text + "'");
            const std::vector<FoundRow> expected = naiveFind(*catalogue, q);
            nonEmpty += expected.empty() ? 0 : 1;
            for (NameIndex* withIndex : {static_cast<NameIndex*>(nullptr), &index}) {
                FileFinder finder(*catalogue, cache, withIndex);
                ASSERT_TRUE(finder.start(q).ok());
                while (!finder.done())
                    ASSERT_TRUE(finder.fetch(1 + gen.below(9)).ok());
                std::vector<FoundRow> found;
                for (const FileHit& h : finder.hits())
                    found.emplace_back(finder.discs()[static_cast<std::size_t>(h.disc)].slot, h.entry, h.name,
                                       h.folder, h.size, h.isFolder);
                ASSERT_EQ(found, expected) << (withIndex ? "with the index" : "without the index");
            }
        }
    }
    EXPECT_GT(nonEmpty, 20);
}

} // namespace
} // namespace kavro::test
