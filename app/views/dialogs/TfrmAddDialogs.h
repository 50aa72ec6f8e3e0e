#pragma once

#include "views/flows/AddDiscFlowDialogs.h"

#include <QPointer>
#include <QWidget>

namespace kavro {

struct AppContext;

// The add flows' windows as the program shows them: TfrmAdd and TfrmAddType, created for one
// run each, labelled by the placement pass and shown modally over the main window.
class TfrmAddDialogs final : public AddDiscFlowDialogs {
public:
    TfrmAddDialogs(AppContext& app, QWidget* mainWindow) : m_app(app), m_mainWindow(mainWindow) {}

    void showDiscDialog(TfrmAddModel& model) override;
    int showAddTypeDialog() override;

private:
    AppContext& m_app;
    QPointer<QWidget> m_mainWindow;
};

} // namespace kavro
