#pragma once

#include "shell/PlacementPass.h"

#include <QPointer>

class QObject;
class QWidget;

namespace kavro {

struct AppContext;

// A Qt window as the placement pass sees it. Controls are found by Qt object name: widgets,
// QActions (menu entries and toolbar items) and QMenus (menu entries that open a submenu). Their
// designed class comes from the "designedClass" property (Designed.h), else from the Qt class
// that stands for it. Tab pages take captions and hints through their QTabWidget.
class WidgetPlacementTarget final : public PlacementTarget {
public:
    // mainWindow lends its font to the window when the window's caption is placed.
    explicit WidgetPlacementTarget(QWidget& window, const QWidget* mainWindow = nullptr);

    std::string windowName() const override;
    void setWindowCaption(const std::string& text) override;
    std::optional<std::string> controlClass(std::string_view control) const override;
    std::string caption(std::string_view control) const override;
    void setCaption(std::string_view control, const std::string& text) override;
    void setHint(std::string_view control, const std::string& text) override;
    void setDefaultCharset(std::string_view control) override;

private:
    QObject* find(std::string_view control) const;

    QWidget& m_window;
    QPointer<const QWidget> m_mainWindow;
};

// The placement pass on a window with the program's language, log and clock.
int placeWindowTexts(QWidget& window, AppContext& context, const QWidget* mainWindow = nullptr);

} // namespace kavro
