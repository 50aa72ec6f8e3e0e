#include "views/dialogs/TfrmDuplicates.h"

#include "catalogue/records/Catalogue.h"
#include "platform/Texts.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <fstream>

namespace kavro {

namespace {

enum Column { GroupColumn, SizeColumn, MachineColumn, SlotColumn, TitleColumn, ColumnCount };
constexpr int kMachineRole = Qt::UserRole;
constexpr int kSlotRole = Qt::UserRole + 1;

QString q(const std::string& s)
{
    return QString::fromStdString(s);
}

QTreeWidget* makeList(const QString& groupTitle, const QStringList& others, QWidget* parent)
{
    auto* list = new QTreeWidget(parent);
    list->setColumnCount(ColumnCount);
    list->setHeaderLabels(QStringList{groupTitle} + others);
    list->setRootIsDecorated(true);
    list->setUniformRowHeights(true);
    list->setAlternatingRowColors(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->header()->setStretchLastSection(true);
    list->setColumnWidth(GroupColumn, 280);
    list->setColumnWidth(SizeColumn, 90);
    list->setColumnWidth(MachineColumn, 130);
    list->setColumnWidth(SlotColumn, 50);
    return list;
}

void addDiscs(QTreeWidgetItem* group, const std::vector<DuplicateDisc>& discs)
{
    for (const DuplicateDisc& d : discs) {
        auto* row = new QTreeWidgetItem(group);
        row->setText(MachineColumn, q(d.machineName));
        row->setText(SlotColumn, QString::number(d.slot));
        row->setText(TitleColumn, q(d.title));
        row->setData(GroupColumn, kMachineRole, d.machine);
        row->setData(GroupColumn, kSlotRole, d.slot);
        row->setTextAlignment(SlotColumn, Qt::AlignRight | Qt::AlignVCenter);
    }
}

} // namespace

TfrmDuplicates::TfrmDuplicates(Catalogue& catalogue, std::function<void(int, int)> select, QWidget* parent)
    : QDialog(parent), m_catalogue(catalogue), m_select(std::move(select))
{
    setObjectName(QStringLiteral("frmDuplicates"));
    setWindowTitle(t("5330", "Duplicates"));
    const QStringList others{t("5335", "Size"), t("5336", "Machine"), t("5337", "Slot"), t("5338", "Title")};
    m_discs = makeList(t("5333", "Volume and serial"), others, this);
    m_discs->setObjectName(QStringLiteral("ListView_DuplicateDiscs"));
    m_files = makeList(t("5334", "File"), others, this);
    m_files->setObjectName(QStringLiteral("ListView_DuplicateFiles"));
    auto* tabs = new QTabWidget(this);
    tabs->addTab(m_discs, t("5331", "Discs twice"));
    tabs->addTab(m_files, t("5332", "Files on more than one disc"));
    tabs->setTabToolTip(0, t("5341", "Discs with the same volume name, serial number and size"));
    tabs->setTabToolTip(1, t("5342", "The largest files found on more than one disc with the same name and size"));

    m_summary = new QLabel(this);
    auto* again = new QPushButton(t("5339", "Look again"), this);
    m_export = new QPushButton(t("5340", "Export CSV…"), this);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    close->button(QDialogButtonBox::Close)->setText(t("5217", "Close"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_summary, 1);
    bottom->addWidget(again);
    bottom->addWidget(m_export);
    bottom->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs, 1);
    layout->addLayout(bottom);
    resize(860, 520);

    connect(again, &QPushButton::clicked, this, &TfrmDuplicates::refresh);
    connect(m_export, &QPushButton::clicked, this, &TfrmDuplicates::exportCsv);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    for (QTreeWidget* list : {m_discs, m_files})
        connect(list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
            const QVariant machine = item->data(GroupColumn, kMachineRole);
            if (machine.isValid() && m_select)
                m_select(machine.toInt(), item->data(GroupColumn, kSlotRole).toInt());
        });
    m_export->setEnabled(false);
}

QString TfrmDuplicates::t(const char* key, const char* text) const
{
    return q(m_catalogue.texts().text(key, text));
}

void TfrmDuplicates::refresh()
{
    m_discGroups.clear();
    m_fileGroups.clear();
    auto discs = FindDuplicateDiscs(m_catalogue);
    auto files = discs ? FindDuplicateFiles(m_catalogue) : DbResult<std::vector<DuplicateFile>>(discs.status());
    if (!discs || !files) {
        fillDiscs();
        fillFiles();
        m_summary->setText(q(discs ? files.error() : discs.error()));
        m_export->setEnabled(false);
        return;
    }
    m_discGroups = std::move(*discs);
    m_fileGroups = std::move(*files);
    fillDiscs();
    fillFiles();
    m_summary->setText(t("5343", "%1 discs that look like another, %2 files on more than one disc")
                           .arg(m_discGroups.size())
                           .arg(m_fileGroups.size()));
    m_export->setEnabled(!m_discGroups.empty() || !m_fileGroups.empty());
}

void TfrmDuplicates::fillDiscs()
{
    m_discs->clear();
    const QLocale locale;
    for (const DuplicateDiscGroup& g : m_discGroups) {
        auto* group = new QTreeWidgetItem(m_discs);
        group->setText(GroupColumn, q(g.volume) + QStringLiteral("  ") + q(g.serial));
        group->setText(SizeColumn, locale.formattedDataSize(g.size));
        group->setToolTip(SizeColumn, QString::number(g.size));
        group->setText(TitleColumn, t("5344", "%1 discs").arg(g.discs.size()));
        addDiscs(group, g.discs);
        group->setExpanded(true);
    }
}

void TfrmDuplicates::fillFiles()
{
    m_files->clear();
    const QLocale locale;
    for (const DuplicateFile& f : m_fileGroups) {
        auto* group = new QTreeWidgetItem(m_files);
        group->setText(GroupColumn, q(f.name));
        group->setText(SizeColumn, locale.formattedDataSize(f.size));
        group->setToolTip(SizeColumn, QString::number(f.size));
        group->setText(TitleColumn, t("5344", "%1 discs").arg(f.discs.size()));
        addDiscs(group, f.discs);
    }
}

bool TfrmDuplicates::exportCsvTo(const QString& file)
{
    const std::string csv = DuplicatesCsv(m_discGroups, m_fileGroups);
    std::ofstream out(file.toStdString(), std::ios::binary | std::ios::trunc);
    out.write(csv.data(), static_cast<std::streamsize>(csv.size()));
    out.close();
    if (out)
        return true;
    QMessageBox::warning(this, windowTitle(), t("5346", "%1 could not be written.").arg(file));
    return false;
}

void TfrmDuplicates::exportCsv()
{
    const QString file =
        QFileDialog::getSaveFileName(this, t("5340", "Export CSV…"), QStringLiteral("duplicates.csv"),
                                     t("5345", "CSV files (*.csv)"));
    if (!file.isEmpty())
        (void)exportCsvTo(file);
}

} // namespace kavro
