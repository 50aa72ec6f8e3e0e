#include "shell/ui/QtPerson.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <cstdio>
#include <fstream>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

std::string escaped(const std::string& s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\\':
            out += "\\\\";
            break;
        default:
            out += c;
        }
    }
    return out;
}

const char* iconName(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Information:
        return "information";
    case BoxIcon::Warning:
        return "warning";
    case BoxIcon::Error:
        return "error";
    case BoxIcon::Stop:
        return "stop";
    case BoxIcon::Question:
        return "question";
    case BoxIcon::None:
        break;
    }
    return "none";
}

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Information:
        return QMessageBox::Information;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Error:
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons qtButtons(BoxButtons buttons)
{
    switch (buttons) {
    case BoxButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case BoxButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case BoxButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case BoxButtons::Ok:
        break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton qtButton(BoxAnswer answer)
{
    switch (answer) {
    case BoxAnswer::Cancel:
        return QMessageBox::Cancel;
    case BoxAnswer::Yes:
        return QMessageBox::Yes;
    case BoxAnswer::No:
        return QMessageBox::No;
    case BoxAnswer::Ok:
        break;
    }
    return QMessageBox::Ok;
}

} // namespace

QtPerson::QtPerson() = default;

QString QtPerson::label(const char* key, const char* defaultText) const
{
    return m_texts ? qs(m_texts->text(key, defaultText)) : QString::fromUtf8(defaultText);
}

QtPerson::~QtPerson()
{
    while (m_busyDepth > 0)
        endBusy();
}

void QtPerson::record(const std::string& kind, const std::string& first, const std::string& second,
                      const std::string& third) const
{
    if (m_recordPath.empty())
        return;
    const std::string line =
        kind + '\t' + escaped(first) + '\t' + escaped(second) + '\t' + escaped(third) + '\n';
    if (m_recordPath == "-") {
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fflush(stdout);
        return;
    }
    std::ofstream out(m_recordPath, std::ios::binary | std::ios::app);
    out << line;
}

BoxAnswer QtPerson::messageBox(const std::string& text, const std::string& caption, BoxIcon icon,
                               BoxButtons buttons, std::optional<BoxAnswer> defaultAnswer)
{
    if (isRecording()) {
        record("box", caption, text, iconName(icon));
        return buttons == BoxButtons::Ok || buttons == BoxButtons::OkCancel ? BoxAnswer::Ok : BoxAnswer::Yes;
    }
    QMessageBox box(qtIcon(icon), qs(caption), qs(text), qtButtons(buttons), m_parent);
    const struct {
        QMessageBox::StandardButton button;
        const char* key;
        const char* text;
    } labels[] = {{QMessageBox::Ok, "5110", "OK"},
                  {QMessageBox::Cancel, "5111", "Cancel"},
                  {QMessageBox::Yes, "5112", "&Yes"},
                  {QMessageBox::No, "5113", "&No"}};
    for (const auto& l : labels)
        if (QAbstractButton* button = box.button(l.button))
            button->setText(label(l.key, l.text));
    // A box as narrow as a one-word text ("Title") leaves the window manager no room for its
    // caption, which then shows as "...": the box is made as wide as the caption and the title
    // bar's icon and three buttons (some three line heights each) need.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const QFontMetrics metrics = box.fontMetrics();
        const int captionRoom = metrics.horizontalAdvance(qs(caption)) + 12 * metrics.height();
        grid->addItem(new QSpacerItem(captionRoom, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    if (defaultAnswer) {
        if (auto* button = qobject_cast<QPushButton*>(box.button(qtButton(*defaultAnswer))))
            box.setDefaultButton(button);
    }
    // A box asked for while the hourglass shows must still get the normal pointer.
    const bool busy = m_busyDepth > 0;
    if (busy)
        QApplication::setOverrideCursor(Qt::ArrowCursor);
    const int answer = box.exec();
    if (busy)
        QApplication::restoreOverrideCursor();
    switch (answer) {
    case QMessageBox::Cancel:
        return BoxAnswer::Cancel;
    case QMessageBox::Yes:
        return BoxAnswer::Yes;
    case QMessageBox::No:
        return BoxAnswer::No;
    default:
        break;
    }
    // Closing a question box by its title bar counts as its "no" answer.
    if (buttons == BoxButtons::OkCancel && answer != QMessageBox::Ok)
        return BoxAnswer::Cancel;
    return BoxAnswer::Ok;
}

std::optional<std::string> QtPerson::inputBox(const std::string& caption, const std::string& prompt,
                                              const std::string& initial)
{
    if (isRecording()) {
        record("input", caption, prompt, initial);
        return std::nullopt;
    }
    QInputDialog dialog(m_parent);
    dialog.setWindowTitle(qs(caption));
    dialog.setLabelText(qs(prompt));
    dialog.setTextValue(qs(initial));
    dialog.setOkButtonText(label("5110", "OK"));
    dialog.setCancelButtonText(label("5111", "Cancel"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::string> QtPerson::chooseFile(const std::string& caption, const std::string& folder,
                                                const std::string& filter)
{
    if (isRecording()) {
        record("file", caption, folder, filter);
        return std::nullopt;
    }
    const QString chosen = QFileDialog::getOpenFileName(m_parent, qs(caption), qs(folder), qs(filter));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen.toStdString();
}

void QtPerson::progress(int value, int maximum, const std::string& text)
{
    if (maximum <= 0) {
        m_progress.reset();
        return;
    }
    if (isRecording())
        return;
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(m_parent);
        m_progress->setCancelButton(nullptr);
        m_progress->setMinimumDuration(0);
        m_progress->setWindowModality(Qt::WindowModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
    }
    m_progress->setMaximum(maximum);
    m_progress->setLabelText(qs(text));
    m_progress->setValue(value);
}

void QtPerson::beginBusy()
{
    ++m_busyDepth;
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtPerson::endBusy()
{
    if (m_busyDepth == 0)
        return;
    --m_busyDepth;
    QApplication::restoreOverrideCursor();
}

} // namespace kavro
