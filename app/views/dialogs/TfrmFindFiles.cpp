#include "views/dialogs/TfrmFindFiles.h"

#include "catalogue/records/Catalogue.h"
#include "catalogue/search/SearchRow.h"
#include "platform/Texts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace kavro {

namespace {
// Trees read per step while the window goes on searching after the first screen.
constexpr int kTreesPerStep = 24;

std::optional<std::int64_t> sizeOf(const QLineEdit* edit)
{
    bool ok = false;
    const qlonglong v = edit->text().trimmed().toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(v) : std::nullopt;
}

std::uint16_t dosDateOf(const QDate& d)
{
    return DosDate(std::clamp(d.year(), 1980, 2107), d.month(), d.day());
}
} // namespace

TfrmFindFiles::TfrmFindFiles(Catalogue& catalogue, DiscTextCache& cache, NameIndex* index, Actions actions,
                             QWidget* parent)
    : QDialog(parent), m_finder(catalogue, cache, index), m_actions(std::move(actions))
{
    setObjectName(QStringLiteral("frmFindFiles"));
    const Texts& texts = catalogue.texts();
    const auto t = [&texts](const char* key, const char* text) {
        return QString::fromStdString(texts.text(key, text));
    };
    m_foundText = t("5314", "%1 found");
    m_searchingText = t("5315", "%1 found so far, searching…");
    m_firstListedText = t("5316", " (the first %1 listed)");
    setWindowTitle(t("5300", "Find files"));
    m_model = std::make_unique<FindFilesModel>(m_finder);
    m_model->setColumnNames({t("5317", "Name"), t("5318", "Folder"), t("5319", "Size"), t("5320", "Date"),
                             t("5321", "Disc"), t("5322", "Machine"), t("5323", "Slot")});

    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Edit_FindText"));
    m_text->setPlaceholderText(t("5302", "Name, or a pattern with * and ?"));
    m_kind = new QComboBox(this);
    m_kind->addItems({t("5303", "Files and folders"), t("5304", "Files only"), t("5305", "Folders only")});
    m_minSize = new QLineEdit(this);
    m_maxSize = new QLineEdit(this);
    m_minSize->setPlaceholderText(t("5308", "bytes"));
    m_maxSize->setPlaceholderText(t("5308", "bytes"));
    m_fromOn = new QCheckBox(t("5309", "From"), this);
    m_toOn = new QCheckBox(t("5310", "To"), this);
    m_from = new QDateEdit(QDate(2000, 1, 1), this);
    m_to = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit* d : {m_from, m_to}) {
        d->setCalendarPopup(true);
        d->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    }

    auto* filters = new QHBoxLayout;
    filters->addWidget(m_kind);
    filters->addWidget(new QLabel(t("5306", "Size at least"), this));
    filters->addWidget(m_minSize);
    filters->addWidget(new QLabel(t("5307", "at most"), this));
    filters->addWidget(m_maxSize);
    filters->addWidget(m_fromOn);
    filters->addWidget(m_from);
    filters->addWidget(m_toOn);
    filters->addWidget(m_to);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("ListView_FindFiles"));
    m_table->setModel(m_model.get());
    // No sort until a header is clicked: rows come in found order.
    m_table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->verticalHeader()->setDefaultSectionSize(20);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setColumnWidth(FindFilesModel::Name, 220);
    m_table->setColumnWidth(FindFilesModel::Folder, 220);

    m_count = new QLabel(this);
    m_present = new QPushButton(t("5311", "Present at the door"), this);
    m_load = new QPushButton(t("5312", "Load and open"), this);
    m_load->setToolTip(t("5313", "Loads the disc into the drive of its cabinet and opens the folder once it can be read"));
    m_present->setEnabled(false);
    m_load->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_present);
    bottom->addWidget(m_load);

    auto* top = new QFormLayout;
    top->addRow(t("5301", "Find"), m_text);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(filters);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(980, 560);

    m_more = new QTimer(this);
    m_more->setInterval(0);
    connect(m_more, &QTimer::timeout, this, &TfrmFindFiles::step);
    connect(m_text, &QLineEdit::textChanged, this, &TfrmFindFiles::searchNow);
    connect(m_kind, &QComboBox::currentIndexChanged, this, &TfrmFindFiles::searchNow);
    for (QLineEdit* e : {m_minSize, m_maxSize})
        connect(e, &QLineEdit::textChanged, this, &TfrmFindFiles::searchNow);
    for (QCheckBox* b : {m_fromOn, m_toOn})
        connect(b, &QCheckBox::toggled, this, &TfrmFindFiles::searchNow);
    for (QDateEdit* d : {m_from, m_to})
        connect(d, &QDateEdit::dateChanged, this, &TfrmFindFiles::searchNow);
    connect(m_table, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { activated(i.row()); });
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        const bool row = currentRow() >= 0;
        m_present->setEnabled(row && m_actions.present);
        m_load->setEnabled(row && m_actions.loadAndOpen &&
                           m_model->disc(currentRow()).deviceType == kDriveModel);
    });
    connect(m_present, &QPushButton::clicked, this, [this] {
        if (const int r = currentRow(); r >= 0 && m_actions.present)
            m_actions.present(m_model->disc(r));
    });
    connect(m_load, &QPushButton::clicked, this, [this] {
        if (const int r = currentRow(); r >= 0 && m_actions.loadAndOpen)
            m_actions.loadAndOpen(m_model->disc(r), m_model->hit(r));
    });
    showCount();
}

