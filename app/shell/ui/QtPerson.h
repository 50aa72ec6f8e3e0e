#pragma once

#include "platform/Person.h"
#include "platform/Texts.h"

#include <QPointer>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QProgressDialog;

namespace kavro {

// The person at the screen: message boxes, input boxes, file choices, a progress window and the
// busy cursor, all as Qt dialogs. Texts are UTF-8.
//
// Test seam: with recordBoxesTo(path) (a test build of the program sets it), no dialog is
// shown; each message box is written as one line "box<TAB>caption<TAB>text<TAB>icon" to the file
// ("-" for standard output) and answered OK (Yes for yes/no questions); input boxes and file
// choices are recorded the same way and answered as cancelled. Normal runs never set it.
class QtPerson final : public Person {
public:
    QtPerson();
    ~QtPerson() override;

    // The window the dialogs belong to (the main window once it exists).
    void setParentWindow(QWidget* parent) { m_parent = parent; }

    // The language the buttons of boxes are labelled in; without one they show Qt's own words.
    void setTexts(const Texts* texts) { m_texts = texts; }

    void recordBoxesTo(std::string path) { m_recordPath = std::move(path); }
    bool isRecording() const { return !m_recordPath.empty(); }
    // Writes one line to the record (no-op when not recording). Fields are escaped.
    void record(const std::string& kind, const std::string& first, const std::string& second = {},
                const std::string& third = {}) const;

    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                         BoxButtons buttons, std::optional<BoxAnswer> defaultAnswer = std::nullopt) override;
    std::optional<std::string> inputBox(const std::string& caption, const std::string& prompt,
                                        const std::string& initial) override;
    std::optional<std::string> chooseFile(const std::string& caption, const std::string& folder,
                                          const std::string& filter) override;
    void progress(int value, int maximum, const std::string& text) override;
    void beginBusy() override;
    void endBusy() override;

private:
    QString label(const char* key, const char* defaultText) const;

    QPointer<QWidget> m_parent;
    const Texts* m_texts = nullptr;
    std::string m_recordPath;
    std::unique_ptr<QProgressDialog> m_progress;
    int m_busyDepth = 0;
};

} // namespace kavro
