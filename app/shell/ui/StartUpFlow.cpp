#include "shell/ui/StartUpFlow.h"

#include "shell/ProgramFolder.h"
#include "shell/StartUp.h"
#include "shell/ui/KavroApplication.h"
#include "shell/ui/QtClock.h"
#include "shell/ui/QtTranslation.h"
#include "shell/ui/TSplashForm.h"
#include "shell/ui/TfrmKeyPassword.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <exception>
#include <filesystem>
#include <system_error>

namespace kavro {

namespace {

void showStartUpWarning(Person& person, const std::string& message)
{
    person.messageBox(message, "Warnning!!!", BoxIcon::Stop, BoxButtons::Ok);
}

} // namespace

StartUpFlow::StartUpFlow(KavroApplication& app, ChangerLibrary changer, MainWindowFactory createMainWindow,
                         Seams seams)
    : m_app(app), m_createMainWindow(std::move(createMainWindow)), m_clock(makeQtClock()),
      m_seams(std::move(seams))
{
    m_context.person = &m_person;
    m_context.clock = &m_clock;
    m_context.changer = changer;
}

int StartUpFlow::run()
{
    m_app.setApplicationName(QStringLiteral("Kavro 5.1"));
    m_app.setPerson(&m_person);
    if (!m_seams.recordBoxesTo.empty())
        m_person.recordBoxesTo(m_seams.recordBoxesTo);

    try {
        if (prepareFiles() && takeInstanceLock())
            runWindows();
    } catch (const std::exception& error) {
        m_app.showError(error.what());
    } catch (...) {
        m_app.showError({});
    }

    while (QApplication::overrideCursor() != nullptr)
        QApplication::restoreOverrideCursor();
    return 0;
}

bool StartUpFlow::prepareFiles()
{
    auto executable = ProgramFolder::runningExecutable();
    if (executable.empty())
        executable = QCoreApplication::applicationFilePath().toStdString();
    const ProgramFolder folder =
        ProgramFolder::locate(executable, ProgramFolder::UserFolders::fromEnvironment());
    m_context.programFolder = folder.path();
    m_context.programFileName = folder.programFileName();

    startup::makeFolders(folder.path());
    folder.seedLanguageFiles();
    // Files named without a folder (the catalogue among them) are the program folder's.
    std::error_code ec;
    std::filesystem::current_path(folder.path(), ec);

    startup::moveLanguageEng(folder.path());
    m_context.settings = std::make_unique<Settings>(startup::chooseSettingsFile(folder.path()));
    m_context.log = std::make_unique<ProgramLog>(folder.file("Data/kavro.log"));
    m_context.registry = std::make_unique<RegistryStore>(
        m_seams.registryRoot.empty() ? RegistryStore::defaultRoot() : m_seams.registryRoot);

    m_context.languageFilePath = startup::languageFilePath(folder.path(), startup::languageName(m_context));
    m_context.language.load(m_context.languageFilePath);
    if (m_context.language.empty()) {
        showStartUpWarning(m_person, m_context.languageFilePath + " not found");
        return false;
    }
    m_context.windowTitle = m_context.language.text("0000", "KAVRO 5.1");
    m_person.setTexts(&m_context.language);
    UseQtTranslation(m_context.language);
    return true;
}

bool StartUpFlow::takeInstanceLock()
{
    if (m_instance.acquire(InstanceLock::defaultFolder()))
        return true;
    showStartUpWarning(m_person, "Kavro already running");
    return false;
}

void StartUpFlow::runWindows()
{
    // The application title; windows keep their own captions.
    m_app.setApplicationName(QString::fromStdString(m_context.windowTitle));

    // No machine at all is an ordinary state: the catalogue is browsed as usual.
    if (m_context.changer.initialise != nullptr)
        m_context.changer.initialise();
    if (m_context.changer.deviceNumber != nullptr)
        m_context.deviceNumber = m_context.changer.deviceNumber();

    {
        TSplashForm splash;
        splash.showAndPaint();
        const bool admitted = startup::passwordGate(m_context, &TfrmKeyPassword::ask);
        if (!admitted)
            return; // a wrong password ends the program without a word
        startup::waitWithEvents(m_clock, 1000);
    }

    QPointer<QWidget> window = m_createMainWindow(m_context);
    if (window.isNull())
        return;
    window->setAttribute(Qt::WA_DeleteOnClose);
    // The message loop runs until the main window has closed, whatever other windows are open.
    QObject::connect(window.data(), &QObject::destroyed, &m_app, &QCoreApplication::quit);
    m_person.setParentWindow(window);
    m_person.record("shown", window->objectName().toStdString());
    if (m_seams.closeAfterMs >= 0)
        QTimer::singleShot(m_seams.closeAfterMs, window.data(), &QWidget::close);

    QApplication::exec();
    delete window.data(); // still there when the loop ended before its deferred delete ran
}

} // namespace kavro
