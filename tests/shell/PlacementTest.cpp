#include "shell/LanguageTable.h"
#include "shell/PlacementPass.h"
#include "shell/PlacementTable.h"
#include "shell/ProgramLog.h"
#include "shell/TextKeyTable.h"

#include "support/TempDir.h"
#include "support/VirtualClock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <utility>

namespace kavro {
namespace {

using test::TempDir;

std::filesystem::path languageFolder()
{
    if (const char* source = std::getenv("KAVRO_SOURCE_DIR"); source && *source)
        return std::filesystem::path(source) / "Language";
    return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path() / "Language";
}

bool isFourDigits(std::string_view key)
{
    return key.size() == 4 && key.find_first_not_of("0123456789") == std::string_view::npos;
}

TEST(PlacementTableTest, RowsAreWellFormedAndEveryWindowHasItsCaptionRow)
{
    std::set<std::pair<std::string_view, std::string_view>> seen;
    std::set<std::string_view> windows;
    std::set<std::string_view> captioned;
    for (const auto& row : placementTable()) {
        EXPECT_TRUE(isFourDigits(row.key)) << row.window << "." << row.control;
        EXPECT_LE(row.window.size(), 47u);
        EXPECT_LE(row.control.size(), 47u);
        EXPECT_FALSE(row.control.empty());
        // Every designed control class is one the pass can handle.
        if (row.control != row.window) {
            EXPECT_TRUE(placementEffect(row.className).has_value()) << row.className;
        }
        EXPECT_TRUE(seen.insert({row.window, row.control}).second)
            << "twice: " << row.window << "." << row.control;
        windows.insert(row.window);
        if (row.control == row.window)
            captioned.insert(row.window);
    }
    EXPECT_EQ(windows, captioned);
    EXPECT_EQ(windows.size(), 10u);
}

TEST(PlacementTableTest, KnownClassesGetTheirEffects)
{
    const auto bitBtn = placementEffect("TBitBtn");
    ASSERT_TRUE(bitBtn);
    EXPECT_TRUE(bitBtn->caption && bitBtn->hint && bitBtn->defaultCharset && bitBtn->keepEllipsis);
    const auto listView = placementEffect("TListView");
    ASSERT_TRUE(listView);
    EXPECT_FALSE(listView->caption);
    EXPECT_TRUE(listView->hint);
    const auto tree = placementEffect("TTreeView");
    ASSERT_TRUE(tree);
    EXPECT_FALSE(tree->caption || tree->hint || tree->defaultCharset);
    EXPECT_FALSE(placementEffect("TComboBox"));
}

class ShippedLanguageFileTest : public ::testing::TestWithParam<std::pair<const char*, const char*>> {};

TEST_P(ShippedLanguageFileTest, HoldsEveryPlacedAndLookedUpKey)
{
    const auto [fileName, displayName] = GetParam();
    const auto file = languageFolder() / fileName;
    EXPECT_EQ(LanguageTable::displayName(file), displayName);

    LanguageTable table;
    ASSERT_TRUE(table.load(file)) << file;
    EXPECT_LT(table.size(), LanguageTable::maxEntries);
    std::set<std::string> keys;
    for (const auto& [key, text] : table.entries()) {
        EXPECT_TRUE(isFourDigits(key)) << "key '" << key << "'";
        EXPECT_TRUE(keys.insert(key).second) << "key twice: " << key;
        EXPECT_NE(text.find_first_not_of(' '), std::string::npos) << key;
    }
    for (const auto& row : placementTable())
        EXPECT_TRUE(keys.contains(std::string(row.key)))
            << fileName << " lacks " << row.key << " (" << row.window << "." << row.control << ")";
    for (const auto& row : textKeyTable())
        EXPECT_TRUE(keys.contains(std::string(row.key))) << fileName << " lacks " << row.key;
    EXPECT_EQ(table.find("0000"), "KAVRO 5.1");
}

INSTANTIATE_TEST_SUITE_P(Shipped, ShippedLanguageFileTest,
                         ::testing::Values(std::pair{"language.eng", "English"},
                                           std::pair{"language.cht", "繁體中文"}));

TEST(ShippedLanguageFileTest, ChineseFileCarriesTheChineseDefaultsAsWritten)
{
    LanguageTable cht;
    ASSERT_TRUE(cht.load(languageFolder() / "language.cht"));
    for (const auto& row : textKeyTable()) {
        const bool chinese = std::any_of(row.defaultText.begin(), row.defaultText.end(),
                                         [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
        if (chinese) {
            EXPECT_EQ(cht.find(row.key), row.defaultText) << row.key;
        }
    }
}

// A window of named controls, each with a designed class, recording what the pass does.
class FakeWindow final : public PlacementTarget {
public:
    struct Control {
        std::string className;
        std::string caption;
        std::string hint;
        bool defaultCharset = false;
    };

    explicit FakeWindow(std::string name) : m_name(std::move(name)) {}

    std::string windowName() const override { return m_name; }
    void setWindowCaption(const std::string& text) override { windowCaption = text; }
    std::optional<std::string> controlClass(std::string_view control) const override
    {
        const auto it = controls.find(std::string(control));
        if (it == controls.end())
            return std::nullopt;
        return it->second.className;
    }
    std::string caption(std::string_view control) const override
    {
        return controls.at(std::string(control)).caption;
    }
    void setCaption(std::string_view control, const std::string& text) override
    {
        controls.at(std::string(control)).caption = text;
    }
    void setHint(std::string_view control, const std::string& text) override
    {
        controls.at(std::string(control)).hint = text;
    }
    void setDefaultCharset(std::string_view control) override
    {
        controls.at(std::string(control)).defaultCharset = true;
    }

    std::map<std::string, Control> controls;
    std::string windowCaption = "frmSetup";

private:
    std::string m_name;
};

class PlacementPassTest : public ::testing::Test {
protected:
    PlacementPassTest() : log(dir / "kavro.log") {}

    TempDir dir;
    ProgramLog log;
    test::VirtualClock clock;
};

TEST_F(PlacementPassTest, PlacesTextsByClassAndNotesWhatItCannotPlace)
{
    LanguageTable table;
    table.loadText("English\n4000=Setup\n4001=Language\n4003=Third\n4006=E-mail\n4013=Burner\n"
                   "4014=Setup Font\n4009=Counter\n2000=Main\n");
    FakeWindow window("frmSetup");
    window.controls["Label1"] = {"TLabel", "語言", "", false};
    window.controls["Label2"] = {"TLabel", "主  要  字  型", "", false}; // 4002 has no entry
    window.controls["Label3"] = {"TComboBox", "x", "", false};           // a class the pass cannot handle
    window.controls["Label6"] = {"TTreeView", "tree", "", false};
    window.controls["BitBtn1"] = {"TBitBtn", "...", "", false};
    window.controls["Edit5"] = {"TEdit", "", "", false};
    window.controls["BitBtn2"] = {"TBitBtn", "字型設定", "", false};
    // Label9 is missing from this window.

    const int placed = placeTexts(window, table, log, clock);

    EXPECT_EQ(window.windowCaption, "Setup");
    EXPECT_EQ(window.controls["Label1"].caption, "Language");
    EXPECT_TRUE(window.controls["Label1"].defaultCharset);
    EXPECT_EQ(window.controls["Label2"].caption, "主  要  字  型");
    EXPECT_EQ(window.controls["Label3"].caption, "x");
    EXPECT_EQ(window.controls["Label6"].caption, "tree");
    EXPECT_EQ(window.controls["BitBtn1"].caption, "...");
    EXPECT_EQ(window.controls["BitBtn1"].hint, "Burner");
    EXPECT_EQ(window.controls["Edit5"].caption, "");
    EXPECT_EQ(window.controls["Edit5"].hint, "Burner");
    EXPECT_EQ(window.controls["BitBtn2"].caption, "Setup Font");
    EXPECT_EQ(window.controls["BitBtn2"].hint, "Setup Font");

    EXPECT_EQ(TempDir::read(log.file()),
              "Not access (TLabel) frmSetup->Label3\r\nNot found Label9 in form <frmSetup>\r\n");
    // caption, Label1, Label6, BitBtn1, Edit5, BitBtn2; events run after each row handled
    EXPECT_EQ(placed, 6);
    EXPECT_EQ(clock.eventRuns, 8);
}

TEST_F(PlacementPassTest, EmptyTableChangesNothingAndLogsNothing)
{
    LanguageTable table;
    FakeWindow window("frmPassword");
    window.controls["Label1"] = {"TLabel", "Password", "", false};
    EXPECT_EQ(placeTexts(window, table, log, clock), 0);
    EXPECT_EQ(window.windowCaption, "frmSetup");
    EXPECT_EQ(window.controls["Label1"].caption, "Password");
    EXPECT_FALSE(std::filesystem::exists(log.file()));
}

TEST_F(PlacementPassTest, ProgramLogAppendsTextUnchanged)
{
    log.append("one\r\n");
    log.append("");
    log.append("two");
    EXPECT_EQ(TempDir::read(log.file()), "one\r\ntwo");
    ProgramLog nowhere(dir / "missing/kavro.log");
    nowhere.append("dropped"); // no folder: the note is dropped without harm
    EXPECT_FALSE(std::filesystem::exists(dir / "missing"));
}

} // namespace
} // namespace kavro
