#include "shell/LanguageList.h"

#include "platform/Text.h"
#include "shell/LanguageTable.h"

#include <algorithm>
#include <system_error>

namespace kavro {

namespace {
constexpr std::size_t maxLanguages = 50;
constexpr std::size_t maxFileName = 39;
} // namespace

std::vector<LanguageChoice> listLanguages(const std::filesystem::path& languageFolder)
{
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(languageFolder, ec), end; !ec && it != end;
         it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (!text::startsWithIgnoreAsciiCase(name, "language.") || name.size() > maxFileName)
            continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError))
            continue;
        names.push_back(name);
    }
    std::sort(names.begin(), names.end());

    std::vector<LanguageChoice> choices;
    for (const auto& name : names) {
        if (choices.size() == maxLanguages)
            break;
        std::string display = LanguageTable::displayName(languageFolder / name);
        if (!display.empty())
            choices.push_back({std::move(display), name});
    }
    return choices;
}

const LanguageChoice* findLanguage(const std::vector<LanguageChoice>& choices, std::string_view name)
{
    for (const auto& choice : choices)
        if (choice.displayName == name)
            return &choice;
    return nullptr;
}

} // namespace kavro
