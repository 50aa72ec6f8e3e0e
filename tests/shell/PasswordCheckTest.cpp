#include "shell/PasswordCheck.h"
#include "shell/RegistryStore.h"

#include "support/ScriptedPerson.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace kavro {
namespace {

using test::TempDir;

TEST(PasswordEntryCheckTest, OnlyTheExactTextIsAccepted)
{
    PasswordEntryCheck check("Secret");
    EXPECT_FALSE(check.confirm("secret"));
    EXPECT_FALSE(check.accepted());
    EXPECT_EQ(check.entered(), "secret");
    EXPECT_FALSE(check.confirm("Secret "));
    EXPECT_TRUE(check.confirm("Secret"));
    EXPECT_TRUE(check.accepted());
    EXPECT_EQ(check.attempts(), 2);
}

TEST(PasswordEntryCheckTest, SixthWrongEntryClosesTheDialogUnaccepted)
{
    PasswordEntryCheck check("pw");
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(check.confirm("wrong")) << i;
    EXPECT_TRUE(check.confirm("wrong"));
    EXPECT_FALSE(check.accepted());
}

TEST(PasswordEntryCheckTest, RightEntryAtTheSixthTryIsAccepted)
{
    PasswordEntryCheck check("pw");
    for (int i = 0; i < 5; ++i)
        ASSERT_FALSE(check.confirm("PW"));
    EXPECT_TRUE(check.confirm("pw"));
    EXPECT_TRUE(check.accepted());
}

TEST(PasswordEntryCheckTest, ClosingWithoutOkLeavesNothingEntered)
{
    const PasswordEntryCheck check("pw");
    EXPECT_EQ(check.entered(), "");
    EXPECT_FALSE(check.accepted());
}

TEST(PasswordEntryCheckTest, EntriesAreCutToNinetyNineBytes)
{
    const std::string stored(99, 'k');
    PasswordEntryCheck check(stored);
    EXPECT_TRUE(check.confirm(stored + "extra typed beyond the limit"));
    EXPECT_EQ(check.entered().size(), 99u);
}

class PasswordStoreTest : public ::testing::Test {
protected:
    PasswordStoreTest() : store(dir / "registry") {}

    TempDir dir;
    RegistryStore store;
    test::ScriptedPerson person;
};

TEST_F(PasswordStoreTest, NoKeyNoValueOrEmptyValueMeansNoPassword)
{
    EXPECT_EQ(password::stored(store), "");
    ASSERT_TRUE(store.createKey(password::keyPath));
    EXPECT_EQ(password::stored(store), "");
    ASSERT_TRUE(store.writeString(password::keyPath, password::valueName, ""));
    EXPECT_EQ(password::stored(store), "");
}

TEST_F(PasswordStoreTest, StoredValueIsReadWholeUpToNinetyNineBytes)
{
    ASSERT_TRUE(store.createKey(password::keyPath));
    ASSERT_TRUE(store.writeString(password::keyPath, password::valueName, std::string(99, 'p')));
    EXPECT_EQ(password::stored(store), std::string(99, 'p'));
    ASSERT_TRUE(store.writeString(password::keyPath, password::valueName, std::string(120, 'p')));
    EXPECT_EQ(password::stored(store), std::string(99, 'p'));
    // Written by hand with an editor that ends the file with a line break.
    dir.write("registry/SOFTWARE/kavro/Password", "hand made\n");
    EXPECT_EQ(password::stored(store), "hand made");
}

TEST_F(PasswordStoreTest, ChangeWithDifferentEntriesStoresNothing)
{
    PasswordChangeCheck change(store, person);
    EXPECT_EQ(change.change("abc", "abd"), PasswordChangeCheck::Result::Mismatch);
    EXPECT_EQ(change.change("abc", "ABC"), PasswordChangeCheck::Result::Mismatch);
    EXPECT_FALSE(store.openKey(password::keyPath));
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(PasswordStoreTest, ChangeCreatesTheKeyAndAnEmptyEntryClearsTheProtection)
{
    PasswordChangeCheck change(store, person);
    EXPECT_EQ(change.change("new pw", "new pw"), PasswordChangeCheck::Result::Stored);
    EXPECT_EQ(password::stored(store), "new pw");
    EXPECT_EQ(TempDir::read(dir / "registry/SOFTWARE/kavro/Password"), "new pw");

    EXPECT_EQ(change.change("", ""), PasswordChangeCheck::Result::Stored);
    EXPECT_EQ(password::stored(store), "");
    EXPECT_TRUE(person.boxes.empty());
}

TEST_F(PasswordStoreTest, UnwritableStoreGivesTheMessageAndStoresNothing)
{
    dir.write("file", "x");
    RegistryStore blocked(dir / "file/registry");
    PasswordChangeCheck change(blocked, person);
    EXPECT_EQ(change.change("pw", "pw"), PasswordChangeCheck::Result::StoreFailed);
    ASSERT_EQ(person.boxes.size(), 1u);
    EXPECT_EQ(person.boxes[0].text, "Set password wrong !!!");
    EXPECT_EQ(person.boxes[0].icon, BoxIcon::Error);
    EXPECT_EQ(person.boxes[0].buttons, BoxButtons::Ok);
}

TEST_F(PasswordStoreTest, ValueThatCannotBeWrittenIsReportedNotIgnored)
{
    // The key opens, but "Password" is taken by a subkey, so the value cannot be set.
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro\\Password"));
    PasswordChangeCheck change(store, person);
    EXPECT_EQ(change.change("pw", "pw"), PasswordChangeCheck::Result::StoreFailed);
    EXPECT_EQ(person.boxes.size(), 1u);
}

} // namespace
} // namespace kavro
