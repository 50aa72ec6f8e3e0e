#include "views/mainwindow/ListView.h"

#include "views/mainwindow/Icons.h"

#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QHeaderView>
#include <QKeyEvent>
#include <QListView>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QTimer>

#include <algorithm>

namespace kavro {

namespace {

QString qs(const std::string& s)
{
    return QString::fromStdString(s);
}

// "colour value 255": pure red.
const QColor kDriveRowColour(255, 0, 0);

// The widest a title is shown in the list and icon presentations, in average characters; longer
// ones are cut with "…" and show whole in their tip.
constexpr int kListTitleChars = 48;
constexpr int kIconTitleChars = 18;
constexpr int kIconTitleLines = 3;

// The companion's items: as wide as their titles up to a sensible width, and a tip with the
// whole title (and the row's own tip, a file's date, under it).
class CompanionDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        const int widest = option.fontMetrics.averageCharWidth() * kListTitleChars;
        if (auto* view = qobject_cast<const QListView*>(option.widget); view && view->viewMode() == QListView::ListMode)
            size.setWidth(std::min(size.width(), widest));
        return size;
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString tip = index.data(Qt::DisplayRole).toString();
        const QString own = index.data(Qt::ToolTipRole).toString();
        if (!own.isEmpty())
            tip += QLatin1Char('\n') + own;
        QToolTip::showText(event->globalPos(), tip, view->viewport(), view->visualRect(index));
        return true;
    }
};

} // namespace

ListItem::ListItem(ListRow row) : m_row(std::move(row))
{
    show();
}

void ListItem::setCaption(const std::string& caption)
{
    if (m_row.texts.empty())
        m_row.texts.emplace_back();
    m_row.texts[0] = caption;
    setText(0, qs(caption));
}

void ListItem::show()
{
    for (std::size_t c = 0; c < m_row.texts.size(); ++c)
        setText(static_cast<int>(c), qs(m_row.texts[c]));
    if (m_row.icon != RowIcon::None)
        setIcon(0, icons::forRowImage(m_row.icon));
    if (m_row.red) {
        for (std::size_t c = 0; c < m_row.texts.size(); ++c)
            setForeground(static_cast<int>(c), kDriveRowColour);
    }
    // Sizes line up on the right, as the column's caption does.
    if (m_row.kind == RowKind::File || m_row.kind == RowKind::Folder)
        setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    // A file's date follows the columns; it shows as the row's tip.
    if (m_row.kind == RowKind::File && m_row.texts.size() > 3)
        setToolTip(0, qs(m_row.texts[3]));
    setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsDragEnabled);
}

ListView::ListView(ListKind kind, QWidget* parent) : QTreeWidget(parent), m_kind(kind)
{
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setAllColumnsShowFocus(true);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    // Columns keep the widths they are given, as the stored widths expect; the last one is
    // widened to the right edge (stretchLastColumn), so no empty strip is left beside it.
    header()->setStretchLastSection(false);
    header()->setSectionsClickable(true);
    header()->setSortIndicatorShown(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);

    connect(header(), &QHeaderView::sectionClicked, this, [this](int column) { headerClicked(column); });
    connect(this, &QTreeWidget::itemSelectionChanged, this, [this] {
        const auto selected = selectedItems();
        if (!selected.isEmpty())
            emit rowSelected(static_cast<ListItem*>(selected.first()));
    });
    connect(this, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item, int) { emit rowClicked(static_cast<ListItem*>(item)); });
    connect(this, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item, int) { emit rowDoubleClicked(static_cast<ListItem*>(item)); });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        auto* item = static_cast<ListItem*>(itemAt(pos));
        emit rowMenuRequested(item, viewport()->mapToGlobal(pos));
    });
    connect(this, &QTreeWidget::itemChanged, this, &ListView::onItemChanged);
    // Captions in another language: fitted columns fit them once the new captions are all set.
    connect(model(), &QAbstractItemModel::headerDataChanged, this, &ListView::fitColumnsLater);
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (m_fitting)
            return;
        // A width the person (or the stored settings) gives is kept from then on.
        std::erase(m_fitted, column);
        if (column + 1 == columnCount())
            m_lastGiven = size;
        stretchLastColumn();
    });
}

