#include "views/dialogs/TfrmAdd.h"

#include "catalogue/records/CategoryTree.h"
#include "shell/ui/Designed.h"
#include "views/flows/TfrmAddModel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

namespace kavro {

namespace {

// The category picker hangs below Label8, 200 pixels high, up to 20 pixels from the right edge.
constexpr int PickerGap = 10;
constexpr int PickerRightMargin = 20;
constexpr int PickerHeight = 200;

QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Memos show plain line breaks; the record keeps CR LF.
std::string memoToRecord(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return t.toStdString();
}

QString recordToMemo(const std::string& text)
{
    QString t = qs(text);
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return t;
}

QLabel* label(QWidget* parent, const char* name, const QString& caption)
{
    return designed(new QLabel(caption, parent), name, "TLabel");
}

// A push button as narrow as its text and frame, below the least width the style gives push
// buttons: the picker's "..." beside the category.
class NarrowButton final : public QPushButton {
public:
    using QPushButton::QPushButton;

    QSize sizeHint() const override
    {
        QSize size = QPushButton::sizeHint();
        const int frame = style()->pixelMetric(QStyle::PM_ButtonMargin, nullptr, this) +
                          style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        const int textWidth = fontMetrics().size(Qt::TextShowMnemonic, text()).width() + 2 * frame;
        size.setWidth(std::min(size.width(), std::max(textWidth, size.height())));
        return size;
    }
    QSize minimumSizeHint() const override { return sizeHint(); }
};

QPushButton* bitButton(QWidget* parent, const char* name, const QString& caption)
{
    auto* b = designed(new QPushButton(caption, parent), name, "TBitBtn");
    b->setAutoDefault(false);
    return b;
}

QComboBox* comboBox(QWidget* parent, const char* name, const char* designedClass, bool editable)
{
    auto* box = designed(new QComboBox(parent), name, designedClass);
    box->setEditable(editable);
    if (editable) {
        box->setInsertPolicy(QComboBox::NoInsert);
        // Qt's inline completion would turn a typed 3 into 30 and let Tab accept it.
        box->setCompleter(nullptr);
    }
    return box;
}

void setItems(QComboBox* box, const QStringList& items)
{
    QStringList shown;
    for (int i = 0; i < box->count(); ++i)
        shown << box->itemText(i);
    if (shown != items) {
        const QString text = box->currentText();
        box->clear();
        box->addItems(items);
        if (box->isEditable())
            box->setEditText(text);
    }
}

} // namespace

TfrmAdd::TfrmAdd(TfrmAddModel& model, QWidget* parent) : QDialog(parent), m_model(model)
{
    build();
    fillPicker();
    refresh();
}

void TfrmAdd::build()
{
    designed(this, "frmAdd", "TfrmAdd");
    setWindowTitle(QStringLiteral("新增光碟"));

    auto* label1 = label(this, "Label1", QStringLiteral("機號"));
    m_machineBox = comboBox(this, "ComboBox_MachineNo", "TTntComboBox", false);
    m_machineBox->setMinimumWidth(200);
    m_checkSlot = designed(new QCheckBox(this), "Check_slot", "TCheckBox");
    // Shown and hidden with the machine chosen; the row keeps its place meanwhile.
    QSizePolicy keepPlace = m_checkSlot->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_checkSlot->setSizePolicy(keepPlace);
    auto* label2 = label(this, "Label2", QStringLiteral("槽位"));
    m_slotBox = comboBox(this, "CB_Slot", "TComboBox", true);
    m_slotBox->setMinimumWidth(90);
    m_labelSlot = designed(new QLabel(this), "Label_slot", "TLabel");
    m_labelSlot->setMinimumWidth(40);
    m_labelSlot->hide();

    auto* label3 = label(this, "Label3", QStringLiteral("分類"));
    m_label8 = designed(new QLabel(this), "Label8", "TLabel");
    m_label8->setMinimumWidth(450);
    m_label8->setFrameShape(QFrame::Panel);
    m_label8->setFrameShadow(QFrame::Sunken);
    m_pickerButton = designed(new NarrowButton(QStringLiteral("..."), this), "BitBtn4", "TBitBtn");
    m_pickerButton->setAutoDefault(false);

    auto* label4 = label(this, "Label4", QStringLiteral("片名"));
    m_title = designed(new QLineEdit(this), "TntEdit_title", "TTntEdit");
    m_title->setMaxLength(static_cast<int>(TfrmAddModel::TitleChars));
    auto* label5 = label(this, "Label5", QStringLiteral("條碼"));
    m_barcode = designed(new QLineEdit(this), "Barcode", "TEdit");
    m_barcode->setMinimumWidth(200);
    m_barcode->setMaxLength(static_cast<int>(TfrmAddModel::BarcodeChars));
    auto* label6 = label(this, "Label6", QStringLiteral("註記"));
    m_remark = designed(new QPlainTextEdit(this), "TntMemo_remark", "TTntMemo");
    m_remark->setMinimumWidth(300);
    m_remark->setFixedHeight(80);
    auto* label7 = label(this, "Label7", QStringLiteral("其他"));
    m_other = designed(new QPlainTextEdit(this), "TntMemo_other", "TTntMemo");
    m_other->setMinimumWidth(300);
    m_other->setFixedHeight(80);

    auto* label10 = label(this, "Label10", QStringLiteral("圖型"));
    m_image = designed(new QLabel(this), "Image1", "TImage");
    m_image->setFixedSize(180, 150);
    m_image->setFrameShape(QFrame::Box);
    m_image->setScaledContents(true);
    auto* choose = bitButton(this, "BitBtn3", QStringLiteral("選擇"));
    auto* remove = bitButton(this, "BitBtn5", QStringLiteral("刪除"));

    auto* label9 = label(this, "Label9", QStringLiteral("光碟機"));
    m_drive = comboBox(this, "ComboBox2", "TComboBox", true);
    m_drive->setMinimumWidth(120);
    m_scan =
        designed(new QCheckBox(QStringLiteral("掃描光碟資料"), this), "CheckBox_ScanCdDetail", "TCheckBox");
    m_cddb = designed(new QCheckBox(QStringLiteral("取得CDDB"), this), "CheckBox2", "TCheckBox");
    m_getNow = designed(new QCheckBox(QStringLiteral("Get Now"), this), "CheckBox_GetNow", "TCheckBox");
    m_getNow->hide();

    auto* ok = bitButton(this, "BitBtn1", QStringLiteral("執行"));
    auto* cancel = bitButton(this, "BitBtn2", QStringLiteral("放棄"));
    for (QPushButton* button : {choose, remove, ok, cancel})
        button->setMinimumWidth(86);

    // Captions on the left, the fields beside them, the picture on the right; every row as wide
    // as its texts in the language shown.
    auto* slotRow = new QHBoxLayout;
    slotRow->addWidget(m_machineBox);
    slotRow->addSpacing(10);
    slotRow->addWidget(m_checkSlot);
    slotRow->addWidget(label2);
    slotRow->addWidget(m_slotBox);
    slotRow->addWidget(m_labelSlot);
    slotRow->addStretch();
    auto* categoryRow = new QHBoxLayout;
    categoryRow->addWidget(m_label8, 1);
    categoryRow->addWidget(m_pickerButton);
    auto* barcodeRow = new QHBoxLayout;
    barcodeRow->addWidget(m_barcode);
    barcodeRow->addStretch();
    auto* picture = new QVBoxLayout;
    picture->addWidget(label10);
    picture->addWidget(m_image);
    auto* pictureButtons = new QHBoxLayout;
    pictureButtons->addWidget(choose);
    pictureButtons->addWidget(remove);
    picture->addLayout(pictureButtons);
    auto* driveRow = new QHBoxLayout;
    driveRow->addWidget(m_drive);
    driveRow->addStretch();
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(m_scan);
    readRow->addWidget(m_cddb);
    readRow->addWidget(m_getNow);
    readRow->addStretch();
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(16, 14, 16, 12);
    grid->addWidget(label1, 0, 0);
    grid->addLayout(slotRow, 0, 1, 1, 2);
    grid->addWidget(label3, 1, 0);
    grid->addLayout(categoryRow, 1, 1, 1, 2);
    grid->addWidget(label4, 2, 0);
    grid->addWidget(m_title, 2, 1, 1, 2);
    grid->addWidget(label5, 3, 0);
    grid->addLayout(barcodeRow, 3, 1, 1, 2);
    grid->addWidget(label6, 4, 0, Qt::AlignTop);
    grid->addWidget(m_remark, 4, 1);
    grid->addWidget(label7, 5, 0, Qt::AlignTop);
    grid->addWidget(m_other, 5, 1);
    grid->addLayout(picture, 4, 2, 3, 1);
    grid->addWidget(label9, 6, 0);
    grid->addLayout(driveRow, 6, 1);
    grid->addLayout(readRow, 7, 1, 1, 2);
    grid->addLayout(buttons, 8, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    // Fixed at the size its texts need, also after the placement pass relabels it.
    grid->setSizeConstraint(QLayout::SetFixedSize);

    // Made last so that it lies over the controls it covers when shown.
    m_picker = designed(new QTreeWidget(this), "TreeView1", "TTreeView");
    m_picker->setHeaderHidden(true);
    m_picker->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_picker->hide();

    connect(m_machineBox, &QComboBox::activated, this,
            [this](int index) { act([&] { m_model.chooseMachine(index); }); });
    connect(m_checkSlot, &QCheckBox::clicked, this,
            [this](bool ticked) { act([&] { m_model.clickCheckSlot(ticked); }); });
    connect(m_slotBox, &QComboBox::activated, this, [this](int index) {
        const std::string text = m_slotBox->itemText(index).toStdString();
        act([&] { m_model.leaveSlotBox(text); });
    });
    connect(m_drive, &QComboBox::activated, this, [this](int index) {
        const std::string text = m_drive->itemText(index).toStdString();
        act([&] { m_model.chooseDrive(text); });
    });
    connect(m_pickerButton, &QPushButton::clicked, this, [this] { act([&] { m_model.togglePicker(); }); });
    connect(m_picker, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { categoryActivated(item); });
    connect(choose, &QPushButton::clicked, this, [this] { act([&] { m_model.choosePicture(); }); });
    connect(remove, &QPushButton::clicked, this, [this] { act([&] { m_model.removePicture(); }); });
    connect(ok, &QPushButton::clicked, this, &TfrmAdd::okClicked);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    m_slotBox->installEventFilter(this);
    m_slotBox->lineEdit()->installEventFilter(this);
    m_picker->installEventFilter(this);
}

void TfrmAdd::fillPicker()
{
    m_picker->clear();
    const TreeNode* root = m_model.categoryRoot();
    if (root == nullptr)
        return;
    // Category nodes only, nested as in the navigation tree.
    std::function<void(const TreeNode&, QTreeWidgetItem*)> copy = [&](const TreeNode& node,
                                                                      QTreeWidgetItem* parent) {
        for (const auto& child : node.children()) {
            if (!child->isCategory())
                continue;
            auto* item = parent != nullptr ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_picker);
            item->setText(0, qs(child->text));
            item->setData(0, Qt::UserRole, child->entry);
            copy(*child, item);
        }
    };
    copy(*root, nullptr);
    m_picker->expandAll();
}

void TfrmAdd::applyModeCaption()
{
    if (!m_model.controls().caption.empty())
        setWindowTitle(qs(m_model.controls().caption));
}

template <typename Action> void TfrmAdd::act(Action&& action)
{
    if (m_acting)
        return;
    m_acting = true;
    pull();
    action();
    refresh();
    m_acting = false;
}

void TfrmAdd::pull()
{
    TfrmAddControls& c = m_model.controls();
    c.title = m_title->text().toStdString();
    c.barcode = m_barcode->text().toStdString();
    c.remark = memoToRecord(m_remark->toPlainText());
    c.other = memoToRecord(m_other->toPlainText());
    c.slotText = m_slotBox->currentText().toStdString();
    c.driveText = m_drive->currentText().toStdString();
    c.scan = m_scan->isChecked();
    c.cddb = m_cddb->isChecked();
    c.getNow = m_getNow->isChecked();
}

void TfrmAdd::refresh()
{
    const TfrmAddControls& c = m_model.controls();
    const QSignalBlocker b1(m_machineBox), b2(m_slotBox), b3(m_checkSlot), b4(m_drive), b5(m_scan),
        b6(m_cddb), b7(m_getNow), b8(m_title), b9(m_barcode), b10(m_remark), b11(m_other);

    QStringList names;
    for (const std::string& name : c.machineNames)
        names << qs(name);
    setItems(m_machineBox, names);
    m_machineBox->setCurrentIndex(c.machineBoxIndex);
    m_machineBox->setEnabled(c.machineBoxEnabled);

    QStringList slotItems;
    for (int slot : c.freeSlots)
        slotItems << QString::number(slot);
    setItems(m_slotBox, slotItems);
    if (m_slotBox->currentText() != qs(c.slotText))
        m_slotBox->setEditText(qs(c.slotText));
    m_slotBox->setEnabled(c.slotEnabled);
    m_slotBox->setStyleSheet(c.slotRed ? QStringLiteral("QComboBox { color: red; }") : QString());
    m_checkSlot->setChecked(c.checkSlot);
    m_checkSlot->setVisible(c.checkSlotShown);
    m_labelSlot->setText(qs(c.labelSlot));
    m_label8->setText(qs(c.label8));

    if (m_title->text() != qs(c.title))
        m_title->setText(qs(c.title));
    if (m_barcode->text() != qs(c.barcode))
        m_barcode->setText(qs(c.barcode));
    if (memoToRecord(m_remark->toPlainText()) != c.remark)
        m_remark->setPlainText(recordToMemo(c.remark));
    if (memoToRecord(m_other->toPlainText()) != c.other)
        m_other->setPlainText(recordToMemo(c.other));

    if (c.picture != m_shownPicture) {
        m_shownPicture = c.picture;
        QPixmap pixmap;
        if (!c.picture.empty())
            pixmap.loadFromData(reinterpret_cast<const uchar*>(c.picture.data()),
                                static_cast<uint>(c.picture.size()), "BMP");
        m_image->setPixmap(pixmap);
    }

    QStringList drives;
    for (const std::string& drive : c.drives)
        drives << qs(drive);
    setItems(m_drive, drives);
    if (m_drive->currentText() != qs(c.driveText))
        m_drive->setEditText(qs(c.driveText));
    m_scan->setChecked(c.scan);
    m_cddb->setChecked(c.cddb);
    m_getNow->setChecked(c.getNow);

    placePicker();
}

void TfrmAdd::placePicker()
{
    if (!m_model.controls().pickerShown) {
        m_picker->hide();
        return;
    }
    const QRect anchor = m_label8->geometry();
    const int top = anchor.bottom() + 1 + PickerGap;
    m_picker->setGeometry(anchor.left(), top, width() - PickerRightMargin - anchor.left(), PickerHeight);
    m_picker->show();
    m_picker->raise();
}

void TfrmAdd::categoryActivated(QTreeWidgetItem* item)
{
    if (item == nullptr)
        return;
    const int entry = item->data(0, Qt::UserRole).toInt();
    act([&] { m_model.chooseCategory(entry); });
}

void TfrmAdd::okClicked()
{
    TfrmAddModel::OkOutcome outcome = TfrmAddModel::OkOutcome::OverwriteRefused;
    act([&] { outcome = m_model.ok(); });
    switch (outcome) {
    case TfrmAddModel::OkOutcome::Closed:
        accept();
        break;
    case TfrmAddModel::OkOutcome::TitleMissing:
        m_title->setFocus();
        break;
    case TfrmAddModel::OkOutcome::MachineMissing:
        m_machineBox->setFocus();
        break;
    case TfrmAddModel::OkOutcome::CategoryMissing:
    case TfrmAddModel::OkOutcome::OverwriteRefused:
        break;
    }
}

void TfrmAdd::done(int r)
{
    if (m_model.result() != 1)
        m_model.close();
    QDialog::done(r);
}

bool TfrmAdd::eventFilter(QObject* watched, QEvent* event)
{
    const bool slotBox = watched == m_slotBox || watched == m_slotBox->lineEdit();
    if (slotBox && event->type() == QEvent::FocusOut) {
        // Leaving the box for its own list, or for a window that opened over the dialog, is no
        // leaving; moving to the line edit inside it neither.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const QWidget* next = QApplication::focusWidget();
        const bool stillInside = next == m_slotBox || next == m_slotBox->lineEdit();
        if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason && !stillInside &&
            m_slotBox->isEnabled()) {
            const std::string text = m_slotBox->currentText().toStdString();
            act([&] { m_model.leaveSlotBox(text); });
        }
    } else if (slotBox && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            const std::string text = m_slotBox->currentText().toStdString();
            act([&] { m_model.enterSlotBox(text); });
            return true;
        }
    } else if (watched == m_picker && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        act([&] { m_model.hidePicker(); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace kavro
