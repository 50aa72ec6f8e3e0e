#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kavro {

// One language on offer: the first line of its file and the file's name in the Language folder.
struct LanguageChoice {
    std::string displayName;
    std::string fileName;
};

// The files "language.*" of the Language folder (name matched without regard to case), in
// file-name order, each with its display name (LanguageTable::displayName). Files that cannot be
// read, whose first line is empty, or whose name is longer than the LanguageName setting holds
// (39 bytes) are left out, and so is every file after the fiftieth.
std::vector<LanguageChoice> listLanguages(const std::filesystem::path& languageFolder);

// The first choice whose display name equals name exactly; nullptr when there is none.
const LanguageChoice* findLanguage(const std::vector<LanguageChoice>& choices, std::string_view name);

} // namespace kavro
