#include "ScreenshotTour.h"
#include "ScreenshotTourFindFiles.h"
#include "ScreenshotTourCabinet.h"

#include "platform/SystemClock.h"
#include "shell/AppContext.h"
#include "shell/StartUp.h"
#include "shell/ui/QtClock.h"
#include "shell/ui/QtPerson.h"
#include "torvex/torvex.h"
#include "views/mainwindow/TMainForm.h"
#include "views/dialogs/TfrmRetrieve.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace kavro {

namespace {

constexpr int kTitleBar = 26;

void waitMs(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A click where a person would click: in the middle of the item's row.
void clickItem(QTreeWidget& tree, QTreeWidgetItem* item)
{
    tree.scrollToItem(item);
    const QPoint at = tree.visualItemRect(item).center();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, tree.viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree.viewport(), &event);
    }
    waitMs(300);
}

QTreeWidgetItem* findItem(QTreeWidget& tree, const QString& text)
{
    const auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// A window's grab with a plain frame and its caption, as a window manager would draw it. At a
// scale above one the picture keeps the screen's pixels only when devicePixels is set (the
// other pictures paint dialogs over it in window units).
QImage framed(const QImage& content, const QString& caption, bool devicePixels = false)
{
    const qreal dpr = content.devicePixelRatio();
    const QSize size(qRound(content.width() / dpr) + 2, qRound(content.height() / dpr) + kTitleBar + 1);
    QImage out(devicePixels ? size * dpr : size, QImage::Format_RGB32);
    out.setDevicePixelRatio(devicePixels ? dpr : 1.0);
    out.fill(QColor(60, 64, 72));
    QPainter p(&out);
    p.fillRect(QRect(1, 1, size.width() - 2, kTitleBar - 1), QColor(214, 221, 232));
    QFont font = QApplication::font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(10, 1, size.width() - 20, kTitleBar - 1), Qt::AlignVCenter | Qt::AlignLeft, caption);
    p.drawImage(QRect(1, kTitleBar, size.width() - 2, size.height() - kTitleBar - 1), content);
    return out;
}

QImage grabWindow(QWidget& window)
{
    return framed(window.grab().toImage(), window.windowTitle());
}

bool save(const QImage& image, const std::string& outFolder, const char* name)
{
    const QString path = QString::fromStdString(outFolder) + QLatin1Char('/') + QLatin1String(name);
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "kavro-demo: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}

template <class T> T* child(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr)
        std::fprintf(stderr, "kavro-demo: the main window has no %s\n", name);
    return found;
}

// Selects a disc as a person would: its category in TreeView1, then its row in ListView2.
bool selectDisc(QWidget& window, const QString& category, const QString& title)
{
    auto* tree = child<QTreeWidget>(window, "TreeView1");
    auto* list = child<QTreeWidget>(window, "ListView2");
    if (!tree || !list)
        return false;
    QTreeWidgetItem* node = findItem(*tree, category);
    if (!node)
        return false;
    clickItem(*tree, node);
    QTreeWidgetItem* row = findItem(*list, title);
    if (!row)
        return false;
    clickItem(*list, row);
    return true;
}

// Triggers a menu entry that opens a modal dialog, grabs the dialog centred over the window and
// closes it without saving.
bool overModalDialog(QWidget& form, const char* entry, const std::string& out, const char* name)
{
    auto* action = form.findChild<QAction*>(QString::fromLatin1(entry));
    if (action == nullptr)
        return false;
    bool shot = false;
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll.stop();
        waitMs(400);
        QImage picture = grabWindow(form);
        const QImage over = grabWindow(*dialog);
        QPainter p(&picture);
        const QPoint at((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2);
        p.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
        p.drawImage(at, over);
        p.end();
        shot = save(picture, out, name);
        dialog->reject();
    });
    poll.start();
    action->trigger();
    poll.stop();
    return shot;
}

} // namespace