void ListView::setColumnWidths(const std::vector<std::optional<int>>& widths)
{
    m_fitted.clear();
    {
        const QScopedValueRollback fitting(m_fitting, true);
        for (std::size_t c = 0; c < widths.size(); ++c) {
            const int column = static_cast<int>(c);
            if (widths[c]) {
                setColumnWidth(column, *widths[c]);
                if (column + 1 == columnCount())
                    m_lastGiven = *widths[c];
            } else {
                m_fitted.push_back(column);
            }
        }
    }
    fitColumns();
}

int ListView::givenColumnWidth(int column) const
{
    if (column + 1 == columnCount() && m_lastGiven >= 0)
        return m_lastGiven;
    return columnWidth(column);
}

void ListView::fitColumns()
{
    m_fitPending = false;
    {
        const QScopedValueRollback fitting(m_fitting, true);
        for (const int column : m_fitted) {
            if (column >= columnCount())
                continue;
            // The rows' widest text (as far as Qt looks) or the caption, whichever is wider.
            resizeColumnToContents(column);
            if (column + 1 == columnCount())
                m_lastGiven = columnWidth(column);
        }
    }
    stretchLastColumn();
}

void ListView::stretchLastColumn()
{
    const int last = columnCount() - 1;
    if (last < 0 || m_lastGiven < 0)
        return;
    int others = 0;
    for (int c = 0; c < last; ++c) {
        if (!isColumnHidden(c))
            others += columnWidth(c);
    }
    const int width = std::max(m_lastGiven, viewport()->width() - others);
    if (width != columnWidth(last)) {
        const QScopedValueRollback fitting(m_fitting, true);
        setColumnWidth(last, width);
    }
}

void ListView::changeEvent(QEvent* event)
{
    QTreeWidget::changeEvent(event);
    // Another font (the settings dialog's choice): fitted columns fit its texts.
    if (event->type() == QEvent::FontChange)
        fitColumns();
}

void ListView::updateGeometries()
{
    QTreeWidget::updateGeometries();
    stretchLastColumn();
}

void ListView::setRows(std::vector<ListRow> rows)
{
    m_editing = nullptr;
    setUpdatesEnabled(false);
    clear();
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (ListRow& row : rows)
        items.append(new ListItem(std::move(row)));
    addTopLevelItems(items);
    setUpdatesEnabled(true);
    fitColumns();
}

void ListView::appendRow(ListRow row)
{
    addTopLevelItem(new ListItem(std::move(row)));
    // Rows added one by one are fitted once the additions are over.
    fitColumnsLater();
}

void ListView::fitColumnsLater()
{
    if (!m_fitted.empty() && !m_fitPending) {
        m_fitPending = true;
        QTimer::singleShot(0, this, &ListView::fitColumns);
    }
}

ListItem* ListView::rowAt(int index) const
{
    return static_cast<ListItem*>(topLevelItem(index));
}

ListItem* ListView::selectedRow() const
{
    const auto selected = selectedItems();
    if (!selected.isEmpty())
        return static_cast<ListItem*>(selected.first());
    return static_cast<ListItem*>(currentItem());
}

void ListView::selectRow(ListItem* item)
{
    if (!item)
        return;
    setCurrentItem(item);
    item->setSelected(true);
    scrollToItem(item);
}

void ListView::sortBy(int column, bool ascending)
{
    if (topLevelItemCount() < 2)
        return;
    QTreeWidgetItem* current = currentItem();
    const bool currentSelected = current && current->isSelected();
    setUpdatesEnabled(false);
    const bool blocked = blockSignals(true); // the rows only change places
    QList<QTreeWidgetItem*> items = invisibleRootItem()->takeChildren();
    std::stable_sort(items.begin(), items.end(), [&](const QTreeWidgetItem* a, const QTreeWidgetItem* b) {
        return CompareRows(m_kind, static_cast<const ListItem*>(a)->row(),
                           static_cast<const ListItem*>(b)->row(), column, ascending) < 0;
    });
    addTopLevelItems(items);
    if (current) {
        setCurrentItem(current);
        current->setSelected(currentSelected);
    }
    blockSignals(blocked);
    setUpdatesEnabled(true);
    if (current)
        scrollToItem(current);
}

