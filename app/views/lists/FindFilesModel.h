#pragma once

#include "catalogue/search/FileFinder.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <vector>

namespace kavro {

// The rows of the Find files list over a FileFinder's hits: name, folder, size, date, disc title,
// machine, slot. Rows come in as the finder finds them (the first screen at once, the rest as
// the list scrolls or the search goes on); any column sorts, both ways, and the sort holds for
// rows that come later.
class FindFilesModel final : public QAbstractTableModel {
public:
    enum Column { Name, Folder, Size, Date, Disc, Machine, Slot, ColumnCount };
    // Rows asked for at a time.
    static constexpr int kScreen = 1000;

    explicit FindFilesModel(FileFinder& finder, QObject* parent = nullptr);

    // Starts a search and shows its first screen.
    DbStatus search(const FileQuery& query, const SearchScope* scope = nullptr);
    // Looks through up to maxTrees more trees for the rest; false when the search is done.
    bool continueSearch(int maxTrees);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The column titles in the language in use, one per Column.
    void setColumnNames(QStringList names);
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    const FileHit& hit(int row) const;
    const FoundDisc& disc(int row) const;
    // The text of a cell as shown.
    QString text(int row, int column) const;
    const DbStatus& lastStatus() const { return m_status; }

private:
    QStringList m_columnNames;
    // Takes the finder's new hits into the order.
    void takeNewHits();
    bool less(std::size_t a, std::size_t b) const;

    FileFinder& m_finder;
    std::vector<std::size_t> m_order; // indices into the finder's hits, in the shown order
    std::size_t m_taken = 0;          // hits taken so far
    int m_shown = 0;                  // rows given to the view
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    DbStatus m_status;
};

// "yyyy-mm-dd hh:mm" of an MS-DOS date-time; "" when unknown (0).
QString DosDateTimeText(std::uint32_t dosDateTime);

} // namespace kavro
