#include "views/mainwindow/ChangerControls.h"

#include "catalogue/records/Catalogue.h"
#include "changer/ChangerActions.h"
#include "changer/DeviceMonitor.h"
#include "changer/DriveFlows.h"
#include "changer/MachineRegistry.h"
#include "platform/Drives.h"
#include "platform/Person.h"
#include "platform/Texts.h"
#include "shell/AppContext.h"
#include "shell/ProgramLog.h"
#include "shell/SettingsKeys.h"
#include "views/lists/ListRows.h"
#include "views/mainwindow/MachineBar.h"
#include "views/mainwindow/MainFormWidgets.h"
#include "views/dialogs/TfrmRetrieve.h"
#include "views/dialogs/TfrmSwapID.h"
#include "views/dialogs/TfrmCatalogueCabinet.h"
#include "views/dialogs/TfrmSlotMap.h"
#include "cataloguing/SlotMap.h"
#include "cddb/DiscTitleLookup.h"
#include "platform/LibcdioTocReader.h"
#include "platform/udisks/UDisksMounter.h"
#include "changer/CabinetWait.h"

#include "torvex/CabinetProbe.h"

#include <QAction>
#include <QMessageBox>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUrl>

namespace kavro {

namespace {

// The drive entries are the last three of both disc menus: a separator, "Eject" and "Load".
constexpr int kDriveEntriesFrom = 8;

void showDriveEntries(QMenu* menu, bool shown)
{
    if (!menu)
        return;
    const auto actions = menu->actions();
    for (int i = kDriveEntriesFrom; i < actions.size(); ++i)
        actions[i]->setVisible(shown);
}

} // namespace

ChangerControls::ChangerControls(Catalogue& catalogue, TorvexCalls& calls, AppContext& app,
                                 MainFormWidgets& widgets, QWidget* window)
    : QObject(window), m_app(app), m_widgets(widgets), m_window(window),
      m_deviceMonitor("Timer_CheckDevice", this), m_driveCheck("Timer_CheckCD", this),
      m_ctx(catalogue, calls, *app.person, *app.clock, app.language)
{
    m_ctx.useTimers(m_deviceMonitor, m_driveCheck);
    m_ctx.settings = app.settings.get();
    m_ctx.messageCaption = app.windowTitle.empty() ? std::string("KAVRO 5.1") : app.windowTitle;
    m_ctx.openLocation = [this](const std::string& folder) { openLocation(folder); };
    m_ctx.driveFolder = [this](int) { return driveFolder(); };
    m_ctx.display.setOnChange([this](ChangerDisplay::Part part) { showDisplay(part); });
    m_ctx.unopenedCabinets = [] {
        std::vector<std::string> lines;
        for (const torvex::UnopenedCabinet& c : torvex::probeUnopenedUsbCabinets()) {
            std::string line = "Cabinet " + c.path + " cannot be opened: " + torvex::openFailureText(c.failure);
            if (const std::string fix = torvex::openFailureFix(c.failure); !fix.empty())
                line += ". " + fix;
            lines.push_back(std::move(line));
        }
        return lines;
    };
    m_ctx.log = [this](const std::string& line) {
        if (m_app.log)
            m_app.log->append(line);
    };
    m_deviceMonitor.setTick([this] { DeviceMonitorTick(m_ctx); });
    m_driveCheck.setTick([this] { DriveCheckTick(m_ctx); });
    connectMachineBar();
    showDisplay(ChangerDisplay::Part::MachineBar);
    showDisplay(ChangerDisplay::Part::DriveEntries);
    qApp->installEventFilter(this);
}

bool ChangerControls::eventFilter(QObject* watched, QEvent* event)
{
    if (m_ctx.cabinetWork == 0 || !m_window)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
        break;
    default:
        return false;
    }
    // Message boxes of the flow itself are windows of their own and still answer.
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget && widget->window() == m_window;
}

