#include "views/dialogs/TfrmSearch.h"

#include "platform/Texts.h"
#include "shell/AppContext.h"
#include "shell/ui/Designed.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kavro {

namespace {

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

constexpr char kTextLabel[] = "搜尋字串";
constexpr char kBarcodeLabel[] = "搜尋BARCODE碼";

} // namespace

TfrmSearch::TfrmSearch(const Texts* texts, QWidget* parent) : QDialog(parent), m_texts(texts)
{
    designed(this, "frmSearch", "TfrmSearch");
    setWindowTitle(qs("進階搜尋"));

    m_label = designed(new QLabel(qs(kTextLabel), this), "Label1", "TLabel");
    m_edit = designed(new QLineEdit(this), "Edit1", "TEdit");
    m_edit->setMinimumWidth(260);
    // The designed window carries these; nothing uses them, so they stay hidden.
    auto* scope = designed(new QLabel(qs("搜尋範圍"), this), "Label3", "TLabel");
    scope->hide();
    auto* barcodeCaption = designed(new QLabel(qs(kBarcodeLabel), this), "Label1A", "TLabel");
    barcodeCaption->hide();

    auto* fields = designed(new QGroupBox(qs("搜尋項目"), this), "GroupBox1", "TGroupBox");
    m_title = designed(new QCheckBox(qs("片名"), fields), "CheckBox1", "TCheckBox");
    m_remark = designed(new QCheckBox(qs("備註"), fields), "CheckBox2", "TCheckBox");
    m_fileName = designed(new QCheckBox(qs("檔案名稱"), fields), "CheckBox3", "TCheckBox");
    m_other = designed(new QCheckBox(qs("其他"), fields), "CheckBox4", "TCheckBox");
    m_folderName = designed(new QCheckBox(qs("目錄名稱"), fields), "CheckBox5", "TCheckBox");
    m_barcode = designed(new QCheckBox(qs("條碼"), fields), "CheckBox8", "TCheckBox");
    m_title->setChecked(true);
    auto* fieldLayout = new QGridLayout(fields);
    fieldLayout->addWidget(m_title, 0, 0);
    fieldLayout->addWidget(m_remark, 0, 1);
    fieldLayout->addWidget(m_other, 0, 2);
    fieldLayout->addWidget(m_fileName, 1, 0);
    fieldLayout->addWidget(m_folderName, 1, 1);
    fieldLayout->addWidget(m_barcode, 1, 2);

    auto* more = designed(new QGroupBox(qs("其他項目"), this), "GroupBox2", "TGroupBox");
    auto* moreLayout = new QHBoxLayout(more);
    moreLayout->addWidget(designed(new QCheckBox(qs("分類名稱"), more), "CheckBox6", "TCheckBox"));
    moreLayout->addWidget(designed(new QCheckBox(qs("機器名稱"), more), "CheckBox7", "TCheckBox"));
    more->hide();

    auto* run = designed(new QPushButton(qs("執行"), this), "BitBtn1", "TBitBtn");
    auto* cancel = designed(new QPushButton(qs("取消"), this), "BitBtn2", "TBitBtn");
    // Enter in the text runs the search.
    run->setDefault(true);
    cancel->setAutoDefault(false);
    run->setMinimumWidth(90);
    cancel->setMinimumWidth(90);

    auto* textRow = new QHBoxLayout;
    textRow->addWidget(m_label);
    textRow->addWidget(m_edit, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(run);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(textRow);
    layout->addWidget(scope);
    layout->addWidget(fields);
    layout->addWidget(more);
    layout->addWidget(barcodeCaption);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    for (QCheckBox* box : {m_title, m_remark, m_fileName, m_other, m_folderName, m_barcode})
        connect(box, &QCheckBox::toggled, this, [this, box](bool checked) { boxToggled(box, checked); });
    connect(run, &QPushButton::clicked, this, &TfrmSearch::run);
    connect(cancel, &QPushButton::clicked, this, [this] {
        m_result = SearchDialogAnswer::Cancelled;
        reject();
    });
}

std::unique_ptr<TfrmSearch> TfrmSearch::create(AppContext& context, QWidget* mainWindow)
{
    auto dialog = std::make_unique<TfrmSearch>(&context.language, mainWindow);
    placeWindowTexts(*dialog, context, mainWindow);
    return dialog;
}

SearchDialogAnswer TfrmSearch::answer() const
{
    SearchDialogAnswer a;
    a.result = m_result;
    a.text = m_edit->text().toStdString();
    a.criteria.title = m_title->isChecked();
    a.criteria.remark = m_remark->isChecked();
    a.criteria.fileName = m_fileName->isChecked();
    a.criteria.other = m_other->isChecked();
    a.criteria.folderName = m_folderName->isChecked();
    return a;
}

SearchDialogAnswer TfrmSearch::ask()
{
    m_result = SearchDialogAnswer::Cancelled;
    m_edit->setFocus();
    exec();
    return answer();
}

void TfrmSearch::boxToggled(QCheckBox* box, bool checked)
{
    if (box == m_barcode) {
        if (checked) {
            for (QCheckBox* field : {m_title, m_remark, m_fileName, m_other, m_folderName})
                field->setChecked(false);
        }
        setLabel(checked);
        return;
    }
    if (checked) {
        m_barcode->setChecked(false);
        setLabel(false);
    }
}

void TfrmSearch::setLabel(bool barcode)
{
    const std::string text = barcode ? (m_texts ? m_texts->text("3815", kBarcodeLabel) : kBarcodeLabel)
                                     : (m_texts ? m_texts->text("3801", kTextLabel) : kTextLabel);
    m_label->setText(QString::fromStdString(text));
}

void TfrmSearch::run()
{
    const bool barcode = m_barcode->isChecked() && !m_edit->text().isEmpty();
    m_result = barcode ? SearchDialogAnswer::Barcode : SearchDialogAnswer::Search;
    done(m_result);
}

} // namespace kavro
