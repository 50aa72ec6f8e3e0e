#include "views/mainwindow/WindowTimer.h"

namespace kavro {

WindowTimer::WindowTimer(const char* name, QObject* parent) : QObject(parent), m_timer(this)
{
    setObjectName(QString::fromLatin1(name));
    m_timer.setObjectName(QString::fromLatin1(name));
    connect(&m_timer, &QTimer::timeout, this, &WindowTimer::fire);
}

void WindowTimer::fire()
{
    if (m_tick)
        m_tick();
}

} // namespace kavro
