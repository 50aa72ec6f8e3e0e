#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/database/Transaction.h"

namespace kavro::test {
namespace {

using Queries = CatalogueFixture;
using Cursor = CatalogueFixture;

TEST_F(Queries, NamedParametersAndLinesJoinedAsBlanks)
{
    Catalogue& c = open();
    Query& change = c.changeQuery();
    change.setSql("INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)");
    change.setParam("categoryid", DbValue(12)); // names ignore case, like the column names
    change.setParam(":CATEGORYNAME", DbValue("Jazz"));
    auto inserted = change.execute();
    ASSERT_TRUE(inserted.ok()) << inserted.error();
    EXPECT_EQ(*inserted, 1);

    Query& q = c.listingQuery();
    q.clearSql();
    q.addLine("SELECT CATEGORYID From CATEGORY WHERE CATEGORYID=");
    q.addLine("12");
    q.addLine(" AND CATEGORYNAME=:N");
    q.setParam("N", DbValue("Jazz"));
    ASSERT_TRUE(q.open().ok());
    ASSERT_FALSE(q.eof());
    EXPECT_EQ(q.field("categoryid").asInt(), 12);
    q.next();
    EXPECT_TRUE(q.eof());
    EXPECT_TRUE(q.field("CATEGORYID").isNull());
    q.close();
    EXPECT_FALSE(q.isOpen());
}

TEST_F(Queries, MistakesAreReportedNotRun)
{
    Catalogue& c = open();
    Query& q = c.changeQuery();
    q.setSql("DELETE FROM CATEGORY WHERE CATEGORYID=:CATEGORYID");
    EXPECT_FALSE(q.execute().ok()); // parameter without a value

    q.setSql("DELETE FROM CATEGORY WHERE CATEGORYID=:CATEGORYID");
    q.setParam("CATEGORYID", DbValue(1));
    q.setParam("CATEGORYNAME", DbValue("x"));
    EXPECT_FALSE(q.execute().ok()); // a parameter the text does not have

    q.setSql("DELETE FROM CATEGORY; DROP TABLE KAVRO");
    EXPECT_FALSE(q.execute().ok());
    EXPECT_EQ(outside("SELECT COUNT(*) FROM sqlite_master WHERE name='KAVRO'")[0][0], "1");

    q.setSql("SELECT nothing FROM nowhere");
    const DbStatus s = q.open();
    EXPECT_FALSE(s.ok());
    EXPECT_NE(s.error().find("nowhere"), std::string::npos);
}

TEST_F(Queries, TransactionRolledBackLeavesNothingAndCommittedOneStays)
{
    Catalogue& c = open();
    addDisc(1, 1, "Before");
    const DbStatus failed = runInTransaction(c.database(), [&]() -> DbStatus {
        addDisc(1, 2, "Inside");
        Query& q = c.changeQuery();
        q.setSql("UPDATE KAVRO SET TitleA='Changed' WHERE Slot=1");
        if (auto r = q.execute(); !r)
            return r.status();
        return DbStatus::failure("stop here");
    });
    EXPECT_FALSE(failed.ok());
    EXPECT_EQ(failed.error(), "stop here");
    EXPECT_EQ(outside("SELECT COUNT(*) FROM KAVRO")[0][0], "1");
    EXPECT_EQ(outside("SELECT TRIM(TitleA) FROM KAVRO")[0][0], "Before");
    // The cursor forgets the row that never was.
    EXPECT_EQ(c.discCursor().recordCount(), 1);
    EXPECT_FALSE(LocateDisc(c, 1, 2));

    {
        Transaction outer(c.database());
        ASSERT_TRUE(outer.began().ok());
        {
            Transaction inner(c.database());
            addDisc(1, 3, "Nested");
            ASSERT_TRUE(inner.commit().ok());
        }
        // Not yet in the file for another reader: the outer one has not committed.
        ASSERT_TRUE(outer.commit().ok());
    }
    EXPECT_EQ(outside("SELECT COUNT(*) FROM KAVRO")[0][0], "2");

    // A rolled-back row gives its number back with it.
    EXPECT_TRUE(LocateDisc(c, 1, 3));
    EXPECT_EQ(c.discCursor().integer("Serial"), 1);
}

TEST_F(Cursor, WalksRowsInTableOrderAndLocatesExactly)
{
    Catalogue& c = open();
    addDisc(5, 9, "first");
    addDisc(3, 1, "second");
    addDisc(5, 1, "third");
    DiscCursor& cur = c.discCursor();
    std::vector<std::string> titles;
    for (cur.first(); !cur.eof(); cur.next())
        titles.push_back(text::trimSpaces(cur.text("TitleA")));
    EXPECT_EQ(titles, (std::vector<std::string>{"first", "second", "third"}));

    EXPECT_TRUE(cur.locate("MachineNo;Slot", {DbValue(5), DbValue(1)}));
    EXPECT_EQ(text::trimSpaces(cur.text("TitleA")), "third");
    EXPECT_FALSE(cur.locate("MachineNo;Slot", {DbValue(1), DbValue(5)}));
    EXPECT_EQ(text::trimSpaces(cur.text("TitleA")), "third"); // stays put
    EXPECT_FALSE(cur.locate("MachineNo;Nope", {DbValue(5), DbValue(1)}));
    EXPECT_FALSE(cur.lastError().empty());
}

TEST_F(Cursor, PostReachesTheFileBeforeReturning)
{
    Catalogue& c = open();
    addDisc(1, 4, "Posted");
    EXPECT_EQ(outside("SELECT TRIM(TitleA), Slot FROM KAVRO"),
              (std::vector<std::vector<std::string>>{{"Posted", "4"}}));
    DiscCursor& cur = c.discCursor();
    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(cur.setField("TitleA", DbValue("Edited")).ok());
    EXPECT_EQ(text::trimSpaces(cur.text("TitleA")), "Edited"); // the pending value while editing
    EXPECT_EQ(outside("SELECT TRIM(TitleA) FROM KAVRO")[0][0], "Posted");
    ASSERT_TRUE(cur.post().ok());
    EXPECT_EQ(outside("SELECT TRIM(TitleA) FROM KAVRO")[0][0], "Edited");
    EXPECT_EQ(cur.state(), DiscCursor::State::Browse);

    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(cur.setField("TitleA", DbValue("Dropped")).ok());
    cur.cancel();
    EXPECT_EQ(text::trimSpaces(cur.text("TitleA")), "Edited");
    EXPECT_FALSE(cur.setField("TitleA", DbValue("x")).ok()); // not in edit
    EXPECT_FALSE(cur.setField("NoSuchColumn", DbValue("x")).ok());
}

TEST_F(Cursor, SeesChangesMadeThroughOtherObjects)
{
    Catalogue& c = open();
    addDisc(1, 1, "a");
    addDisc(1, 2, "b");
    addDisc(1, 3, "c");
    DiscCursor& cur = c.discCursor();
    ASSERT_TRUE(LocateDisc(c, 1, 2));
    Query& q = c.changeQuery();
    q.setSql("DELETE FROM KAVRO WHERE Slot=2");
    ASSERT_TRUE(q.execute().ok());
    // The current row is gone: the cursor stands on the next one.
    EXPECT_EQ(cur.recordCount(), 2);
    EXPECT_EQ(cur.integer("Slot"), 3);
    q.setSql("UPDATE KAVRO SET MachineNo=9 WHERE MachineNo=1;");
    ASSERT_TRUE(q.execute().ok());
    EXPECT_EQ(cur.integer("MachineNo"), 9);
    EXPECT_TRUE(LocateDisc(c, 9, 1));

    // Editing a row that another object deleted meanwhile fails instead of writing nothing.
    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(cur.setField("TitleA", DbValue("lost")).ok());
    q.setSql("DELETE FROM KAVRO WHERE Slot=1");
    ASSERT_TRUE(q.execute().ok());
    EXPECT_FALSE(cur.post().ok());
}

TEST_F(Cursor, DeleteMovesToTheNextRowAndBlobsReadWhole)
{
    Catalogue& c = open();
    addDisc(1, 1);
    addDisc(1, 2);
    DiscCursor& cur = c.discCursor();
    std::string bytes(300000, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(cur.edit().ok());
    ASSERT_TRUE(cur.setField("Pic", DbValue::blob(bytes)).ok());
    ASSERT_TRUE(cur.post().ok());
    EXPECT_EQ(cur.field("Pic").type(), DbValue::Type::Blob);
    EXPECT_EQ(cur.field("Pic").bytes(), bytes);

    cur.first();
    ASSERT_TRUE(cur.deleteRow().ok());
    EXPECT_EQ(cur.integer("Slot"), 2);
    ASSERT_TRUE(cur.deleteRow().ok());
    EXPECT_TRUE(cur.eof());
    EXPECT_TRUE(cur.isEmpty());
    EXPECT_FALSE(cur.deleteRow().ok());
    EXPECT_FALSE(cur.edit().ok());
}

} // namespace
} // namespace kavro::test