TfrmFindFiles::~TfrmFindFiles()
{
    m_table->setModel(nullptr);
}

FileQuery TfrmFindFiles::query() const
{
    FileQuery q;
    q.text = m_text->text().toStdString();
    q.kind = static_cast<FileQuery::Kind>(m_kind->currentIndex());
    q.minSize = sizeOf(m_minSize);
    q.maxSize = sizeOf(m_maxSize);
    if (m_fromOn->isChecked())
        q.fromDate = dosDateOf(m_from->date());
    if (m_toOn->isChecked())
        q.toDate = dosDateOf(m_to->date());
    return q;
}

void TfrmFindFiles::searchNow()
{
    m_more->stop();
    // A new search starts in found order; the header's sort is applied again to it.
    const int column = m_table->horizontalHeader()->sortIndicatorSection();
    const Qt::SortOrder order = m_table->horizontalHeader()->sortIndicatorOrder();
    m_model->search(query());
    if (column >= 0 && column < FindFilesModel::ColumnCount)
        m_model->sort(column, order);
    showCount();
    if (!m_finder.done())
        m_more->start();
}

void TfrmFindFiles::step()
{
    if (!m_model->continueSearch(kTreesPerStep))
        m_more->stop();
    showCount();
}

void TfrmFindFiles::finishSearch()
{
    while (m_model->continueSearch(1 << 30)) {
    }
    m_more->stop();
    showCount();
}

void TfrmFindFiles::showCount()
{
    if (!m_model->lastStatus()) {
        m_count->setText(QString::fromStdString(m_model->lastStatus().error()));
        return;
    }
    const qlonglong n = m_finder.matchCount();
    QString text = (m_finder.done() ? m_foundText : m_searchingText).arg(n);
    if (n > FileFinder::kKeptHits)
        text += m_firstListedText.arg(FileFinder::kKeptHits);
    m_count->setText(text);
}

int TfrmFindFiles::currentRow() const
{
    const QModelIndex i = m_table->currentIndex();
    return i.isValid() ? i.row() : -1;
}

void TfrmFindFiles::activated(int row)
{
    if (row >= 0 && row < m_model->rowCount() && m_actions.show)
        m_actions.show(m_model->disc(row), m_model->hit(row));
}

} // namespace kavro