void ListView::sortDefault()
{
    sortBy(DefaultSortColumn(m_kind), true);
}

void ListView::headerClicked(int column)
{
    if (!SortsOnHeaderClick(m_kind))
        return;
    m_sort.headerClicked(column);
    sortBy(m_sort.column, m_sort.ascending);
    showSortIndicator();
}

void ListView::showSortIndicator()
{
    header()->setSortIndicatorShown(true);
    header()->setSortIndicator(m_sort.column, m_sort.ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

int ListView::removeDisc(int machine, int slot)
{
    int removed = 0;
    for (int i = topLevelItemCount() - 1; i >= 0; --i) {
        const ListRow& row = rowAt(i)->row();
        if (row.isDisc() && row.machine == machine && row.slot == slot) {
            QTreeWidgetItem* item = takeTopLevelItem(i);
            if (item == m_editing)
                m_editing = nullptr;
            delete item;
            ++removed;
        }
    }
    return removed;
}

void ListView::setDragSource(std::optional<DragSource> source)
{
    m_dragSource = source;
    setDragEnabled(source.has_value());
    setDragDropMode(source ? QAbstractItemView::DragOnly : QAbstractItemView::NoDragDrop);
    setDefaultDropAction(Qt::CopyAction);
}

void ListView::startCaptionEdit(ListItem* item)
{
    if (!item)
        return;
    // Flags first: changing them reports the item as changed.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_editing = item;
    m_editingText = item->text(0);
    if (isVisible())
        editItem(item, 0);
    else
        emit editInCompanion(item);
}

void ListView::onItemChanged(QTreeWidgetItem* item, int column)
{
    // Only a new caption ends the edit; other changes to the item (its flags) do not.
    if (column != 0 || item != m_editing || item->text(0) == m_editingText)
        return;
    m_editing = nullptr;
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    // Reported once the editor has closed: the handler may refill the list.
    const QString text = item->text(0);
    QTimer::singleShot(0, this, [this, item, text] {
        if (indexOfTopLevelItem(item) >= 0)
            emit captionEdited(static_cast<ListItem*>(item), text);
    });
}

void ListView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidget::closeEditor(editor, hint);
    if (m_editing) {
        m_editing->setFlags(m_editing->flags() & ~Qt::ItemIsEditable);
        m_editing = nullptr;
    }
}

QMimeData* ListView::mimeData(const QList<QTreeWidgetItem*>& items) const
{
    if (!m_dragSource)
        return nullptr;
    DragPayload payload;
    payload.source = *m_dragSource;
    for (const QTreeWidgetItem* item : items) {
        const ListRow& row = static_cast<const ListItem*>(item)->row();
        DraggedItem dragged;
        dragged.isCategory = row.kind == RowKind::Category;
        dragged.categoryEntry = row.categoryEntry;
        dragged.machine = row.machine;
        dragged.slot = row.slot;
        if (dragged.isCategory || row.isDisc())
            payload.items.push_back(dragged);
    }
    if (payload.items.empty())
        return nullptr;
    return payload.toMimeData();
}

QStringList ListView::mimeTypes() const
{
    return {QString::fromLatin1(DragPayload::mimeType())};
}

Qt::DropActions ListView::supportedDropActions() const
{
    // Rows are never moved out of a list by a drag; the drop decides what changes.
    return Qt::CopyAction;
}

void ListView::keyPressEvent(QKeyEvent* event)
{
    m_pressed.actsOn(*event);
    QTreeWidget::keyPressEvent(event);
}

void ListView::keyReleaseEvent(QKeyEvent* event)
{
    QTreeWidget::keyReleaseEvent(event);
    if (m_pressed.actsOn(*event))
        emit rowKeyReleased(selectedRow(), event->key());
}

void ListView::focusOutEvent(QFocusEvent* event)
{
    m_pressed.actsOn(*event);
    QTreeWidget::focusOutEvent(event);
}

ListPane::ListPane(ListKind kind, const char* name, QWidget* parent) : QStackedWidget(parent)
{
    m_list = new ListView(kind, this);
    m_list->setObjectName(QString::fromLatin1(name));
    m_companion = new QListView(this);
    m_companion->setObjectName(QString::fromLatin1(name) + QStringLiteral("_Icons"));
    m_companion->setModel(m_list->model());
    m_companion->setSelectionModel(m_list->selectionModel());
    m_companion->setModelColumn(0);
    m_companion->setMovement(QListView::Static);
    m_companion->setResizeMode(QListView::Adjust);
    m_companion->setWrapping(true);
    // Every item its own size: titles are not cut to the first item's width.
    m_companion->setUniformItemSizes(false);
    m_companion->setLayoutMode(QListView::Batched);
    m_companion->setItemDelegate(new CompanionDelegate(m_companion));
    m_companion->setTextElideMode(Qt::ElideRight);
    m_companion->setSelectionMode(QAbstractItemView::SingleSelection);
    m_companion->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_companion->setContextMenuPolicy(Qt::CustomContextMenu);
    m_companion->setDragDropMode(QAbstractItemView::DragOnly);
    m_companion->setDefaultDropAction(Qt::CopyAction);
    m_companion->installEventFilter(this);
    addWidget(m_list);
    addWidget(m_companion);
    setCurrentIndex(0);

    connect(m_companion, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
        if (ListItem* item = itemAt(index))
            emit m_list->rowClicked(item);
    });
    connect(m_companion, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (ListItem* item = itemAt(index))
            emit m_list->rowDoubleClicked(item);
    });
    connect(m_companion, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        emit m_list->rowMenuRequested(itemAt(m_companion->indexAt(pos)),
                                      m_companion->viewport()->mapToGlobal(pos));
    });
    connect(m_list, &ListView::editInCompanion, this,
            [this](ListItem* item) { m_companion->edit(m_list->indexFromItem(item, 0)); });
}

