#include "catalogue/records/Catalogue.h"
#include "catalogue/import/JetFixtures.h"
#include "platform/Texts.h"
#include "support/ScriptedPerson.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "views/flows/CatalogueActionsConversion.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

namespace kavro::test {
namespace {

namespace fs = std::filesystem;

// No catalogue of the older Windows program is at hand, so a public Jet 4 sample stands in: its
// one user table "Table" (8 rows) is renamed "KAVRO" in the copy, wherever the file names it, so
// that it reads as a disc table. Its columns are not the catalogue's; the rows come over empty.
std::string jetCatalogueBytes()
{
    const fs::path sample = jetFixture("testUnicodeCompV2003.mdb");
    if (sample.empty())
        return {};
    std::string bytes = TempDir::read(sample);
    const std::u16string from = u"Table";
    const std::u16string to = u"KAVRO";
    const std::string pattern(reinterpret_cast<const char*>(from.data()), from.size() * 2);
    const std::string replacement(reinterpret_cast<const char*>(to.data()), to.size() * 2);
    for (std::size_t at = bytes.find(pattern); at != std::string::npos; at = bytes.find(pattern, at + 1)) {
        // "Tables", the name of the tables' container, stays.
        if (bytes.compare(at + pattern.size(), 2, std::string("s\0", 2)) != 0)
            bytes.replace(at, pattern.size(), replacement);
    }
    return bytes;
}

int discRows(const fs::path& file)
{
    sqlite3* db = nullptr;
    int n = -1;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM KAVRO", -1, &stmt, nullptr) == SQLITE_OK &&
            sqlite3_step(stmt) == SQLITE_ROW)
            n = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return n;
}

class ImportJetStartUp : public ::testing::Test {
protected:
    CatalogueOffer offer() { return OfferJetConversion(dir.path(), person, texts, clock); }

    TempDir dir;
    ScriptedPerson person;
    VirtualClock clock;
    DefaultTexts texts;
};

TEST_F(ImportJetStartUp, NoEndsTheProgramAndLeavesTheFileByteForByte)
{
    const std::string jet = jetCatalogueBytes();
    if (jet.empty())
        GTEST_SKIP() << "The Jet samples of ../shared/fixtures/jet are not there.";
    dir.write("KAVRO2.MDB", jet);

    person.boxAnswers = {BoxAnswer::No};
    EXPECT_EQ(offer(), CatalogueOffer::EndProgram);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::YesNo);
    EXPECT_NE(person.boxes[0].text.find((dir / "KAVRO2.MDB").string()), std::string::npos);
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), jet);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(ImportJetStartUp, YesConvertsKeepingTheJetFileBesideAndTheCatalogueOpens)
{
    const std::string jet = jetCatalogueBytes();
    if (jet.empty())
        GTEST_SKIP() << "The Jet samples of ../shared/fixtures/jet are not there.";
    dir.write("KAVRO2.MDB", jet);

    person.boxAnswers = {BoxAnswer::Yes};
    EXPECT_EQ(offer(), CatalogueOffer::Open);
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB.jet"), jet);
    EXPECT_EQ(discRows(dir / "KAVRO2.MDB"), 8);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].icon, BoxIcon::Information);
    EXPECT_EQ(person.busyDepth, 0);

    Catalogue catalogue(dir.path(), person, texts, clock);
    const DbStatus opened = catalogue.open();
    EXPECT_TRUE(opened.ok()) << opened.error();
    catalogue.close();
    // Once converted, the next start opens without a question.
    EXPECT_EQ(offer(), CatalogueOffer::Open);
    EXPECT_EQ(person.boxes.size(), 2u);
}

TEST_F(ImportJetStartUp, AConversionThatFailsEndsTheProgramWithTheFileAsItWas)
{
    // A Jet file without a disc table cannot be converted.
    const fs::path sample = jetFixture("compIndexTestV2000.mdb");
    if (sample.empty())
        GTEST_SKIP() << "The Jet samples of ../shared/fixtures/jet are not there.";
    fs::copy_file(sample, dir / "KAVRO2.MDB");
    const std::string before = TempDir::read(dir / "KAVRO2.MDB");

    person.boxAnswers = {BoxAnswer::Yes};
    EXPECT_EQ(offer(), CatalogueOffer::EndProgram);
    ASSERT_EQ(person.boxes.size(), 2u);
    EXPECT_EQ(person.boxes[1].icon, BoxIcon::Stop);
    EXPECT_EQ(TempDir::read(dir / "KAVRO2.MDB"), before);
    EXPECT_FALSE(fs::exists(dir / "KAVRO2.MDB.jet"));
}

TEST_F(ImportJetStartUp, OurOwnCatalogueOrNoneOpensWithoutAQuestion)
{
    EXPECT_EQ(offer(), CatalogueOffer::Open);
    {
        Catalogue catalogue(dir.path(), person, texts, clock);
        ASSERT_TRUE(catalogue.open().ok());
    }
    EXPECT_EQ(offer(), CatalogueOffer::Open);
    EXPECT_TRUE(person.boxes.empty());
}

} // namespace
} // namespace kavro::test
