#include "shell/StartUp.h"

#include "platform/Clock.h"
#include "shell/AppContext.h"
#include "shell/PasswordCheck.h"
#include "shell/SettingsKeys.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace kavro::startup {

namespace fs = std::filesystem;

void makeFolders(const std::string& programFolder)
{
    for (const char* name : {"Data", "Backup", "Language", "Preview"}) {
        const fs::path folder = programFolder + name;
        std::error_code ec;
        // symlink_status: a dangling link is still "a file of that path".
        if (fs::exists(fs::symlink_status(folder, ec)))
            continue;
        fs::create_directory(folder, ec);
    }
}

LanguageMove moveLanguageEng(const std::string& programFolder)
{
    const fs::path old = programFolder + "language.eng";
    const fs::path moved = programFolder + "Language/language.eng";
    std::error_code ec;
    if (!fs::is_regular_file(old, ec))
        return LanguageMove::NothingToMove;
    // copy_file with the default options refuses an existing target, as the move must.
    if (!fs::copy_file(old, moved, fs::copy_options::none, ec))
        return LanguageMove::Kept;
    fs::remove(old, ec);
    return LanguageMove::Moved;
}

std::string chooseSettingsFile(const std::string& programFolder)
{
    const std::string inData = programFolder + "Data/Kavro.ini";
    const std::string beside = programFolder + "Kavro.ini";
    std::error_code ec;
    if (fs::exists(inData, ec))
        return inData;
    if (fs::exists(beside, ec))
        return beside;
    return inData;
}

std::string languageFilePath(const std::string& programFolder, const std::string& languageName)
{
    return programFolder + "Language/" + languageName;
}

std::string languageName(const AppContext& context)
{
    return keys::read(*context.settings, keys::LanguageName);
}

bool passwordGate(AppContext& context, const std::function<void(AppContext&)>& askPassword)
{
    // Read access is enough to read the value: asking for write access here would skip the
    // question for every user who may not change the machine-wide store.
    context.storedPassword = password::stored(*context.registry);
    if (context.storedPassword.empty())
        return true;
    context.enteredPassword.clear();
    askPassword(context);
    return context.enteredPassword == context.storedPassword;
}

void waitWithEvents(Clock& clock, int ms)
{
    // Short steps, so the splash repaints while the wait runs.
    constexpr int step = 20;
    const auto end = clock.nowMs() + ms;
    for (;;) {
        clock.processEvents();
        const auto left = end - clock.nowMs();
        if (left <= 0)
            break;
        clock.sleep(static_cast<int>(std::min<std::int64_t>(left, step)));
    }
}

} // namespace kavro::startup
