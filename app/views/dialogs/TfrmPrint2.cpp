#include "views/dialogs/TfrmPrint2.h"

#include "output/ReportLayout.h"
#include "output/ReportPrinter.h"
#include "platform/Clock.h"
#include "platform/Person.h"
#include "shell/AppContext.h"
#include "shell/SettingsKeys.h"
#include "shell/ui/Designed.h"
#include "shell/ui/WidgetPlacementTarget.h"

#include <QCheckBox>
#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPageLayout>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

namespace kavro {

namespace {

QString qs(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QString qs(const std::string& utf8)
{
    return QString::fromStdString(utf8);
}

// The export file name the edit holds at most.
constexpr int kFileNameLength = 128;

} // namespace

TfrmPrint2::TfrmPrint2(AppContext& context, QTreeWidget& source, QWidget* parent)
    : QDialog(parent), m_context(context), m_source(&source)
{
    designed(this, "frmPrint2", "TfrmPrint2");
    setWindowTitle(qs("列印管理"));

    // The column choice of the designed window is not used: the report prints the first four.
    auto* columns = designed(new QGroupBox(qs("列印欄位"), this), "GroupBox1", "TGroupBox");
    auto* columnLayout = new QGridLayout(columns);
    const char* columnBoxes[] = {"片名", "機名", "槽位", "分類", "條碼", "註記"};
    for (int i = 0; i < 6; ++i) {
        const QByteArray name = "CheckBox" + QByteArray::number(i + 1);
        auto* box = designed(new QCheckBox(qs(columnBoxes[i]), columns), name.constData(), "TCheckBox");
        columnLayout->addWidget(box, i / 3, i % 3);
    }
    columns->hide();

    auto* panel = designed(new QLabel(qs("列印清單"), this), "Panel1", "TPanel");
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    panel->setAlignment(Qt::AlignCenter);
    panel->setMinimumHeight(24);

    m_list = designed(new QTreeWidget(this), "ListView1", "TListView");
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setUniformRowHeights(true);
    m_list->setColumnCount(0);
    // Grid lines between the cells.
    m_list->setStyleSheet(QStringLiteral("QTreeView::item { border-right: 1px solid #d4d4d4; "
                                         "border-bottom: 1px solid #d4d4d4; }"));
    m_list->setMinimumSize(520, 300);

    m_print = designed(new QPushButton(qs("列印"), this), "BitBtn1", "TBitBtn");

    auto* output = designed(new QGroupBox(qs("輸出"), this), "GroupBox2", "TGroupBox");
    m_fileName = designed(new QLineEdit(output), "Edit_Print_Filename", "TEdit");
    m_fileName->setMaxLength(kFileNameLength);
    auto* exportButton = designed(new QPushButton(qs("輸出CSV"), output), "BitBtn4", "TBitBtn");
    auto* outputLayout = new QHBoxLayout(output);
    outputLayout->addWidget(m_fileName, 1);
    outputLayout->addWidget(exportButton);

    auto* cancel = designed(new QPushButton(qs("取消"), this), "BitBtn3", "TBitBtn");
    for (QPushButton* button : {m_print, exportButton, cancel}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(90);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_print);
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(columns);
    layout->addWidget(panel);
    layout->addWidget(m_list, 1);
    layout->addWidget(output);
    layout->addLayout(buttons);
    resize(640, 480);

    const std::string setting = keys::read(*m_context.settings, keys::ExcelFilename);
    m_fileName->setText(qs(ExportFileName(setting, std::filesystem::path(m_context.programFolder) / "Data")));

    connect(m_print, &QPushButton::clicked, this, &TfrmPrint2::print);
    connect(exportButton, &QPushButton::clicked, this, [this] { exportCsv(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::close);
}

std::unique_ptr<TfrmPrint2> TfrmPrint2::create(AppContext& context, QTreeWidget& source, QWidget* mainWindow)
{
    auto dialog = std::make_unique<TfrmPrint2>(context, source, mainWindow);
    placeWindowTexts(*dialog, context, mainWindow);
    return dialog;
}

void TfrmPrint2::copySource()
{
    m_list->clear();
    m_list->setColumnCount(0);
    m_copy = ListCopy{};
    m_rowCount = 0;
    m_copied = true;
    if (!m_source)
        return;
    const QTreeWidget& source = *m_source;
    m_list->setFont(source.font());

    const int columns = source.columnCount();
    QStringList headers;
    for (int c = 0; c < columns; ++c) {
        const QString caption = source.headerItem() ? source.headerItem()->text(c) : QString();
        headers << caption;
        m_copy.captions.push_back(caption.toStdString());
        m_copy.widths.push_back(source.columnWidth(c));
    }
    m_list->setColumnCount(columns);
    m_list->setHeaderLabels(headers);
    for (int c = 0; c < columns; ++c)
        m_list->setColumnWidth(c, m_copy.widths[static_cast<std::size_t>(c)]);

    m_rowCount = source.topLevelItemCount();
    QList<QTreeWidgetItem*> items;
    items.reserve(m_rowCount);
    m_copy.rows.reserve(static_cast<std::size_t>(m_rowCount));
    for (int r = 0; r < m_rowCount; ++r) {
        const QTreeWidgetItem* from = source.topLevelItem(r);
        // A row holds its first column and the further texts it has, never more than the list's columns.
        const int texts = std::max(1, std::min(from->columnCount(), columns));
        std::vector<std::string> row;
        auto* item = new QTreeWidgetItem;
        for (int c = 0; c < texts; ++c) {
            row.push_back(from->text(c).toStdString());
            item->setText(c, from->text(c));
        }
        m_copy.rows.push_back(std::move(row));
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    // On screen every column shows its texts whole, also where the copied width cut them; the
    // report keeps the copied widths.
    for (int c = 0; c < columns; ++c) {
        m_list->resizeColumnToContents(c);
        m_list->setColumnWidth(c, std::max(m_list->columnWidth(c), m_copy.widths[static_cast<std::size_t>(c)]));
    }
}

void TfrmPrint2::print()
{
    m_print->setEnabled(false);
    copySource();
    if (m_context.clock)
        m_context.clock->sleep(100);
    QPrinter printer(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    printer.setPageLayout(QPageLayout(
        QPageSize(QPageSize::A4), QPageLayout::Portrait,
        QMarginsF(ReportLayout::kMargin, ReportLayout::kMargin, ReportLayout::kMargin, ReportLayout::kMargin),
        QPageLayout::Millimeter));
    const ListCopy copy = m_copy;
    const QDate today = QDate::currentDate();
    const auto paint = [copy, today](QPrinter* target) {
        if (target)
            PrintReport(*target, copy, today);
    };
    if (m_preview)
        m_preview(printer, paint);
    else
        showPreview(printer, paint);
    m_print->setEnabled(true);
}

CsvExportResult TfrmPrint2::exportCsv()
{
    Person* person = m_context.person;
    Clock* clock = m_context.clock;
    if (!person || !clock)
        return CsvExportResult::Failed;
    const std::filesystem::path file(m_fileName->text().toStdString());
    return ExportCsv(m_copy, file, *person, m_context.language, *clock);
}

QString TfrmPrint2::exportFileName() const
{
    return m_fileName->text();
}

void TfrmPrint2::done(int result)
{
    if (m_context.settings)
        keys::write(*m_context.settings, keys::ExcelFilename, m_fileName->text().toStdString());
    QDialog::done(result);
}

void TfrmPrint2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!m_copied) {
        copySource();
        widenToColumns();
    }
}

void TfrmPrint2::widenToColumns()
{
    // The copy keeps the main window's column widths, which the report prints; the dialog opens as
    // wide as they are, as far as the screen allows, so that no column hides behind a sideways scroll.
    int columns = 0;
    for (int c = 0; c < m_list->columnCount(); ++c)
        columns += m_list->columnWidth(c);
    const int missing = columns + m_list->verticalScrollBar()->sizeHint().width() - m_list->viewport()->width();
    if (missing <= 0)
        return;
    const QRect area = screen() ? screen()->availableGeometry() : QRect();
    int widest = width() + missing;
    if (area.isValid())
        widest = std::min(widest, area.width() * 9 / 10);
    if (widest <= width())
        return;
    // Placed over the main window's centre before it grew: it grows to both sides.
    QRect grown = geometry();
    grown.setLeft(grown.left() - (widest - width()) / 2);
    grown.setWidth(widest);
    if (area.isValid())
        grown.moveLeft(std::clamp(grown.left(), area.left(), std::max(area.left(), area.right() - widest)));
    setGeometry(grown);
}

void TfrmPrint2::showPreview(QPrinter& printer, const std::function<void(QPrinter*)>& paint)
{
    QPrintPreviewDialog preview(&printer, this);
    preview.setWindowTitle(windowTitle());
    connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, paint);
    preview.exec();
}

} // namespace kavro
