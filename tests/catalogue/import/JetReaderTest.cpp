#include "catalogue/import/JetFixtures.h"

#include "catalogue/import/JetReader.h"
#include "catalogue/import/OldCatalogueSource.h"
#include "platform/Text.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

#define REQUIRE_SAMPLE(var, name)                                                                            \
    const fs::path var = jetFixture(name);                                                                   \
    if (var.empty())                                                                                         \
    GTEST_SKIP() << "The Jet samples of ../shared/fixtures/jet are not there."

// SHA-256 of bytes, by the system's sha256sum.
std::string sha256(const std::string& bytes)
{
    TempDir dir;
    const auto file = dir.write("blob", bytes);
    const std::string command = "sha256sum '" + file.string() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return {};
    char out[65] = {};
    const std::size_t got = fread(out, 1, 64, pipe);
    pclose(pipe);
    return std::string(out, got);
}

TEST(JetReader, ReadsTextMemoAndLongBinaryColumns)
{
    REQUIRE_SAMPLE(file, "test2V2000.mdb");
    JetReader reader;
    ASSERT_TRUE(reader.open(file).ok());
    EXPECT_FALSE(reader.isJet3());
    EXPECT_EQ(reader.tableNames(), std::vector<std::string>{"MSP_PROJECTS"});
    auto table = reader.table("msp_projects");
    ASSERT_TRUE(table.ok()) << table.error();
    JetTable& t = **table;
    EXPECT_EQ(t.columns().size(), 74u);
    EXPECT_EQ(t.rowCount(), 1);
    ASSERT_TRUE(t.next());

    EXPECT_EQ(t.value("PROJ_ID"), DbValue(1));
    EXPECT_EQ(t.value("PROJ_NAME"), DbValue("Project1"));
    EXPECT_EQ(t.value("PROJ_DATA_SOURCE"), DbValue("Z:\\temp\\Project1.mpd"));
    EXPECT_EQ(t.value("PROJ_OPT_CURRENCY_SYMBOL"), DbValue("\xC2\xA3"));
    EXPECT_EQ(t.value("PROJ_OPT_MINUTES_PER_WEEK"), DbValue(2400));
    EXPECT_TRUE(t.value("PROJ_TYPE").isNull());
    EXPECT_EQ(t.value("PROJ_INFO_CURRENT_DATE"), DbValue("2006-02-03 08:00:00"));

    const DbValue memo = t.value("PROJ_PROP_AUTHOR");
    ASSERT_EQ(memo.type(), DbValue::Type::Text);
    EXPECT_EQ(memo.bytes().size(), 348u);
    EXPECT_EQ(memo.asText().substr(0, 8), "Jon Iles");
    EXPECT_EQ(sha256(memo.asText()), "1b6d3223f06bebfb9183ff14e45e5ed0d0b1662a3209e0635c5b4dd2095cfa89");
    EXPECT_EQ(t.value("PROJ_PROP_COMPANY"), DbValue("T"));
    EXPECT_TRUE(t.value("PROJ_PROP_KEYWORDS").isNull());

    const DbValue ole = t.value("RESERVED_BINARY_DATA");
    ASSERT_EQ(ole.type(), DbValue::Type::Blob);
    EXPECT_EQ(ole.bytes().size(), 22970u);
    EXPECT_EQ(ole.bytes().substr(0, 4), std::string("\x15\x1C\x2D\x00", 4));
    EXPECT_EQ(ole.bytes().substr(85, 4), std::string("\xD0\xCF\x11\xE0", 4));
    EXPECT_EQ(sha256(ole.asText()), "4444aa8e05096187493aef56724710e8841de604196e58089d48ab801338ceb0");

    EXPECT_TRUE(t.value("NO_SUCH_COLUMN").isNull());
    EXPECT_FALSE(t.next());
}

