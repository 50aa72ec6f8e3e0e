#pragma once

#include "changer/SwapId.h"

#include <QDialog>

#include <memory>

class QComboBox;

namespace kavro {

struct AppContext;

// The swap dialog ("置換 ID"): two editable lists of the registered machines' names, source and
// target. "置換" hands back both texts; "取消", the hidden "重設" and Escape hand back two empty
// ones.
class TfrmSwapID final : public QDialog, public SwapIdDialog {
    Q_OBJECT
public:
    // The longest text handed back, in bytes.
    static constexpr std::size_t MaxNameBytes = 199;

    explicit TfrmSwapID(QWidget* parent = nullptr);

    // A dialog as the main window opens it: made over the window, then labelled by the placement
    // pass.
    static std::unique_ptr<TfrmSwapID> create(AppContext& context, QWidget* mainWindow);

    // Both lists take the names, in the order given.
    void setMachineNames(const std::vector<std::string>& machineNames);
    // Source and target as the dialog closed; both empty unless it closed by "置換".
    std::pair<std::string, std::string> chosen() const { return m_chosen; }

    std::pair<std::string, std::string> ask(const std::vector<std::string>& machineNames) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void swap();
    void cancel();

    QComboBox* m_source = nullptr;
    QComboBox* m_target = nullptr;
    std::pair<std::string, std::string> m_chosen;
};

} // namespace kavro
