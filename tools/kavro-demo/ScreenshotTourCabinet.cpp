#include "ScreenshotTourCabinet.h"

#include "views/dialogs/TfrmCatalogueCabinet.h"
#include "views/dialogs/TfrmSlotMap.h"

#include <QAction>
#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <functional>

namespace kavro {

namespace {

constexpr int kTitleBar = 26;

void pause(int ms)
{
    QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired())
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// A window's grab with a plain frame and its caption, as the tour draws its windows.
QImage framed(QWidget& window)
{
    const QImage content = window.grab().toImage();
    const qreal dpr = content.devicePixelRatio();
    const QSize size(qRound(content.width() / dpr) + 2, qRound(content.height() / dpr) + kTitleBar + 1);
    QImage out(size, QImage::Format_RGB32);
    out.fill(QColor(60, 64, 72));
    QPainter p(&out);
    p.fillRect(QRect(1, 1, size.width() - 2, kTitleBar - 1), QColor(214, 221, 232));
    QFont font = QApplication::font();
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 30, 30));
    p.drawText(QRect(10, 1, size.width() - 20, kTitleBar - 1), Qt::AlignVCenter | Qt::AlignLeft, window.windowTitle());
    p.drawImage(QRect(1, kTitleBar, size.width() - 2, size.height() - kTitleBar - 1), content);
    return out;
}

// The dialog centred over the window, with a shadow, saved as name.
bool saveOver(QWidget& form, QWidget& dialog, const std::string& outFolder, const char* name)
{
    QImage picture = framed(form);
    const QImage over = framed(dialog);
    QPainter p(&picture);
    const QPoint at((picture.width() - over.width()) / 2, (picture.height() - over.height()) / 2);
    p.fillRect(QRect(at + QPoint(4, 4), over.size()), QColor(0, 0, 0, 60));
    p.drawImage(at, over);
    p.end();
    const QString path = QString::fromStdString(outFolder) + QLatin1Char('/') + QLatin1String(name);
    if (!picture.save(path, "PNG")) {
        std::fprintf(stderr, "kavro-demo: cannot write %s\n", path.toLocal8Bit().constData());
        return false;
    }
    std::printf("%s\n", path.toLocal8Bit().constData());
    return true;
}

// Triggers a menu entry and hands the modal dialog of type T it opens to `act`.
template <class T> bool withDialog(QWidget& form, const char* entry, const std::function<void(T&)>& act)
{
    auto* action = form.findChild<QAction*>(QString::fromLatin1(entry));
    if (action == nullptr) {
        std::fprintf(stderr, "kavro-demo: the main window has no %s\n", entry);
        return false;
    }
    bool seen = false;
    QTimer poll;
    poll.setInterval(100);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll.stop();
        seen = true;
        pause(400);
        act(*dialog);
        static_cast<QDialog*>(dialog)->reject();
    });
    poll.start();
    action->trigger();
    poll.stop();
    return seen;
}

} // namespace

int RunScreenshotTourCabinet(QWidget& form, const std::string& outFolder)
{
    int failures = 0;
    // A run over slots 10-30 (the first five known, the rest not), grabbed once the known ones are
    // skipped and a few discs catalogued.
    bool runShot = false;
    const bool ran = withDialog<TfrmCatalogueCabinet>(form, "N_catalogue_cabinet", [&](TfrmCatalogueCabinet& dialog) {
        dialog.slotsEdit()->setText(QStringLiteral("10-30"));
        QTimer watch;
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (dialog.results()->topLevelItemCount() < 9)
                return;
            watch.stop();
            runShot = saveOver(form, dialog, outFolder, "cabinet-run.png");
        });
        watch.start();
        dialog.start();
        watch.stop();
        pause(300);
    });
    failures += ran && runShot ? 0 : 1;

    // The slot map of the cabinet the window shows (the tour chose the one with the drive).
    bool mapShot = false;
    const bool mapped = withDialog<TfrmSlotMap>(form, "N_slot_map", [&](TfrmSlotMap& dialog) {
        mapShot = saveOver(form, dialog, outFolder, "slot-map.png");
    });
    failures += mapped && mapShot ? 0 : 1;
    return failures;
}

} // namespace kavro