TEST(JetReader, ReadsUnicodeTextOfJet4)
{
    REQUIRE_SAMPLE(file, "testUnicodeCompV2003.mdb");
    JetReader reader;
    ASSERT_TRUE(reader.open(file).ok());
    auto table = reader.table("Table");
    ASSERT_TRUE(table.ok()) << table.error();
    std::vector<std::string> texts;
    while ((*table)->next())
        texts.push_back((*table)->value("Unicode").asText());
    ASSERT_EQ(texts.size(), 8u);
    EXPECT_EQ(texts[1], "ääkkösiä");
    EXPECT_EQ(texts[2], "Мир");
    EXPECT_EQ(texts[4], "漢字仮名交じり文");
    EXPECT_TRUE(text::isValidUtf8(texts[7]));
}

TEST(JetReader, WalksATableOfManyPages)
{
    REQUIRE_SAMPLE(file, "compIndexTestV2000.mdb");
    JetReader reader;
    ASSERT_TRUE(reader.open(file).ok());
    auto table = reader.table("Table1");
    ASSERT_TRUE(table.ok());
    int rows = 0;
    int nulls = 0;
    long long sum = 0;
    while ((*table)->next()) {
        ++rows;
        const DbValue v = (*table)->value("CD_AGENTE");
        nulls += v.isNull() ? 1 : 0;
        sum += v.asInt64();
    }
    EXPECT_EQ(rows, 512);
    EXPECT_EQ(nulls, 2);
    EXPECT_EQ(sum, 1563456);
}

TEST(JetReader, Jet3TextIsReadAsItsBytesThenDecoded)
{
    REQUIRE_SAMPLE(file, "charsetGBK.mdb");
    const char* given = std::getenv("MDB_JET3_CHARSET");
    ASSERT_EQ(given, nullptr) << "the test expects MDB_JET3_CHARSET to be unset";
    const std::string stored("GBK\xB1\xE0\xC2\xEB", 7);
    {
        // Not UTF-8, so Big5; what matters is that the stored bytes, not mdbtools' CP1252 guess,
        // were decoded.
        JetReader reader;
        ASSERT_TRUE(reader.open(file).ok());
        EXPECT_TRUE(reader.isJet3());
        auto table = reader.table("table1");
        ASSERT_TRUE(table.ok());
        ASSERT_TRUE((*table)->next());
        EXPECT_EQ((*table)->value("field1"), DbValue(text::big5ToUtf8(stored)));
        EXPECT_EQ((*table)->value("ID"), DbValue(2));
    }
    {
        // A page named by the person wins.
        setenv("MDB_JET3_CHARSET", "GBK", 1);
        JetReader reader;
        const DbStatus opened = reader.open(file);
        unsetenv("MDB_JET3_CHARSET");
        ASSERT_TRUE(opened.ok());
        auto table = reader.table("table1");
        ASSERT_TRUE(table.ok());
        ASSERT_TRUE((*table)->next());
        EXPECT_EQ((*table)->value("field1"), DbValue("GBK编码"));
    }
    EXPECT_EQ(std::getenv("MDB_JET3_CHARSET"), nullptr);
}

TEST(JetReader, FilesThatAreNoJetDatabase)
{
    TempDir dir;
    JetReader reader;
    EXPECT_FALSE(reader.open(dir / "missing.mdb").ok());
    EXPECT_FALSE(reader.open(dir.write("junk.mdb", std::string(8192, 'j'))).ok());
    EXPECT_FALSE(reader.isOpen());
}

TEST(JetReader, JetFileWithoutTheDiscTableIsNoCatalogue)
{
    REQUIRE_SAMPLE(file, "test2V2000.mdb");
    EXPECT_EQ(DetectCatalogueFileKind(file), CatalogueFileKind::Jet);
    auto source = OpenOldCatalogue(file);
    ASSERT_FALSE(source.ok());
    EXPECT_NE(source.error().find("no table KAVRO"), std::string::npos) << source.error();
}

} // namespace
} // namespace kavro::test
