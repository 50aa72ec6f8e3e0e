#pragma once

#include "platform/SystemClock.h"
#include "shell/AppContext.h"
#include "shell/InstanceLock.h"
#include "shell/ui/QtPerson.h"

#include <filesystem>
#include <functional>
#include <string>

class QWidget;

namespace kavro {

class KavroApplication;

// What tests change about a run. The shipped program passes none: it reads no test switch.
struct StartUpSeams {
    // Message boxes are written to this file ("-": standard output) and answered instead of
    // shown (see QtPerson); the main window is reported as "shown<TAB>MainForm".
    std::string recordBoxesTo;
    // The main window closes itself this many milliseconds after it is shown (-1: never).
    int closeAfterMs = -1;
    // Root of the local-machine registry store instead of the built-in one.
    std::filesystem::path registryRoot;
};

// The program from its start to the end of its message loop: folders, settings file, language
// file, single instance, changer library, splash, password gate, main window. The shipped
// program runs it without seams; a test build of the program gives them.
class StartUpFlow {
public:
    // Builds the main window and shows it as the settings say. Runs once; the flow owns the
    // window from then on.
    using MainWindowFactory = std::function<QWidget*(AppContext&)>;

    using Seams = StartUpSeams;

    StartUpFlow(KavroApplication& app, ChangerLibrary changer, MainWindowFactory createMainWindow,
                Seams seams = {});

    // Runs the program; returns the exit code, which is always 0.
    int run();

    AppContext& context() { return m_context; }

private:
    // Program folder, its folders, settings file, language file. False: start-up stops.
    bool prepareFiles();
    // The single-instance lock. False: another instance runs.
    bool takeInstanceLock();
    // Changer library, splash, password gate, main window and the message loop.
    void runWindows();

    KavroApplication& m_app;
    MainWindowFactory m_createMainWindow;
    QtPerson m_person;
    SystemClock m_clock;
    AppContext m_context;
    InstanceLock m_instance;
    Seams m_seams;
};

} // namespace kavro
