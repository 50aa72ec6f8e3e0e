#include "shell/ui/QtClock.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace kavro {

SystemClock makeQtClock()
{
    // A wait runs the event loop, so the window keeps painting and shows what it waits for (a
    // cabinet moves for seconds). Input meant for the main window is held off meanwhile by the
    // window itself while cabinet work is under way.
    return SystemClock([] { QCoreApplication::processEvents(); },
                       [](int ms) {
                           QEventLoop loop;
                           QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
                           loop.exec();
                       });
}

} // namespace kavro