int RunScreenshotTour(const std::string& folderIn, const std::string& outFolder, bool mainWindowOnly)
{
    std::string folder = std::filesystem::absolute(folderIn).lexically_normal().string();
    if (folder.back() != '/')
        folder += '/';
    std::filesystem::create_directories(outFolder);
    const std::string out = std::filesystem::absolute(outFolder).string();

    // The program's start-up, without splash and password, for this folder.
    QtPerson person;
    person.recordBoxesTo(folder + "Data/screenshot-boxes.txt");
    SystemClock clock = makeQtClock();
    AppContext context;
    context.person = &person;
    context.clock = &clock;
    context.programFolder = folder;
    context.programFileName = "Kavro";
    startup::makeFolders(folder);
    QDir::setCurrent(QString::fromStdString(folder));
    context.settings = std::make_unique<Settings>(startup::chooseSettingsFile(folder));
    context.log = std::make_unique<ProgramLog>(folder + "Data/kavro.log");
    context.registry = std::make_unique<RegistryStore>(RegistryStore::defaultRoot());
    context.languageFilePath = startup::languageFilePath(folder, startup::languageName(context));
    context.language.load(context.languageFilePath);
    context.windowTitle = context.language.text("0000", "KAVRO 5.1");
    context.changer = {&InitUSBKavro, &GetDeviceNumber, &CloseUSBKavro};
    context.changer.initialise();
    context.deviceNumber = context.changer.deviceNumber();

    // A window of a size that reads well in the README.
    Settings& settings = *context.settings;
    settings.writeInt("System", "WindowState", 0);
    settings.writeInt("System", "FormWidth", 1180);
    settings.writeInt("System", "FormHeight", 720);

    // The window's own take-out dialog (TfrmRetrieve).
    TMainForm form(context);
    if (!form.isReady())
        return 1;
    person.setParentWindow(&form);
    form.showAsSaved();
    form.move(0, 0);
    form.activateWindow();
    // The window lists every disc a moment after it is first activated.
    waitMs(3500);

    int failures = 0;
    const QString category = QStringLiteral("Films");
    const QString title = QStringLiteral("Mountains of the North - Documentary");

    // Category mode: nested categories, a disc without a picture, its data tab shown.
    if (selectDisc(form, category, title)) {
        if (auto* tree = child<QTreeWidget>(form, "TreeView1")) {
            for (const QString& open : {QStringLiteral("Music"), category})
                if (QTreeWidgetItem* node = findItem(*tree, open))
                    tree->expandItem(node);
        }
        if (auto* tabs = child<QTabWidget>(form, "PageControl1"))
            tabs->setCurrentIndex(1);
        waitMs(500);
        if (mainWindowOnly) {
            const bool shot = save(framed(form.grab().toImage(), form.windowTitle(), true), out, "main-window.png");
            form.close();
            return shot ? 0 : 1;
        }
        failures += save(grabWindow(form), out, "category-mode.png") ? 0 : 1;
    } else {
        std::fprintf(stderr, "kavro-demo: \"%s\" not found in the lists\n", title.toLocal8Bit().constData());
        ++failures;
    }

    // Machine mode: the cabinet with the drive and its slots.
    if (QAction* byMachine = form.designedAction(QStringLiteral("TBItem28"))) {
        byMachine->trigger();
        waitMs(500);
        auto* machines = child<QTreeWidget>(form, "TreeView2");
        auto* slotList = child<QTreeWidget>(form, "ListView5");
        QTreeWidgetItem* cabinet = machines ? findItem(*machines, QStringLiteral("Studio Changer")) : nullptr;
        if (cabinet && slotList) {
            clickItem(*machines, cabinet);
            if (QTreeWidgetItem* row = findItem(*slotList, QStringLiteral("The Lighthouse Keeper")))
                clickItem(*slotList, row);
            waitMs(500);
            failures += save(grabWindow(form), out, "machine-mode.png") ? 0 : 1;
        } else {
            ++failures;
        }
        if (QAction* byCategory = form.designedAction(QStringLiteral("TBItem27")))
            byCategory->trigger();
        waitMs(500);
    } else {
        ++failures;
    }

    // The take-out dialog over the window, grabbed while it waits, then abandoned.
    bool shot = false;
    QAction* takeOut = form.designedAction(QStringLiteral("TBItem30"));
    if (takeOut && selectDisc(form, category, QStringLiteral("The Lighthouse Keeper"))) {
        QTimer poll;
        poll.setInterval(100);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<TfrmRetrieve*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible())
                return;
            poll.stop();
            if (auto* reason = dialog->findChild<QLineEdit*>(QStringLiteral("Edit1")))
                reason->setText(QStringLiteral("Film night"));
            waitMs(400);
            QImage picture = grabWindow(form);
            const QImage over = grabWindow(*dialog);
            QPainter p(&picture);
            const QPoint at((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2);
            p.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
            p.drawImage(at, over);
            p.end();
            shot = save(picture, out, "take-out.png");
            if (auto* abandon = dialog->findChild<QPushButton*>(QStringLiteral("BitBtn2")))
                abandon->click();
        });
        poll.start();
        takeOut->trigger();
        poll.stop();
    }
    failures += shot ? 0 : 1;

    // The picture tab of a disc with a cover.
    if (selectDisc(form, QStringLiteral("Jazz"), QStringLiteral("Blue Hour Sessions"))) {
        if (auto* tabs = child<QTabWidget>(form, "PageControl1"))
            tabs->setCurrentIndex(0);
        waitMs(500);
        failures += save(grabWindow(form), out, "disc-picture.png") ? 0 : 1;
    } else {
        ++failures;
    }

    failures += ShotFindFiles(form, [&](QWidget& w, const char* name) { return save(grabWindow(w), out, name); }) ? 0 : 1;

    // The settings dialog over the window, grabbed while it waits, then left with Esc.
    failures += overModalDialog(form, "N_system_set", out, "settings.png") ? 0 : 1;
    failures += RunScreenshotTourCabinet(form, out);

    form.close();
    return failures == 0 ? 0 : 1;
}

} // namespace kavro
