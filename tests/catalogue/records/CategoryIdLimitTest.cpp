// Category ids at the top of their range: a damaged mirror file or table may hold the largest id
// there is, and no new category may then take an id that is in use or overflow the counter.
#include "catalogue/records/CatalogueFixture.h"

#include "catalogue/records/Categories.h"

#include <limits>

namespace kavro::test {
namespace {

constexpr int kTopId = std::numeric_limits<int>::max();

class CategoryIdLimit : public CatalogueFixture {
protected:
    void insertCategory(const std::string& name, int id)
    {
        Query& q = catalogue->changeQuery();
        q.setSql("INSERT INTO CATEGORY (CATEGORYNAME,CATEGORYID) VALUES(:CATEGORYNAME,:CATEGORYID)");
        q.setParam("CATEGORYNAME", DbValue(name));
        q.setParam("CATEGORYID", DbValue(id));
        ASSERT_TRUE(q.execute().ok());
    }
};

TEST_F(CategoryIdLimit, FileWithTheLargestIdLoadsButLeavesNoNewId)
{
    dir.write("Data/category.txt", "Low,5\r\nTop,2147483647\r\n");
    open();
    const auto loaded = LoadCategories(*catalogue);
    ASSERT_TRUE(loaded.ok()) << loaded.error();
    EXPECT_EQ(*loaded, 2);
    EXPECT_EQ(catalogue->categories().nextCategoryId, kTopId);

    const auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok()) << made.error();
    EXPECT_EQ(*made, nullptr);
    EXPECT_EQ(catalogue->categories().count(), 2);
}

TEST_F(CategoryIdLimit, TableWithTheLargestIdLeavesNoNewId)
{
    open();
    insertCategory("Top", kTopId);
    insertCategory("After", 3);
    ASSERT_TRUE(LoadCategories(*catalogue).ok());
    EXPECT_EQ(catalogue->categories().nextCategoryId, kTopId);
    const auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok()) << made.error();
    EXPECT_EQ(*made, nullptr);
}

TEST_F(CategoryIdLimit, OneBelowTheTopStillGivesTheLastId)
{
    open();
    insertCategory("Almost", kTopId - 1);
    ASSERT_TRUE(LoadCategories(*catalogue).ok());
    const auto made = NewCategory(*catalogue);
    ASSERT_TRUE(made.ok()) << made.error();
    ASSERT_NE(*made, nullptr);
    EXPECT_EQ((*made)->id, kTopId);
    EXPECT_EQ(*NewCategory(*catalogue), nullptr);
}

} // namespace
} // namespace kavro::test
