#pragma once

#include "changer/Timer.h"

#include <QObject>
#include <QTimer>

#include <functional>

namespace kavro {

// A window timer for the changer flows: a QTimer with the designed name (Timer_CheckDevice,
// Timer_CheckCD) that calls its tick when it fires.
class WindowTimer final : public QObject, public Timer {
    Q_OBJECT
public:
    WindowTimer(const char* name, QObject* parent = nullptr);

    void setTick(std::function<void()> tick) { m_tick = std::move(tick); }

    void start() override { m_timer.start(); }
    void stop() override { m_timer.stop(); }
    void setInterval(int ms) override { m_timer.setInterval(ms); }
    int interval() const override { return m_timer.interval(); }
    bool active() const override { return m_timer.isActive(); }

    QTimer& timer() { return m_timer; }
    // Runs the tick as if the timer had fired (tests, and no wait for the first run).
    void fire();

private:
    QTimer m_timer;
    std::function<void()> m_tick;
};

} // namespace kavro
