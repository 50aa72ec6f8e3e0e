#pragma once

namespace kavro {

// A window timer as the changer flows see it. The main window gives QTimer-backed ones and calls
// the matching tick when one fires; each tick stops its own timer while it works.
class Timer {
public:
    virtual ~Timer() = default;
    virtual void start() = 0;
    virtual void stop() = 0;
    // Takes effect from the next start (a running timer restarts its count, as QTimer does).
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    virtual bool active() const = 0;
};

// Holds a timer's state and never fires; stands in until the window gives its own timers.
class IdleTimer final : public Timer {
public:
    void start() override { m_active = true; }
    void stop() override { m_active = false; }
    void setInterval(int ms) override { m_interval = ms; }
    int interval() const override { return m_interval; }
    bool active() const override { return m_active; }

private:
    int m_interval = 0;
    bool m_active = false;
};

} // namespace kavro
