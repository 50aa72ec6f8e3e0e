// The category mirror file (Data/category.txt) over arbitrary bytes: each line as parsed, the
// file loaded into an empty catalogue, and the loaded tree saved and loaded again.
#include "FuzzScratch.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/records/Categories.h"
#include "platform/Text.h"
#include "platform/Texts.h"

#include "support/QuietPerson.h"
#include "support/VirtualClock.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

using kavro::fuzz::check;

namespace {

struct Session {
    kavro::test::QuietPerson person{true};
    kavro::test::VirtualClock clock;
    kavro::DefaultTexts texts;
    std::unique_ptr<kavro::Catalogue> catalogue;
};

// One catalogue for the whole run: opening it is far slower than a load.
kavro::Catalogue& catalogue()
{
    static Session* const session = [] {
        auto* s = new Session;
        const auto folder = kavro::fuzz::scratchFolder() / "program";
        std::filesystem::create_directories(folder / "Data");
        s->catalogue = std::make_unique<kavro::Catalogue>(folder, s->person, s->texts, s->clock);
        if (const kavro::DbStatus opened = s->catalogue->open(); !opened) {
            std::fprintf(stderr, "%s\n", opened.error().c_str());
            std::abort();
        }
        return s;
    }();
    return *session->catalogue;
}

using Shape = std::vector<std::tuple<int, std::string, int>>; // level, name, id in tree order

Shape shapeOf(kavro::Catalogue& c)
{
    Shape shape;
    if (kavro::TreeNode* root = c.categoryTree().categoryRoot())
        root->forEachDescendant([&](kavro::TreeNode& n) {
            if (n.isCategory())
                shape.emplace_back(n.level(), n.text, n.id);
        });
    return shape;
}

kavro::DbResult<int> loadFile(kavro::Catalogue& c, std::string_view bytes)
{
    check(c.database().exec("DELETE FROM CATEGORY").ok(), "table emptied");
    kavro::fuzz::scratchFile("program/Data/category.txt", bytes);
    return kavro::LoadCategories(c);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Lines as the loader splits them.
    const std::string content = kavro::text::decodeLegacy(bytes);
    int lines = 0;
    long long highestId = std::numeric_limits<long long>::min();
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = std::min(content.find('\n', pos), content.size());
        std::string_view line(content.data() + pos, end - pos);
        pos = end + 1;
        while (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const auto parsed = kavro::ParseCategoryLine(line);
        if (!parsed)
            continue;
        ++lines;
        highestId = std::max<long long>(highestId, parsed->id);
        check(parsed->id != 0 && parsed->depth >= 1, "a parsed line has an id and a depth");
        check(parsed->name == kavro::CleanCategoryName(parsed->name), "a parsed name is clean");
    }

    kavro::Catalogue& c = catalogue();
    const auto loaded = loadFile(c, bytes);
    check(loaded.ok(), "a loaded file always fits the table");
    const int count = *loaded;
    check(count == std::min(lines, kavro::CategoryList::Capacity),
          "every line up to the capacity is a category");
    check(count == c.categories().count(), "the count is the list's");
    if (lines > 0)
        check(c.categories().nextCategoryId >= highestId, "the next id lies above the ids in use");

    // The file as saved from the tree gives the same tree again (a category without a name is
    // not kept in the file, so its sub-categories move; such trees are left out).
    const Shape before = shapeOf(c);
    const bool named = std::none_of(before.begin(), before.end(),
                                    [](const auto& node) { return std::get<1>(node).empty(); });
    const auto saved = kavro::SaveCategories(c);
    check(saved.ok(), "a loaded tree saves");
    if (named) {
        std::ifstream in(c.dataFolder() / "category.txt", std::ios::binary);
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        check(loadFile(c, file).ok(), "a saved file loads");
        check(shapeOf(c) == before, "save and load keep the tree");
    }

    // A new category never takes an id in use, and none is made when no id is left.
    const Shape loadedShape = shapeOf(c);
    const auto made = kavro::NewCategory(c);
    check(made.ok(), "a new category saves");
    if (*made) {
        for (const auto& node : loadedShape)
            check(std::get<2>(node) != (*made)->id, "a new category takes a free id");
    } else {
        check(c.categories().isFull() || !c.categories().hasNextId(),
              "a new category is refused only when full");
    }
    return 0;
}
