#include "shell/RegistryStore.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace kavro {
namespace {

using test::TempDir;

class RegistryStoreTest : public ::testing::Test {
protected:
    RegistryStoreTest() : store(dir / "registry") {}

    TempDir dir;
    RegistryStore store;
};

TEST_F(RegistryStoreTest, ValueRoundTripsAsPlainTextInTheKeysFolder)
{
    EXPECT_FALSE(store.openKey("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    EXPECT_TRUE(store.openKey("SOFTWARE\\kavro"));
    EXPECT_TRUE(store.openKeyWritable("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "Password", "密碼 pw"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), "密碼 pw");
    EXPECT_EQ(TempDir::read(dir / "registry/SOFTWARE/kavro/Password"), "密碼 pw");

    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "Password", ""));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), "");
}

TEST_F(RegistryStoreTest, NamesMatchWithoutRegardToCase)
{
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.writeString("software\\KAVRO", "password", "x"));
    EXPECT_EQ(store.readString("Software\\Kavro", "PASSWORD", 99), "x");
    ASSERT_TRUE(store.createKey("software\\kavro\\Sub"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "registry/SOFTWARE/kavro/Sub"));
}

TEST_F(RegistryStoreTest, ReadsAreCutAtTheGivenLength)
{
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "Password", std::string(100, 'a')));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), std::string(99, 'a'));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 100), std::string(100, 'a'));

    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "Password", std::string(98, 'a') + "中"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), std::string(98, 'a'));

    dir.write("registry/SOFTWARE/kavro/Password", std::string("abc\0def", 7));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), "abc");
}

TEST_F(RegistryStoreTest, MissingKeyOrValueReadsAsNothing)
{
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), std::nullopt);
    EXPECT_FALSE(store.writeString("SOFTWARE\\kavro", "Password", "x"));
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), std::nullopt);
    // A subkey is no value.
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro\\Password"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), std::nullopt);
}

TEST_F(RegistryStoreTest, NamesCannotLeaveTheirKey)
{
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "../../escape", "x"));
    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "", "default"));
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
    EXPECT_FALSE(std::filesystem::exists(dir / "registry/escape"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "../../escape", 99), "x");
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "", 99), "default");
    EXPECT_TRUE(store.createKey("SOFTWARE\\..\\..\\..\\escape"));
    EXPECT_FALSE(std::filesystem::exists(dir / "escape"));
    EXPECT_FALSE(std::filesystem::exists(dir / "registry/escape"));
}

TEST_F(RegistryStoreTest, CreateFailsWhereTheRootCannotBeWritten)
{
    // A root below a plain file cannot be made by anyone, administrators included.
    dir.write("file", "x");
    RegistryStore blocked(dir / "file/registry");
    EXPECT_FALSE(blocked.createKey("SOFTWARE\\kavro"));
    EXPECT_FALSE(blocked.openKey("SOFTWARE\\kavro"));
    EXPECT_FALSE(blocked.writeString("SOFTWARE\\kavro", "Password", "x"));
}

TEST_F(RegistryStoreTest, ReadOnlyRootRefusesCreateButStillReads)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not bind the super-user";
    ASSERT_TRUE(store.createKey("SOFTWARE\\kavro"));
    ASSERT_TRUE(store.writeString("SOFTWARE\\kavro", "Password", "pw"));
    ::chmod((dir / "registry/SOFTWARE/kavro").c_str(), 0555);
    ::chmod((dir / "registry").c_str(), 0555);
    EXPECT_TRUE(store.openKey("SOFTWARE\\kavro"));
    EXPECT_FALSE(store.openKeyWritable("SOFTWARE\\kavro"));
    EXPECT_FALSE(store.createKey("SOFTWARE\\kavro"));
    EXPECT_FALSE(store.createKey("SOFTWARE2"));
    EXPECT_FALSE(store.writeString("SOFTWARE\\kavro", "Password", "new"));
    EXPECT_EQ(store.readString("SOFTWARE\\kavro", "Password", 99), "pw");
    ::chmod((dir / "registry").c_str(), 0755);
    ::chmod((dir / "registry/SOFTWARE/kavro").c_str(), 0755);
}

TEST(RegistryStoreRootTest, EnvironmentCannotMoveTheBuiltInRoot)
{
    // Another root would let any user skip the start-up password.
    ::unsetenv("KAVRO_REGISTRY_ROOT");
    const auto builtIn = RegistryStore::defaultRoot();
    EXPECT_FALSE(builtIn.empty());
    ::setenv("KAVRO_REGISTRY_ROOT", "/tmp/kavro-test-registry", 1);
    EXPECT_EQ(RegistryStore::defaultRoot(), builtIn);
    EXPECT_EQ(RegistryStore().root(), builtIn);
    ::unsetenv("KAVRO_REGISTRY_ROOT");
}

} // namespace
} // namespace kavro