void ChangerControls::catalogueCabinet()
{
    if (cabinetBusy())
        return;
    std::vector<TfrmCatalogueCabinet::Choice> machines;
    for (int i = 0; i < m_ctx.machines.count(); ++i) {
        const int id = m_ctx.machines.MachineAt(i);
        if (IsDriveMachine(m_ctx, id))
            machines.push_back({m_ctx.machines.MachineName(id), id});
    }
    if (machines.empty()) {
        m_app.person->messageBox(m_ctx.text("5228", "No cabinet with a drive is registered."), m_ctx.messageCaption,
                                 BoxIcon::Information, BoxButtons::Ok);
        return;
    }
    std::vector<TfrmCatalogueCabinet::Choice> categories;
    CategoryList& list = m_ctx.catalogue.categories();
    for (int i = 0; i < list.count(); ++i)
        if (list[i].node != nullptr)
            categories.push_back({list[i].node->text, list[i].id});
    TfrmCatalogueCabinet dialog(machines, categories, [this] { return cabinetRunServices(); },
                                [this] { emit discsWritten(); }, m_app.language, m_window);
    if (const auto left = RunLog::unfinished(m_ctx.dataFolder() / "CabinetRun.log"))
        dialog.offerContinuation(*left);
    m_deviceMonitor.stop();
    dialog.exec();
    m_deviceMonitor.start();
    emit discsWritten();
}

void ChangerControls::showSlotMap()
{
    if (cabinetBusy())
        return;
    const int named = m_ctx.machines.MachineByName(m_ctx.display.machineNameText());
    const int machine = named != 0 ? named : m_ctx.CurrentMachine;
    if (machine == 0 || m_ctx.machines.find(machine) == nullptr)
        return;
    const SlotMap map = BuildSlotMap(m_ctx.catalogue, m_ctx, machine, LastSlotOf(m_ctx, machine), m_ctx.dataFolder());
    TfrmSlotMap dialog(
        QString::fromStdString(m_ctx.machines.MachineName(machine)), map,
        [this, machine](int slot) { emit slotChosen(machine, slot); },
        [this, machine](int slot) { presentAtDoor(machine, slot); }, m_app.language, m_window);
    dialog.exec();
}

void ChangerControls::offerUnfinishedRun()
{
    const auto left = RunLog::unfinished(m_ctx.dataFolder() / "CabinetRun.log");
    if (!left || m_ctx.machines.find(left->machine) == nullptr)
        return;
    if (left->maybeInDrive != 0) {
        const std::string question =
            withArgs(m_ctx.text("5229", "A cataloguing run of %1 was cut short while slot %2's disc was in the drive. "
                                        "Return it to its slot now?"),
                     {m_ctx.machines.MachineName(left->machine), std::to_string(left->maybeInDrive)});
        if (m_app.person->messageBox(question, m_ctx.messageCaption, BoxIcon::Question, BoxButtons::YesNo) ==
            BoxAnswer::Yes) {
            CabinetRunServices services = cabinetRunServices();
            if (!ReturnDiscLeftInDrive(services, *left))
                m_app.person->messageBox(m_ctx.text("5237", "The disc could not be returned; the cabinet did not answer."),
                                         m_ctx.messageCaption, BoxIcon::Warning, BoxButtons::Ok);
        }
    }
    const std::string question =
        withArgs(m_ctx.text("5238", "A cataloguing run of %1 was cut short after %2 of %3 slots. Continue it now?"),
                 {m_ctx.machines.MachineName(left->machine), std::to_string(left->done.size()),
                  std::to_string(left->slotNumbers.size())});
    if (m_app.person->messageBox(question, m_ctx.messageCaption, BoxIcon::Question, BoxButtons::YesNo) ==
        BoxAnswer::Yes)
        catalogueCabinet();
}

Drives ChangerControls::drives() const
{
    const Settings& settings = *m_app.settings;
    return Drives::build(Drives::readSystem(), [&settings](char key) {
        return settings.readString(Drives::SettingsSection, std::string(1, key), "");
    });
}

