#pragma once

#include "views/lists/DragPayload.h"
#include "views/lists/ListRow.h"
#include "views/lists/ListSort.h"
#include "views/mainwindow/PressedKeys.h"

#include <QStackedWidget>
#include <QTreeWidget>

#include <optional>
#include <vector>

class QListView;

namespace kavro {

// One row of a list view; the row's data decides its texts, image and colour.
class ListItem : public QTreeWidgetItem {
public:
    explicit ListItem(ListRow row);

    const ListRow& row() const { return m_row; }
    // Replaces the caption (the title after a rename) in the row and on the screen.
    void setCaption(const std::string& caption);

private:
    void show();

    ListRow m_row;
};

// A list of the right pane in report style (details): a QTreeWidget without tree lines whose
// rows are ListItems. It keeps its own sort values (a column and one direction flag) and sorts
// with the rules of its kind; a header click sorts at once. The list and icon presentations
// show the same rows through a companion view (see ListPane).
class ListView : public QTreeWidget {
    Q_OBJECT
public:
    ListView(ListKind kind, QWidget* parent = nullptr);

    ListKind kind() const { return m_kind; }

    // Replaces every row; the rows keep the given order.
    void setRows(std::vector<ListRow> rows);
    void appendRow(ListRow row);
    int rowCount() const { return topLevelItemCount(); }
    ListItem* rowAt(int index) const;
    // The selected row, else the current one, else nullptr.
    ListItem* selectedRow() const;
    void selectRow(ListItem* item);

    SortState& sortState() { return m_sort; }
    // Sorts the rows; the sort values are not changed.
    void sortBy(int column, bool ascending);
    // After a refill: ascending on the list's default column, the direction flag untouched.
    void sortDefault();
    // What a header click does: that column, the direction flag reversed, sorted at once.
    void headerClicked(int column);

    // Takes every row of a disc out of the list; returns how many went.
    int removeDisc(int machine, int slot);

    // Where drags of the rows come from; none means rows cannot be dragged.
    void setDragSource(std::optional<DragSource> source);

    // In-place editing of a row's caption; captionEdited reports the text when accepted.
    void startCaptionEdit(ListItem* item);

    // Column widths as stored; a column without one fits its rows and caption after every fill
    // until the person sizes it. The last column reaches to the right edge when there is room.
    void setColumnWidths(const std::vector<std::optional<int>>& widths);
    // The width a column was given or fitted to, which is what is stored: for the last column
    // the width it has without the room it takes to reach the right edge.
    int givenColumnWidth(int column) const;

signals:
    void rowSelected(kavro::ListItem* item);
    void rowClicked(kavro::ListItem* item);
    void rowDoubleClicked(kavro::ListItem* item);
    void rowMenuRequested(kavro::ListItem* item, const QPoint& globalPos);
    void rowKeyReleased(kavro::ListItem* item, int key);
    void captionEdited(kavro::ListItem* item, const QString& text);
    // A caption edit is starting in the companion view, which shares the rows.
    void editInCompanion(kavro::ListItem* item);

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    void changeEvent(QEvent* event) override;

private:
    void onItemChanged(QTreeWidgetItem* item, int column);
    void showSortIndicator();
    void fitColumns();
    void fitColumnsLater();
    void stretchLastColumn();
    void updateGeometries() override;

    ListKind m_kind;
    SortState m_sort;
    std::optional<DragSource> m_dragSource;
    ListItem* m_editing = nullptr;
    QString m_editingText;
    PressedKeys m_pressed;
    // Columns that fit their contents; sizing one by hand takes it out.
    std::vector<int> m_fitted;
    int m_lastGiven = -1; // the last column's width before stretching; -1: as it is
    bool m_fitting = false;
    bool m_fitPending = false;
};

// The place of one list in the right pane: the report view (index 0) and a companion
// QListView over the same rows and selection for the "list" and "icons" presentations. The
// companion reports clicks, double clicks, menus and keys through the list's own signals.
class ListPane : public QStackedWidget {
    Q_OBJECT
public:
    ListPane(ListKind kind, const char* name, QWidget* parent = nullptr);

    ListView* list() const { return m_list; }
    QListView* companion() const { return m_companion; }

    // ViewMode: 0 details, 1 list, 2 icons.
    void setViewMode(int mode);
    int viewMode() const { return m_mode; }
    // Whether the list or its companion has the keyboard focus.
    bool hasListFocus() const;
    // The view showing the rows now.
    QAbstractItemView* shownView() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    ListItem* itemAt(const QModelIndex& index) const;

    ListView* m_list = nullptr;
    QListView* m_companion = nullptr;
    int m_mode = 0;
    PressedKeys m_companionKeys;
};

} // namespace kavro
