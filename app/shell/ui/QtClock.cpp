#include "shell/ui/QtClock.h"

#include <QCoreApplication>

namespace kavro {

SystemClock makeQtClock()
{
    return SystemClock([] { QCoreApplication::processEvents(); });
}

} // namespace kavro