CabinetRunServices ChangerControls::cabinetRunServices()
{
    if (!m_tocReader) {
        m_tocReader = std::make_unique<LibcdioTocReader>();
        m_titles = std::make_unique<DiscTitleLookup>(*m_tocReader);
        m_mounter = std::make_unique<UDisksMounter>();
    }
    CabinetRunServices services{m_ctx.catalogue, m_ctx, *m_app.settings, m_app.language, *m_app.person, *m_app.clock,
                                m_titles.get(), m_tocReader.get(), [this] { return drives(); },
                                Drives::letterOf(keys::read(*m_app.settings, keys::Cdrom)),
                                m_ctx.dataFolder() / "CabinetRun.log"};
    services.mounter = m_mounter.get();
    return services;
}

ChangerControls::~ChangerControls()
{
    m_ctx.display.setOnChange(nullptr);
    stop();
}

void ChangerControls::openAndLoadRegistry()
{
    OpenChangers(m_ctx);
    if (auto loaded = LoadRegistry(m_ctx); !loaded)
        m_app.person->messageBox(loaded.error(), "System Message", BoxIcon::Error, BoxButtons::Ok);
}

void ChangerControls::rescanAndStartTimers()
{
    if (auto s = RescanMachines(m_ctx); !s)
        m_app.person->messageBox(s.error(), "System Message", BoxIcon::Error, BoxButtons::Ok);
    ReportUnopenedCabinets(m_ctx);
    StartChangerTimers(m_ctx);
}

void ChangerControls::stop()
{
    m_ctx.testRunning = false;
    m_deviceMonitor.stop();
    m_driveCheck.stop();
}

std::string ChangerControls::machineName(int machine) const
{
    return m_ctx.machines.MachineName(machine);
}

bool ChangerControls::isDriveMachineDisc(int machine, const std::string& deviceType) const
{
    return IsDriveMachineDisc(m_ctx.machines.MachineModel(machine), deviceType, m_ctx.DefaultModel);
}

void ChangerControls::takeOut(int machine, int slot, const std::string& title, TakeOutSource source)
{
    if (cabinetBusy())
        return;
    if (machine == 0 || slot == 0)
        return;
    auto dialog = makeTakeOutDialog();
    TakeOutDisc(m_ctx, *dialog, machine, slot, title, source);
}

void ChangerControls::selectRow(int machine, int slot, bool driveRow)
{
    SelectDiscRow(m_ctx, machine, slot, driveRow);
}

void ChangerControls::clickMachineRow(int machine, int slot)
{
    ClickListView5Row(m_ctx, machine, slot);
}

void ChangerControls::doorAction(int machine, int slot)
{
    if (cabinetBusy())
        return;
    CloseDoor(m_ctx);
    OpenDoor(m_ctx, machine, slot);
}

void ChangerControls::presentAtDoor(int machine, int slot)
{
    if (cabinetBusy())
        return;
    // OpenDoor only puts the arm's disc back; the slot itself is brought to the door by a move.
    MoveToSlot(m_ctx, machine, slot);
}

void ChangerControls::awaitReady(int machine)
{
    if (cabinetBusy())
        return;
    CheckReady(m_ctx, machine);
}

void ChangerControls::loadToDrive()
{
    if (cabinetBusy())
        return;
    LoadToDrive(m_ctx);
}

void ChangerControls::ejectFromMenu()
{
    if (cabinetBusy())
        return;
    EjectFromDrive(m_ctx);
}

void ChangerControls::testCycleKey(TestCycleKey key)
{
    TestCycleKeyPressed(m_ctx, key);
}

void ChangerControls::powerOnAll()
{
    if (cabinetBusy())
        return;
    PowerOnAll(m_ctx);
}

void ChangerControls::powerOffAll()
{
    if (cabinetBusy())
        return;
    PowerOffAll(m_ctx);
}

void ChangerControls::resetAll()
{
    if (cabinetBusy())
        return;
    ResetAll(m_ctx);
}

void ChangerControls::closeDoor()
{
    if (cabinetBusy())
        return;
    CloseDoor(m_ctx);
}

void ChangerControls::swapId()
{
    std::unique_ptr<SwapIdDialog> dialog = m_dialogs.swapId ? m_dialogs.swapId() : nullptr;
    if (!dialog)
        dialog = TfrmSwapID::create(m_app, m_window);
    const SwapResult result = SwapID1(m_ctx, *dialog);
    if (result.outcome == SwapOutcome::Failed)
        m_app.person->messageBox(result.error, "System Message", BoxIcon::Error, BoxButtons::Ok);
    else if (result.outcome == SwapOutcome::Swapped)
        emit restartRequested();
}

