#include "views/dialogs/TPathDialog.h"

#include "catalogue/import/CatalogueRestore.h"
#include "platform/Texts.h"
#include "shell/ui/Designed.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLinearGradient>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

QString cleanFolder(const QString& folder)
{
    return QDir::cleanPath(folder);
}

// The folders of one drive: its root and what lies below it. The levels above the root stay in
// the model only as the way down to it.
class DriveFolders final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setRoot(const QString& root)
    {
        m_root = cleanFolder(root);
        m_rootSlash = m_root.endsWith(QLatin1Char('/')) ? m_root : m_root + QLatin1Char('/');
        invalidateFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        const auto* folders = static_cast<const QFileSystemModel*>(sourceModel());
        const QString path = cleanFolder(folders->filePath(folders->index(row, 0, parent)));
        if (m_root.isEmpty() || m_root == QLatin1String("/"))
            return true;
        const QString pathSlash = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        return path == m_root || path.startsWith(m_rootSlash) || m_rootSlash.startsWith(pathSlash);
    }

private:
    QString m_root;
    QString m_rootSlash;
};

QPushButton* dialogButton(QWidget* parent, const QString& text, const char* name)
{
    auto* button = designed(new QPushButton(text, parent), name, "TBitBtn");
    button->setMinimumWidth(90);
    return button;
}

} // namespace

TPathDialog::TPathDialog(Mode mode, std::vector<PickerDrive> drives, std::string keptFile, const Texts& texts,
                         QWidget* parent)
    : QDialog(parent), m_mode(mode), m_drives(std::move(drives)), m_keptFile(std::move(keptFile)),
      m_texts(texts)
{
    designed(this, "PathDialog", "TPathDialog");
    setWindowTitle(QStringLiteral("PathDialog"));
    setSizeGripEnabled(false);
    if (m_drives.empty())
        m_drives.push_back({"/", "/", 0});

    m_driveBox = designed(new QComboBox(this), "DriveComboBox1", "TDriveComboBox");
    for (const PickerDrive& d : m_drives)
        m_driveBox->addItem(qs(d.label));

    m_folders = new QFileSystemModel(this);
    // Folders only; the file list beside it shows the catalogue files.
    m_folders->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Drives);
    m_folders->setReadOnly(true);
    m_shown = new DriveFolders(this);
    m_shown->setSourceModel(m_folders);
    m_shown->setSortCaseSensitivity(Qt::CaseInsensitive);
    m_shown->sort(0);

    m_folderList = designed(new QTreeView(this), "DirectoryListBox1", "TDirectoryListBox");
    m_folderList->setModel(m_shown);
    m_folderList->setHeaderHidden(true);
    for (int column = 1; column < m_folders->columnCount(); ++column)
        m_folderList->hideColumn(column);
    m_folderList->setSelectionMode(QAbstractItemView::SingleSelection);
    m_folderList->setUniformRowHeights(true);

    m_fileList = designed(new QListWidget(this), "FileListBox1", "TFileListBox");
    m_fileList->setSelectionMode(QAbstractItemView::SingleSelection);

    m_ok = dialogButton(this, QStringLiteral("OK"), "BitBtn1");
    m_cancel = dialogButton(this, QStringLiteral("Cancel"), "BitBtn2");
    m_ok->setEnabled(false);
    m_ok->setDefault(true);
    m_cancel->setAutoDefault(false);

    // The lists keep the designed window at 560 x 380; the window grows only when its texts do.
    m_folderList->setMinimumSize(316, 282);
    m_fileList->setFixedWidth(206);
    m_fileList->setMinimumHeight(282);
    auto* lists = new QHBoxLayout;
    lists->addWidget(m_folderList, 3);
    lists->addWidget(m_fileList, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(m_driveBox);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    showDrive(0);

    connect(m_driveBox, &QComboBox::currentIndexChanged, this, &TPathDialog::driveChanged);
    connect(m_folderList->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const QModelIndexList chosen = m_folderList->selectionModel()->selectedRows();
        if (!chosen.isEmpty())
            folderClicked(chosen.front());
    });
    connect(m_folderList, &QTreeView::clicked, this, &TPathDialog::folderClicked);
    connect(m_fileList, &QListWidget::itemSelectionChanged, this, &TPathDialog::fileClicked);
    connect(m_fileList, &QListWidget::itemClicked, this, &TPathDialog::fileClicked);
    // The folder list fills in the background: show the current folder once its row exists.
    connect(m_folders, &QFileSystemModel::directoryLoaded, this, [this] {
        const QModelIndex at = folderIndex(m_folder);
        if (at.isValid() && m_folderList->currentIndex() != at)
            showFolder(m_folder);
    });
    connect(m_ok, &QPushButton::clicked, this, [this] {
        m_ending = Ending::Ok;
        accept();
    });
    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_ending = Ending::Cancel;
        QDialog::reject();
    });
}

TPathDialog::~TPathDialog() = default;

std::string TPathDialog::currentFile() const
{
    const QList<QListWidgetItem*> chosen = m_fileList->selectedItems();
    if (chosen.isEmpty())
        return {};
    return chosen.front()->data(Qt::UserRole).toString().toStdString();
}

int TPathDialog::currentDrive() const
{
    return m_driveBox->currentIndex();
}