void ListPane::setViewMode(int mode)
{
    m_mode = mode;
    if (mode == 1 || mode == 2) {
        const bool iconsMode = mode == 2;
        m_companion->setViewMode(iconsMode ? QListView::IconMode : QListView::ListMode);
        m_companion->setFlow(iconsMode ? QListView::LeftToRight : QListView::TopToBottom);
        m_companion->setWrapping(true);
        m_companion->setIconSize(iconsMode ? QSize(32, 32) : QSize(16, 16));
        // An icon's title wraps onto up to three lines under it, each some eighteen average
        // characters wide (from the list's font, so a larger font or scale keeps the room).
        const QFontMetrics metrics = m_companion->fontMetrics();
        const QSize grid(metrics.averageCharWidth() * kIconTitleChars,
                         32 + metrics.lineSpacing() * kIconTitleLines + metrics.height());
        m_companion->setGridSize(iconsMode ? grid : QSize());
        m_companion->setSpacing(iconsMode ? 0 : 2);
        m_companion->setWordWrap(iconsMode);
        m_companion->setMovement(QListView::Static);
        m_companion->setDragEnabled(m_list->dragEnabled());
        setCurrentWidget(m_companion);
    } else {
        m_mode = 0;
        setCurrentWidget(m_list);
    }
}

void ListPane::changeEvent(QEvent* event)
{
    QStackedWidget::changeEvent(event);
    // The icons' grid is measured in the font's characters.
    if (event->type() == QEvent::FontChange && m_mode != 0)
        setViewMode(m_mode);
}

bool ListPane::hasListFocus() const
{
    return m_list->hasFocus() || m_companion->hasFocus();
}

QAbstractItemView* ListPane::shownView() const
{
    return m_mode == 0 ? static_cast<QAbstractItemView*>(m_list) : m_companion;
}

bool ListPane::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_companion && m_companionKeys.actsOn(*event))
        emit m_list->rowKeyReleased(m_list->selectedRow(), static_cast<QKeyEvent*>(event)->key());
    return QStackedWidget::eventFilter(watched, event);
}

ListItem* ListPane::itemAt(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<ListItem*>(m_list->itemFromIndex(index)) : nullptr;
}

} // namespace kavro
