#pragma once

#include "shell/LanguageTable.h"
#include "shell/ProgramLog.h"
#include "shell/RegistryStore.h"
#include "shell/Settings.h"

#include <memory>
#include <string>

namespace kavro {

class Clock;
class Person;

// The library calls the shell makes itself: opening the changer library and counting the
// machines at start-up, closing it when the main window closes. The program fills them with
// libtorvex's exports; tests fill them with their own.
struct ChangerLibrary {
    int (*initialise)() = nullptr;   // InitUSBKavro
    int (*deviceNumber)() = nullptr; // GetDeviceNumber
    int (*close)() = nullptr;        // CloseUSBKavro
};

// Everything process-wide that start-up sets once and every window reads. One object per run,
// passed in rather than global, so each test builds a fresh one.
struct AppContext {
    // Folder of every file the program uses, ending in '/'; the current folder of the process.
    std::string programFolder;
    // Name of the program file without its folder.
    std::string programFileName;
    // The settings file chosen at start-up; serves every read and write of the run.
    std::unique_ptr<Settings> settings;
    // The active language file and where it came from (the settings dialog reloads it).
    LanguageTable language;
    std::string languageFilePath;
    // Text of key 0000, the application title.
    std::string windowTitle;
    // Start-up password from the registry, and the text last confirmed in the entry dialog; at
    // most 99 bytes each.
    std::string storedPassword;
    std::string enteredPassword;
    std::unique_ptr<RegistryStore> registry;
    // Data/kavro.log.
    std::unique_ptr<ProgramLog> log;
    Person* person = nullptr;
    Clock* clock = nullptr;
    ChangerLibrary changer;
    // Machines found at start-up.
    int deviceNumber = 0;
    // Set when the run ends so that the program starts again (after a restore or an import):
    // the next run reads the changed catalogue.
    bool restartRequested = false;

    // A file of the program folder, e.g. file("Data/kavro.log").
    std::string file(const std::string& relative) const { return programFolder + relative; }
};

} // namespace kavro
