#pragma once

#include <QDialog>

class QRadioButton;

namespace kavro {

// The chooser behind the hidden toolbar item "新增" (window frmAddType, caption "ADD DISC"):
// a new disc (preselected) or a new category.
class TfrmAddType final : public QDialog {
    Q_OBJECT
public:
    enum Choice { Cancelled = 0, NewDisc = 1, NewCategory = 2 };

    explicit TfrmAddType(QWidget* parent = nullptr);

    // What "執行" chose; Cancelled after "取消" or any other way of closing.
    Choice choice() const;

private:
    QRadioButton* m_disc = nullptr;
    QRadioButton* m_category = nullptr;
};

} // namespace kavro
