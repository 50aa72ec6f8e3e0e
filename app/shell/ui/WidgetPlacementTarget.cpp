#include "shell/ui/WidgetPlacementTarget.h"

#include "shell/AppContext.h"
#include "shell/ui/Designed.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QWidget>

namespace kavro {

namespace {

QString qs(std::string_view s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// The tab widget showing page, or null when page is not a tab page.
QTabWidget* tabWidgetOf(QObject* page)
{
    auto* widget = qobject_cast<QWidget*>(page);
    if (widget == nullptr)
        return nullptr;
    auto* stack = qobject_cast<QStackedWidget*>(widget->parentWidget());
    auto* tabs = stack != nullptr ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
    return tabs != nullptr && tabs->indexOf(widget) >= 0 ? tabs : nullptr;
}

// The designed class a Qt class stands for when a control was not given one.
const char* standInClass(QObject* control)
{
    if (tabWidgetOf(control) != nullptr)
        return "TTabSheet";
    if (qobject_cast<QAction*>(control) != nullptr || qobject_cast<QMenu*>(control) != nullptr)
        return "TMenuItem";
    if (qobject_cast<QGroupBox*>(control) != nullptr)
        return "TGroupBox";
    if (qobject_cast<QCheckBox*>(control) != nullptr)
        return "TCheckBox";
    if (qobject_cast<QRadioButton*>(control) != nullptr)
        return "TRadioButton";
    if (qobject_cast<QPushButton*>(control) != nullptr)
        return "TButton";
    if (qobject_cast<QToolButton*>(control) != nullptr)
        return "TSpeedButton";
    if (qobject_cast<QLabel*>(control) != nullptr)
        return "TLabel";
    if (qobject_cast<QLineEdit*>(control) != nullptr)
        return "TEdit";
    if (qobject_cast<QTextEdit*>(control) != nullptr || qobject_cast<QPlainTextEdit*>(control) != nullptr)
        return "TMemo";
    if (qobject_cast<QTreeView*>(control) != nullptr)
        return "TTreeView";
    if (qobject_cast<QListView*>(control) != nullptr || qobject_cast<QTableView*>(control) != nullptr)
        return "TListView";
    return control->metaObject()->className(); // a class the pass does not handle
}

} // namespace

WidgetPlacementTarget::WidgetPlacementTarget(QWidget& window, const QWidget* mainWindow)
    : m_window(window), m_mainWindow(mainWindow)
{
}

std::string WidgetPlacementTarget::windowName() const
{
    return m_window.objectName().toStdString();
}

void WidgetPlacementTarget::setWindowCaption(const std::string& text)
{
    m_window.setWindowTitle(qs(text));
    // Qt fonts carry no character set, so the main window's font is all there is to take. The
    // program's font is the application's, which every window has already; only a main window
    // with a font of its own hands it on.
    if (m_mainWindow && m_mainWindow != &m_window && m_mainWindow->testAttribute(Qt::WA_SetFont))
        m_window.setFont(m_mainWindow->font());
}

QObject* WidgetPlacementTarget::find(std::string_view control) const
{
    if (control.empty())
        return nullptr;
    return m_window.findChild<QObject*>(qs(control), Qt::FindChildrenRecursively);
}

std::optional<std::string> WidgetPlacementTarget::controlClass(std::string_view control) const
{
    QObject* object = find(control);
    if (object == nullptr)
        return std::nullopt;
    const QByteArray designedClass = designedClassOf(*object);
    if (!designedClass.isEmpty())
        return designedClass.toStdString();
    return std::string(standInClass(object));
}

std::string WidgetPlacementTarget::caption(std::string_view control) const
{
    QObject* object = find(control);
    if (auto* tabs = tabWidgetOf(object))
        return tabs->tabText(tabs->indexOf(static_cast<QWidget*>(object))).toStdString();
    if (auto* action = qobject_cast<QAction*>(object))
        return action->text().toStdString();
    if (auto* menu = qobject_cast<QMenu*>(object))
        return menu->title().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(object))
        return group->title().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(object))
        return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(object))
        return label->text().toStdString();
    return {};
}

void WidgetPlacementTarget::setCaption(std::string_view control, const std::string& text)
{
    QObject* object = find(control);
    const QString caption = qs(text);
    if (auto* tabs = tabWidgetOf(object))
        tabs->setTabText(tabs->indexOf(static_cast<QWidget*>(object)), caption);
    else if (auto* action = qobject_cast<QAction*>(object))
        action->setText(caption);
    else if (auto* menu = qobject_cast<QMenu*>(object))
        menu->setTitle(caption);
    else if (auto* group = qobject_cast<QGroupBox*>(object))
        group->setTitle(caption);
    else if (auto* button = qobject_cast<QAbstractButton*>(object))
        button->setText(caption);
    else if (auto* label = qobject_cast<QLabel*>(object))
        label->setText(caption);
}

void WidgetPlacementTarget::setHint(std::string_view control, const std::string& text)
{
    QObject* object = find(control);
    const QString hint = qs(text);
    if (auto* tabs = tabWidgetOf(object))
        tabs->setTabToolTip(tabs->indexOf(static_cast<QWidget*>(object)), hint);
    else if (auto* action = qobject_cast<QAction*>(object))
        action->setToolTip(hint);
    else if (auto* menu = qobject_cast<QMenu*>(object))
        menu->menuAction()->setToolTip(hint);
    else if (auto* widget = qobject_cast<QWidget*>(object))
        widget->setToolTip(hint);
}

void WidgetPlacementTarget::setDefaultCharset(std::string_view)
{
    // Qt text is Unicode throughout; there is no character set to reset.
}

int placeWindowTexts(QWidget& window, AppContext& context, const QWidget* mainWindow)
{
    WidgetPlacementTarget target(window, mainWindow);
    return placeTexts(target, context.language, *context.log, *context.clock);
}

} // namespace kavro
