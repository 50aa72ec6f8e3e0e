#pragma once

#include <QEvent>
#include <QKeyEvent>
#include <QSet>

namespace kavro {

// The keys whose press a control received and whose release is still to come. A release with no
// press belongs to another window (the Enter that closed a message box over the list): a control
// acts on a release only when it had the press.
class PressedKeys {
public:
    // Feeds one event of the control; true for a release that the control may act on.
    bool actsOn(const QEvent& event)
    {
        switch (event.type()) {
        case QEvent::KeyPress:
            m_keys.insert(static_cast<const QKeyEvent&>(event).key());
            return false;
        case QEvent::KeyRelease: {
            const auto& key = static_cast<const QKeyEvent&>(event);
            if (key.isAutoRepeat())
                return false;
            return m_keys.remove(key.key());
        }
        case QEvent::FocusOut:
        case QEvent::Hide:
            // A press whose release went elsewhere is forgotten.
            m_keys.clear();
            return false;
        default:
            return false;
        }
    }

private:
    QSet<int> m_keys;
};

} // namespace kavro
