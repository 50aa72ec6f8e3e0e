#include "catalogue/search/SearchFixture.h"

#include "catalogue/search/Duplicates.h"
#include "catalogue/search/FileFinder.h"
#include "catalogue/search/NameIndex.h"
#include "content/TreeTestSupport.h"

namespace kavro::test {
namespace {

TEST(NameMatcher, SubstringAndWildcards)
{
    struct Case {
        const char* text;
        const char* name;
        bool hit;
    };
    const Case cases[] = {
        {"voice", "Invoice_2019.PDF", true},   // substring, letters folded
        {"VOICE_2", "invoice_2019.pdf", true},
        {"\xC3\xA9t\xC3\xA9", "\xC3\x89T\xC3\x89", false}, // only a to z fold
        {"*.pdf", "invoice_2019.PDF", true},   // a wildcard text matches the whole name
        {"*.pdf", "invoice.pdf.txt", false},
        {"invoice_????.pdf", "INVOICE_2019.pdf", true},
        {"invoice_????.pdf", "invoice_19.pdf", false},
        {"inv*19*", "invoice_2019.pdf", true},
        {"*", "", true},
        {"a*b*c", "axxbyyc", true},
        {"a*b*c", "axxbyy", false},
        {"?", "ab", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(NameMatcher(c.text).matches(c.name), c.hit) << c.text << " / " << c.name;
}

class FileFinderTest : public SearchFixture {
protected:
    void SetUp() override
    {
        openWith("A,1\r\nB,2\r\n");
        const std::uint32_t day2019 = static_cast<std::uint32_t>(DosDate(2019, 3, 4)) << 16;
        const std::uint32_t day2021 = static_cast<std::uint32_t>(DosDate(2021, 7, 1)) << 16;
        insert(withTree(DiscRow().at(1, 1).named("Taxes").in(1),
                        buildTree({folder("Work", {folder("2019", {file("invoice_2019.pdf", 5000, day2019)}),
                                                   file("Invoice list.txt", 10, day2021)}),
                                   file("readme", 100, 0)})));
        insert(withTree(DiscRow().at(1, 2).named("Photos").in(2),
                        buildTree({folder("invoices"), file("holiday.jpg", 2000000, day2021)})));
        insert(DiscRow().at(2, 1).named("No tree").in(1));
    }

    std::vector<std::string> find(FileQuery q, NameIndex* index = nullptr)
    {
        FileFinder finder(*catalogue, cache, index);
        EXPECT_TRUE(finder.start(q).ok());
        EXPECT_TRUE(finder.fetch(1000).ok());
        EXPECT_TRUE(finder.done());
        std::vector<std::string> out;
        for (const FileHit& h : finder.hits()) {
            const FoundDisc& d = finder.discs()[static_cast<std::size_t>(h.disc)];
            out.push_back(std::to_string(d.slot) + ":" + h.path() + (h.isFolder ? "/" : "") + ":" +
                          std::to_string(h.size));
        }
        EXPECT_EQ(finder.matchCount(), static_cast<std::int64_t>(out.size()));
        return out;
    }
};

TEST_F(FileFinderTest, FiltersAndPaths)
{
    using V = std::vector<std::string>;
    struct Case {
        const char* what;
        FileQuery query;
        V expected;
    };
    // Hits in table order: breadth-first, the runs of the folders one after the other.
    const Case cases[] = {
        {"every name", {.text = "invoice"},
         V{"1:\\Work\\Invoice list.txt:10", "1:\\Work\\2019\\invoice_2019.pdf:5000", "2:\\invoices/:0"}},
        {"files only", {.text = "invoice", .kind = FileQuery::Kind::Files},
         V{"1:\\Work\\Invoice list.txt:10", "1:\\Work\\2019\\invoice_2019.pdf:5000"}},
        {"folders only", {.text = "invoice", .kind = FileQuery::Kind::Folders}, V{"2:\\invoices/:0"}},
        {"at least", {.text = "i", .minSize = 5000},
         V{"1:\\Work\\2019\\invoice_2019.pdf:5000", "2:\\holiday.jpg:2000000"}},
        {"at most", {.text = "e", .maxSize = 100}, V{"1:\\readme:100", "1:\\Work\\Invoice list.txt:10"}},
        {"from a date (unknown dates left out)", {.text = "e", .fromDate = DosDate(2020, 1, 1)},
         V{"1:\\Work\\Invoice list.txt:10"}},
        {"up to a date", {.text = "i", .toDate = DosDate(2019, 3, 4)}, V{"1:\\Work\\2019\\invoice_2019.pdf:5000"}},
        {"wildcards", {.text = "*.???"},
         V{"1:\\Work\\Invoice list.txt:10", "1:\\Work\\2019\\invoice_2019.pdf:5000", "2:\\holiday.jpg:2000000"}},
        {"absent", {.text = "zqxj"}, V{}},
        {"empty text", {.text = ""}, V{}},
    };
    NameIndex index;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(find(c.query), c.expected);
        EXPECT_EQ(find(c.query, &index), c.expected);
    }
    EXPECT_EQ(FileHit{.folder = "\\Work\\2019"}.folderNames(), (V{"Work", "2019"}));
}

TEST_F(FileFinderTest, IndexLeavesTreesUnreadAndFetchComesInSteps)
{
    NameIndex index;
    FileFinder finder(*catalogue, cache, &index);
    ASSERT_TRUE(finder.start({.text = "holiday"}).ok());
    EXPECT_EQ(finder.discsSkipped(), 1); // the tax disc has no such pieces
    ASSERT_TRUE(finder.fetch(10).ok());
    EXPECT_EQ(finder.treesRead(), 1);
    EXPECT_EQ(finder.hits().size(), 1u);

    ASSERT_TRUE(finder.start({.text = "i"}).ok());
    ASSERT_TRUE(finder.fetch(1).ok());
    EXPECT_FALSE(finder.done()); // the first disc gave enough rows
    ASSERT_TRUE(finder.fetch(1).ok());
    EXPECT_TRUE(finder.done());
}

TEST_F(FileFinderTest, DuplicateDiscsAndFiles)
{
    const FileTree same = buildTree({file("setup.exe", 700000), file("big.iso", 9000000), file("small.txt", 5)});
    insert(withTree(DiscRow().at(3, 1).named("Copy one").misc("Volume=TOOLS\r\nSerial=42"), same));
    insert(withTree(DiscRow().at(3, 2).named("Copy two").misc("Volume=TOOLS\r\nSerial=42"), same));
    insert(withTree(DiscRow().at(3, 3).named("Other size").misc("Volume=TOOLS\r\nSerial=42"),
                    buildTree({file("setup.exe", 700000)})));
    insert(withTree(DiscRow().at(3, 4).named("Other tools").misc("Volume=TOOLS\r\nSerial=43"), same));

    auto discs = FindDuplicateDiscs(*catalogue);
    ASSERT_TRUE(discs.ok()) << discs.error();
    ASSERT_EQ(discs->size(), 1u);
    EXPECT_EQ((*discs)[0].size, 9700005);
    ASSERT_EQ((*discs)[0].discs.size(), 2u);
    EXPECT_EQ((*discs)[0].discs[1].title, "Copy two");

    // Kept candidates so few that the floor must rise past small files while reading.
    auto files = FindDuplicateFiles(*catalogue, 2, 3);
    ASSERT_TRUE(files.ok()) << files.error();
    ASSERT_EQ(files->size(), 2u);
    EXPECT_EQ((*files)[0].name, "big.iso");
    EXPECT_EQ((*files)[0].discs.size(), 3u);
    EXPECT_EQ((*files)[1].name, "setup.exe");
    EXPECT_EQ((*files)[1].discs.size(), 4u);

    const std::string csv = DuplicatesCsv(*discs, *files);
    EXPECT_NE(csv.find("disc,TOOLS 42,9700005,M3,2,Copy two\r\n"), std::string::npos) << csv;
    EXPECT_NE(csv.find("file,big.iso,9000000,M3,4,Other tools\r\n"), std::string::npos) << csv;
}

} // namespace
} // namespace kavro::test