std::unique_ptr<TakeOutDialog> ChangerControls::makeTakeOutDialog()
{
    if (m_dialogs.takeOut) {
        if (auto dialog = m_dialogs.takeOut())
            return dialog;
    }
    return TfrmRetrieve::create(m_app, m_window);
}

void ChangerControls::showDisplay(ChangerDisplay::Part part)
{
    const ChangerDisplay& display = m_ctx.display;
    switch (part) {
    case ChangerDisplay::Part::StatusBar:
        // Only the panels the changer wrote anew; the window writes the others itself.
        for (std::size_t panel = 0; panel < m_shownStatus.size(); ++panel) {
            const std::string text = display.statusText(static_cast<int>(panel));
            if (text != m_shownStatus[panel]) {
                m_shownStatus[panel] = text;
                if (QLabel* label = m_widgets.status[panel])
                    label->setText(QString::fromStdString(text));
            }
        }
        break;
    case ChangerDisplay::Part::MachineBar:
        if (m_widgets.machineBar)
            m_widgets.machineBar->showDisplay(display);
        break;
    case ChangerDisplay::Part::DriveEntries:
        showDriveEntries(m_widgets.popupMenuLv2, display.driveEntriesShown());
        showDriveEntries(m_widgets.popupMenuSearch, display.driveEntriesShown());
        break;    case ChangerDisplay::Part::Wait:
        // Panel 0 says what the window waits for, and goes back to its text after.
        if (QLabel* label = m_widgets.status[0]) {
            const std::string& wait = display.waitText();
            label->setText(QString::fromStdString(wait.empty() ? m_shownStatus[0] : wait));
            label->repaint();
        }
        break;
    }
}

void ChangerControls::connectMachineBar()
{
    MachineBar* bar = m_widgets.machineBar;
    if (!bar)
        return;
    connect(bar, &MachineBar::machineNameChosen, this, [this](const QString& name) {
        m_ctx.display.setMachineNameText(name.toStdString());
        if (!cabinetBusy())
            ShowDriveState(m_ctx);
    });
    connect(bar->machineNameBox(), &QComboBox::editTextChanged, this, [this](const QString& text) {
        // Typed text counts as the box's text, as the button form of Eject reads it.
        if (text.toStdString() != m_ctx.display.machineNameText())
            m_ctx.display.setMachineNameText(text.toStdString());
    });
    connect(bar->ejectButton(), &QPushButton::clicked, this, [this] {
        if (!cabinetBusy())
            EjectFromDriveButton(m_ctx);
    });
    connect(bar->explorerButton(), &QPushButton::clicked, this, [this] {
        if (!cabinetBusy())
            ExplorerAction(m_ctx);
    });
    connect(bar->loadButton(), &QPushButton::clicked, this, [this] {
        if (!cabinetBusy())
            LoadToDrive(m_ctx);
    });
    connect(bar, &MachineBar::slotChosen, this,
            [this](const QString& text) { ChooseSlotBoxText(m_ctx, text.toStdString()); });
}

void ChangerControls::openLocation(const std::string& folder)
{
    if (!folder.empty()) {
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
        return;
    }
    // The desktop's view of the computer's drives where it has one, else the file system's root.
    if (!QDesktopServices::openUrl(QUrl(QStringLiteral("computer:///"))))
        QDesktopServices::openUrl(QUrl::fromLocalFile(QDir::rootPath()));
}

std::string ChangerControls::driveFolder() const
{
    const Settings& settings = *m_app.settings;
    const char letter = Drives::letterOf(keys::read(settings, keys::Cdrom));
    if (letter == 0)
        return {};
    const Drives drives = Drives::build(Drives::readSystem(), [&settings](char key) {
        return settings.readString(Drives::SettingsSection, std::string(1, key), "");
    });
    const auto root = drives.rootPath(letter);
    return root ? root->string() : std::string();
}

} // namespace kavro
