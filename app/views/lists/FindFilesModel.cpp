#include "views/lists/FindFilesModel.h"

#include <algorithm>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

} // namespace

QString DosDateTimeText(std::uint32_t t)
{
    if (t == 0)
        return {};
    return QString::asprintf("%04u-%02u-%02u %02u:%02u", 1980 + (t >> 25), (t >> 21) & 15, (t >> 16) & 31,
                             (t >> 11) & 31, (t >> 5) & 63);
}

FindFilesModel::FindFilesModel(FileFinder& finder, QObject* parent) : QAbstractTableModel(parent), m_finder(finder)
{
}

DbStatus FindFilesModel::search(const FileQuery& query, const SearchScope* scope)
{
    beginResetModel();
    m_order.clear();
    m_taken = 0;
    m_shown = 0;
    m_status = m_finder.start(query, scope);
    if (m_status)
        m_status = m_finder.fetch(kScreen);
    takeNewHits();
    m_shown = std::min<int>(kScreen, static_cast<int>(m_order.size()));
    endResetModel();
    return m_status;
}

bool FindFilesModel::continueSearch(int maxTrees)
{
    if (m_finder.done() || !m_status)
        return false;
    m_status = m_finder.fetch(kScreen, maxTrees);
    const int before = static_cast<int>(m_order.size());
    if (m_sortColumn >= 0) {
        // New rows may belong anywhere in the shown order.
        beginResetModel();
        takeNewHits();
        m_shown = std::max(m_shown, std::min<int>(kScreen, static_cast<int>(m_order.size())));
        endResetModel();
    } else {
        takeNewHits();
        const int now = std::max(m_shown, std::min<int>(kScreen, static_cast<int>(m_order.size())));
        if (now > m_shown) {
            beginInsertRows({}, m_shown, now - 1);
            m_shown = now;
            endInsertRows();
        }
    }
    (void)before;
    return !m_finder.done() && m_status;
}

void FindFilesModel::takeNewHits()
{
    const auto& hits = m_finder.hits();
    const std::size_t first = m_order.size();
    for (; m_taken < hits.size(); ++m_taken)
        m_order.push_back(m_taken);
    if (m_sortColumn < 0 || first == m_order.size())
        return;
    auto cmp = [this](std::size_t a, std::size_t b) { return less(a, b); };
    std::stable_sort(m_order.begin() + static_cast<std::ptrdiff_t>(first), m_order.end(), cmp);
    std::inplace_merge(m_order.begin(), m_order.begin() + static_cast<std::ptrdiff_t>(first), m_order.end(), cmp);
}

bool FindFilesModel::less(std::size_t a, std::size_t b) const
{
    const FileHit& x = m_finder.hits()[a];
    const FileHit& y = m_finder.hits()[b];
    const FoundDisc& dx = m_finder.discs()[static_cast<std::size_t>(x.disc)];
    const FoundDisc& dy = m_finder.discs()[static_cast<std::size_t>(y.disc)];
    int c = 0;
    switch (m_sortColumn) {
    case Name:
        c = x.name.compare(y.name);
        break;
    case Folder:
        c = x.path().compare(y.path());
        break;
    case Size:
        c = x.size < y.size ? -1 : x.size > y.size ? 1 : 0;
        break;
    case Date:
        c = x.dosDateTime < y.dosDateTime ? -1 : x.dosDateTime > y.dosDateTime ? 1 : 0;
        break;
    case Disc:
        c = dx.title.compare(dy.title);
        break;
    case Machine:
        c = dx.machineName.compare(dy.machineName);
        break;
    case Slot:
        c = dx.slot < dy.slot ? -1 : dx.slot > dy.slot ? 1 : 0;
        break;
    default:
        break;
    }
    if (c == 0)
        return a < b; // found order among equals, both ways
    return m_sortOrder == Qt::AscendingOrder ? c < 0 : c > 0;
}

void FindFilesModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= ColumnCount)
        return;
    emit layoutAboutToBeChanged();
    m_sortColumn = column;
    m_sortOrder = order;
    std::stable_sort(m_order.begin(), m_order.end(), [this](std::size_t a, std::size_t b) { return less(a, b); });
    emit layoutChanged();
}

int FindFilesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_shown;
}

int FindFilesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const FileHit& FindFilesModel::hit(int row) const
{
    return m_finder.hits()[m_order[static_cast<std::size_t>(row)]];
}

const FoundDisc& FindFilesModel::disc(int row) const
{
    return m_finder.discs()[static_cast<std::size_t>(hit(row).disc)];
}

QString FindFilesModel::text(int row, int column) const
{
    const FileHit& h = hit(row);
    const FoundDisc& d = disc(row);
    switch (column) {
    case Name:
        return qs(h.name);
    case Folder:
        return h.folder.empty() ? QStringLiteral("\\") : qs(h.folder);
    case Size:
        return h.isFolder ? QStringLiteral("<Dir>") : QString::number(h.size);
    case Date:
        return DosDateTimeText(h.dosDateTime);
    case Disc:
        return qs(d.title);
    case Machine:
        return qs(d.machineName);
    case Slot:
        return QString::number(d.slot);
    default:
        return {};
    }
}

QVariant FindFilesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown)
        return {};
    if (role == Qt::DisplayRole)
        return text(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && (index.column() == Size || index.column() == Slot))
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant FindFilesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    static const char* const names[] = {"Name", "Folder", "Size", "Date", "Disc", "Machine", "Slot"};
    if (section < 0 || section >= ColumnCount)
        return {};
    return section < m_columnNames.size() ? m_columnNames[section] : QString::fromLatin1(names[section]);
}

void FindFilesModel::setColumnNames(QStringList names)
{
    m_columnNames = std::move(names);
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
}

bool FindFilesModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && (m_shown < static_cast<int>(m_order.size()) || (!m_finder.done() && m_status));
}

void FindFilesModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid())
        return;
    if (m_shown >= static_cast<int>(m_order.size()) && !m_finder.done() && m_status) {
        m_status = m_finder.fetch(kScreen);
        if (m_sortColumn >= 0) {
            beginResetModel();
            takeNewHits();
            endResetModel();
        } else {
            takeNewHits();
        }
    }
    const int now = std::min<int>(m_shown + kScreen, static_cast<int>(m_order.size()));
    if (now <= m_shown)
        return;
    beginInsertRows({}, m_shown, now - 1);
    m_shown = now;
    endInsertRows();
}

} // namespace kavro
