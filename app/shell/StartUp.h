#pragma once

#include <functional>
#include <string>

namespace kavro {

class Clock;
struct AppContext;

// The start-up decisions that need no window: the folders beside the program, the move of an
// old language file, which settings file serves the run, and the language file's path.
// programFolder always ends in '/'.
namespace startup {

// Data, Backup, Language and Preview: made when nothing of that name exists. An existing folder
// is left alone and a failure is ignored (later work in it fails where it happens).
void makeFolders(const std::string& programFolder);

enum class LanguageMove {
    NothingToMove, // no language.eng beside the program
    Moved,         // copied into Language/ and deleted beside the program
    Kept,          // the copy failed (Language/ already has one): both files stay
};

// An older installation kept language.eng beside the program; it now lives in Language/.
LanguageMove moveLanguageEng(const std::string& programFolder);

// Data/Kavro.ini if it exists, else Kavro.ini beside the program if that exists, else
// Data/Kavro.ini (made by the first write). The choice holds for the whole run.
std::string chooseSettingsFile(const std::string& programFolder);

// "<folder>Language/<name>". An empty name gives the Language folder itself, which loads nothing.
std::string languageFilePath(const std::string& programFolder, const std::string& languageName);

// LanguageName of section System; present but empty gives "" (and so no language file).
std::string languageName(const AppContext& context);

// The password gate. Reads the stored password from the registry; when one is set, clears the
// entered password and runs askPassword (the entry dialog, which leaves the text last confirmed in
// context.enteredPassword). True when start-up may go on: no password set, or the entered one
// equals it byte for byte.
bool passwordGate(AppContext& context, const std::function<void(AppContext&)>& askPassword);

// Waits ms milliseconds on the clock while letting pending events run, so windows keep painting.
void waitWithEvents(Clock& clock, int ms);

} // namespace startup
} // namespace kavro
