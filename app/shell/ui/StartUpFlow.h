#pragma once

#include "platform/SystemClock.h"
#include "shell/AppContext.h"
#include "shell/InstanceLock.h"
#include "shell/ui/QtPerson.h"

#include <functional>

class QWidget;

namespace kavro {

class KavroApplication;

// The program from its start to the end of its message loop: folders, settings file, language
// file, single instance, changer library, splash, password gate, main window.
//
// Test seam (environment, never set in normal use):
//   KAVRO_TEST_BOXES=<file or ->  message boxes are written to the file (or standard output)
//                                 and answered instead of shown (see QtPerson); the main window
//                                 is reported as the line "shown<TAB>MainForm" once it exists.
//   KAVRO_TEST_CLOSE_AFTER_MS=<n> the main window closes itself n ms after it is shown.
class StartUpFlow {
public:
    // Builds the main window and shows it as the settings say. Runs once; the flow owns the
    // window from then on.
    using MainWindowFactory = std::function<QWidget*(AppContext&)>;

    StartUpFlow(KavroApplication& app, ChangerLibrary changer, MainWindowFactory createMainWindow);

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
};

} // namespace kavro
