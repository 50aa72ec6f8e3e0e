#pragma once

#include "catalogue/search/AdvancedSearch.h"

#include <QDialog>

#include <memory>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace kavro {

struct AppContext;
class Texts;

// What the advanced-search dialog closed with: 0 cancelled, 1 search, 2 barcode search.
struct SearchDialogAnswer {
    enum Result { Cancelled = 0, Search = 1, Barcode = 2 };

    int result = Cancelled;
    std::string text;
    SearchCriteria criteria;
};

// The advanced-search dialog ("進階搜尋", window frmSearch): the text to look for and the fields
// to look in, or the barcode mode. The barcode box excludes the field boxes both ways and
// switches the label between texts 3801 and 3815. "執行" closes with 1, or 2 when the barcode
// box is ticked and there is a text; "取消" and Escape close with 0.
class TfrmSearch final : public QDialog {
    Q_OBJECT
public:
    // texts: where the label's two captions are looked up; nullptr uses their defaults.
    explicit TfrmSearch(const Texts* texts = nullptr, QWidget* parent = nullptr);

    // A dialog as the main window opens it: made, then labelled by the placement pass.
    static std::unique_ptr<TfrmSearch> create(AppContext& context, QWidget* mainWindow);

    // What the dialog holds now, with the result it closed with (0 until then).
    SearchDialogAnswer answer() const;

    // Shows the dialog modally and hands back the person's choice.
    SearchDialogAnswer ask();

private:
    void boxToggled(QCheckBox* box, bool checked);
    void setLabel(bool barcode);
    void run();

    const Texts* m_texts = nullptr;
    int m_result = SearchDialogAnswer::Cancelled;
    QLabel* m_label = nullptr;
    QLineEdit* m_edit = nullptr;
    QCheckBox* m_title = nullptr;
    QCheckBox* m_remark = nullptr;
    QCheckBox* m_fileName = nullptr;
    QCheckBox* m_other = nullptr;
    QCheckBox* m_folderName = nullptr;
    QCheckBox* m_barcode = nullptr;
};

} // namespace kavro