void TPathDialog::selectDrive(int index)
{
    if (index >= 0 && index < m_driveBox->count())
        m_driveBox->setCurrentIndex(index);
}

void TPathDialog::moveToFolder(const std::string& folder)
{
    showFolder(folder);
}

void TPathDialog::applyStart(const PickerStart& start)
{
    if (start.drive >= 0)
        selectDrive(start.drive);
    if (!start.folder.empty())
        moveToFolder(start.folder.string());
}

QModelIndex TPathDialog::folderIndex(const std::string& folder) const
{
    return m_shown->mapFromSource(m_folders->index(qs(folder)));
}

void TPathDialog::driveChanged(int index)
{
    if (index < 0 || index >= static_cast<int>(m_drives.size()))
        return;
    const PickerDrive& drive = m_drives[static_cast<std::size_t>(index)];
    const std::string name = drive.letter != 0 ? std::string(1, drive.letter) : drive.root.string();
    setWindowTitle(qs(m_texts.text("0103", "選擇備份路徑 ") + name));
    m_ok->setEnabled(m_mode == Mode::Backup);
    showDrive(index);
}

void TPathDialog::showDrive(int index)
{
    const PickerDrive& drive = m_drives[static_cast<std::size_t>(index)];
    const QString root = qs(drive.root.string());
    m_folders->setRootPath(root);
    static_cast<DriveFolders*>(m_shown)->setRoot(root);
    const QDir above = QDir(root).filePath(QStringLiteral(".."));
    m_folderList->setRootIndex(cleanFolder(root) == QLatin1String("/")
                                   ? QModelIndex()
                                   : m_shown->mapFromSource(m_folders->index(cleanFolder(above.path()))));
    showFolder(drive.root.string());
}

void TPathDialog::folderClicked(const QModelIndex& index)
{
    if (m_moving || !index.isValid())
        return;
    const QString path = m_folders->filePath(m_shown->mapToSource(index));
    if (path.isEmpty())
        return;
    m_folder = cleanFolder(path).toStdString();
    fillFiles();
    // A catalogue file chosen last time lets the folder alone confirm a restore.
    const std::size_t at = m_keptFile.find(".MDB");
    m_ok->setEnabled((at != std::string::npos && at >= 4) || m_mode == Mode::Backup);
}

void TPathDialog::fileClicked()
{
    if (m_moving || m_fileList->selectedItems().isEmpty())
        return;
    m_ok->setEnabled(true);
}

void TPathDialog::showFolder(const std::string& folder)
{
    m_moving = true;
    m_folder = cleanFolder(qs(folder)).toStdString();
    const QModelIndex at = folderIndex(m_folder);
    if (at.isValid()) {
        for (QModelIndex up = at.parent(); up.isValid(); up = up.parent())
            m_folderList->expand(up);
        m_folderList->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect);
        m_folderList->scrollTo(at);
    } else {
        m_folderList->selectionModel()->clearSelection();
    }
    fillFiles();
    m_moving = false;
}

void TPathDialog::fillFiles()
{
    const bool moving = m_moving;
    m_moving = true;
    m_fileList->clear();
    QDir dir(qs(m_folder));
    // "*.MDB" in any case, hidden and system files too.
    dir.setNameFilters({QStringLiteral("*.MDB")});
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    dir.setSorting(QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& file : dir.entryInfoList()) {
        QString shown = file.fileName();
        // A safety copy says when it was taken and how many discs it holds, so the person can
        // tell which one to go back to.
        if (m_mode == Mode::Restore) {
            const std::string about = DescribeSafetyCopy(file.absoluteFilePath().toStdString(), m_texts);
            if (!about.empty())
                shown += QStringLiteral("  (%1)").arg(QString::fromStdString(about));
        }
        auto* item = new QListWidgetItem(shown, m_fileList);
        item->setData(Qt::UserRole, file.absoluteFilePath());
    }
    m_moving = moving;
}

void TPathDialog::reject()
{
    if (m_ending == Ending::None)
        m_ending = Ending::Escape;
    QDialog::reject();
}

void TPathDialog::paintEvent(QPaintEvent*)
{
    // The background picture: a pale sky-to-paper wash with a few discs stacked in the corner,
    // the way they sit in a changer's slots.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wash(0, 0, 0, height());
    wash.setColorAt(0.0, QColor(232, 240, 248));
    wash.setColorAt(1.0, QColor(250, 250, 246));
    p.fillRect(rect(), wash);

    // They peek out beside the buttons, where the lists leave the background free.
    const QPointF centre(90.0, height() + 18.0);
    for (int i = 0; i < 4; ++i) {
        const QPointF at = centre + QPointF(i * 34.0, -i * 7.0);
        const qreal r = 58.0;
        QRadialGradient shine(at, r);
        shine.setColorAt(0.0, QColor(255, 255, 255, 70));
        shine.setColorAt(0.75, QColor(176, 196, 222, 70));
        shine.setColorAt(1.0, QColor(140, 162, 196, 80));
        p.setPen(QPen(QColor(110, 132, 168, 90), 1.0));
        p.setBrush(shine);
        p.drawEllipse(at, r, r);
        p.setBrush(QColor(232, 240, 248, 200));
        p.drawEllipse(at, r * 0.2, r * 0.2);
    }
}

} // namespace kavro
