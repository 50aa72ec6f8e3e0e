#include "views/mainwindow/NavigationTree.h"

#include "catalogue/records/CategoryTree.h"
#include "views/lists/BuildDiscNodes.h"
#include "views/mainwindow/Icons.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QTimer>

#include <unordered_set>

namespace kavro {

namespace {

constexpr int NodeRole = Qt::UserRole + 1;
constexpr int IconRole = Qt::UserRole + 2;

enum class NodeIcon { None, Category, Disc, EmptyDisc, Folder, SearchTab };

NodeIcon iconOf(const TreeNode& node)
{
    if (node.isTop() || node.isCategory())
        return NodeIcon::Category;
    if (node.isDisc())
        return node.image == DiscContentImage ? NodeIcon::Disc : NodeIcon::EmptyDisc;
    if (node.kind == NodeKind::SearchTab)
        return NodeIcon::SearchTab;
    if (!node.hasData())
        return NodeIcon::Folder;
    return NodeIcon::None;
}

QIcon iconFor(NodeIcon icon)
{
    switch (icon) {
    case NodeIcon::Category:
        return icons::category();
    case NodeIcon::Disc:
        return icons::disc(true);
    case NodeIcon::EmptyDisc:
        return icons::disc(false);
    case NodeIcon::Folder:
        return icons::folder();
    case NodeIcon::SearchTab:
        return icons::searchTab();
    case NodeIcon::None:
        break;
    }
    return {};
}

const TreeNode* keyOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<const TreeNode*>(item->data(0, NodeRole).value<quintptr>()) : nullptr;
}

void detach(QTreeWidgetItem* item, QTreeWidgetItem* root)
{
    if (QTreeWidgetItem* parent = item->parent())
        parent->removeChild(item);
    else if (item->treeWidget())
        root->removeChild(item);
}

} // namespace

NavigationTree::NavigationTree(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setDragEnabled(true);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    setDropIndicatorShown(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::CopyAction);
    showWholeItems(*this);

    connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!m_syncing)
            emit nodeClicked(nodeOf(item));
    });
    connect(this, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item, int) {
        if (!m_syncing)
            emit nodeDoubleClicked(nodeOf(item));
    });
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        QTreeWidgetItem* item = itemAt(pos);
        if (item)
            setCurrentItem(item);
        emit nodeMenuRequested(nodeOf(item), viewport()->mapToGlobal(pos));
    });
    connect(this, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int column) {
        // Only a new text ends the edit; other changes to the item (its flags) do not.
        if (m_syncing || column != 0 || item != m_editing || item->text(0) == m_editingText)
            return;
        m_editing = nullptr;
        item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        // Reported once the editor has closed: the handler may move the node.
        TreeNode* node = nodeOf(item);
        const QString text = item->text(0);
        QTimer::singleShot(0, this, [this, node, text] {
            if (node && m_items.count(node))
                emit nodeEdited(node, text);
        });
    });
}

void NavigationTree::showWholeItems(QTreeView& tree)
{
    tree.setTextElideMode(Qt::ElideNone);
    tree.setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    tree.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    tree.header()->setStretchLastSection(false);
    tree.header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

void NavigationTree::setSource(const CategoryTree* tree)
{
    m_source = tree;
    sync();
}

TreeNode* NavigationTree::nodeOf(const QTreeWidgetItem* item) const
{
    return const_cast<TreeNode*>(keyOf(item));
}

QTreeWidgetItem* NavigationTree::itemOf(const TreeNode* node) const
{
    const auto it = m_items.find(node);
    return it == m_items.end() ? nullptr : it->second;
}

TreeNode* NavigationTree::currentNode() const
{
    return nodeOf(currentItem());
}

void NavigationTree::selectNode(const TreeNode* node)
{
    if (QTreeWidgetItem* item = itemOf(node)) {
        setCurrentItem(item);
        item->setSelected(true);
        scrollToItem(item);
    }
}

void NavigationTree::startEditing(TreeNode* node)
{
    QTreeWidgetItem* item = itemOf(node);
    if (!item)
        return;
    // Flags first: changing them reports the item as changed.
    item->setFlags(item->flags() | Qt::ItemIsEditable);
    m_editing = item;
    m_editingText = item->text(0);
    setCurrentItem(item);
    editItem(item, 0);
}

void NavigationTree::sync()
{
    m_syncing = true;
    std::unordered_set<const TreeNode*> expanded;
    for (const auto& [node, item] : m_items) {
        if (item->isExpanded())
            expanded.insert(node);
    }
    const TreeNode* current = keyOf(currentItem());
    if (m_editing && !m_items.count(keyOf(m_editing)))
        m_editing = nullptr;

    ItemMap old;
    old.swap(m_items);
    std::vector<QTreeWidgetItem*> orphans;
    if (m_source) {
        const auto& tops = m_source->topNodes();
        for (std::size_t i = 0; i < tops.size(); ++i)
            placeChild(invisibleRootItem(), static_cast<int>(i), *tops[i], old, orphans);
        QTreeWidgetItem* root = invisibleRootItem();
        while (root->childCount() > static_cast<int>(tops.size()))
            orphans.push_back(root->takeChild(static_cast<int>(tops.size())));
    } else {
        while (invisibleRootItem()->childCount() > 0)
            orphans.push_back(invisibleRootItem()->takeChild(0));
    }
    for (QTreeWidgetItem* orphan : orphans) {
        // Items taken over by other nodes have a place again; the rest belonged to gone nodes.
        if (!orphan->parent() && !orphan->treeWidget()) {
            // The item being edited goes with it when it is the orphan or lies below it.
            for (const QTreeWidgetItem* up = m_editing; up; up = up->parent()) {
                if (up == orphan) {
                    m_editing = nullptr;
                    break;
                }
            }
            delete orphan;
        }
    }
    for (const auto& [node, item] : m_items) {
        if (expanded.count(node) && !item->isExpanded())
            item->setExpanded(true);
    }
    if (current && currentItem() == nullptr) {
        if (QTreeWidgetItem* item = itemOf(current))
            setCurrentItem(item);
    }
    m_syncing = false;
}

QTreeWidgetItem* NavigationTree::placeChild(QTreeWidgetItem* parentItem, int index, const TreeNode& node,
                                            ItemMap& old, std::vector<QTreeWidgetItem*>& orphans)
{
    QTreeWidgetItem* item = nullptr;
    const bool isNew = [&] {
        const auto it = old.find(&node);
        if (it == old.end())
            return true;
        item = it->second;
        old.erase(it);
        return false;
    }();
    if (isNew) {
        item = new QTreeWidgetItem;
        item->setData(0, NodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    }
    m_items[&node] = item;
    decorate(item, node);
    if (isNew) {
        // A new subtree is put together before it joins the tree, in one insertion.
        reconcile(item, &node, old, orphans);
    }
    if (parentItem->child(index) != item) {
        detach(item, invisibleRootItem());
        parentItem->insertChild(index, item);
    }
    if (!isNew)
        reconcile(item, &node, old, orphans);
    return item;
}

void NavigationTree::reconcile(QTreeWidgetItem* parentItem, const TreeNode* parentNode, ItemMap& old,
                               std::vector<QTreeWidgetItem*>& orphans)
{
    const auto& children = parentNode->children();
    for (std::size_t i = 0; i < children.size(); ++i)
        placeChild(parentItem, static_cast<int>(i), *children[i], old, orphans);
    while (parentItem->childCount() > static_cast<int>(children.size()))
        orphans.push_back(parentItem->takeChild(static_cast<int>(children.size())));
}

void NavigationTree::decorate(QTreeWidgetItem* item, const TreeNode& node) const
{
    item->setData(0, NodeRole, QVariant::fromValue(reinterpret_cast<quintptr>(&node)));
    const QString text = QString::fromStdString(node.text);
    if (item->text(0) != text)
        item->setText(0, text);
    const int icon = static_cast<int>(iconOf(node));
    if (item->data(0, IconRole).toInt() != icon || !item->data(0, IconRole).isValid()) {
        item->setData(0, IconRole, icon);
        item->setIcon(0, iconFor(static_cast<NodeIcon>(icon)));
    }
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (node.isCategory() || node.isDisc())
        flags |= Qt::ItemIsDragEnabled;
    if (node.isCategory() || node.top == TopNode::CategoryRoot)
        flags |= Qt::ItemIsDropEnabled;
    if (item == m_editing)
        flags |= Qt::ItemIsEditable;
    if (item->flags() != flags)
        item->setFlags(flags);
}

QMimeData* NavigationTree::mimeData(const QList<QTreeWidgetItem*>& items) const
{
    DragPayload payload;
    payload.source = DragSource::CategoryTree;
    for (const QTreeWidgetItem* item : items) {
        const TreeNode* node = keyOf(item);
        if (!node || (!node->isCategory() && !node->isDisc()))
            continue;
        DraggedItem dragged;
        dragged.isCategory = node->isCategory();
        dragged.categoryEntry = node->isCategory() ? node->entry : -1;
        dragged.machine = node->machine;
        dragged.slot = node->slot;
        payload.items.push_back(dragged);
    }
    if (payload.items.empty())
        return nullptr;
    return payload.toMimeData();
}

QStringList NavigationTree::mimeTypes() const
{
    return {QString::fromLatin1(DragPayload::mimeType())};
}

Qt::DropActions NavigationTree::supportedDropActions() const
{
    // Nothing leaves its source by the drag itself; the drop handler moves the nodes.
    return Qt::CopyAction;
}

TreeNode* NavigationTree::dropTarget(const QPoint& pos, const QMimeData* mime) const
{
    const auto payload = DragPayload::fromMimeData(mime);
    TreeNode* target = nodeOf(itemAt(pos));
    if (!payload || !target || !m_dropPolicy || m_syncing || !isEnabled())
        return nullptr;
    return m_dropPolicy->acceptsDrop(*payload, *target) ? target : nullptr;
}

void NavigationTree::dragEnterEvent(QDragEnterEvent* event)
{
    if (DragPayload::fromMimeData(event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void NavigationTree::dragMoveEvent(QDragMoveEvent* event)
{
    QTreeWidget::dragMoveEvent(event); // scrolling and the drop indicator
    if (dropTarget(event->position().toPoint(), event->mimeData())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void NavigationTree::dropEvent(QDropEvent* event)
{
    const QPoint pos = event->position().toPoint();
    TreeNode* target = dropTarget(pos, event->mimeData());
    const auto payload = DragPayload::fromMimeData(event->mimeData());
    if (!target || !payload) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // Handled once the drag has ended: the handler rebuilds items the drag may still hold.
    QTimer::singleShot(0, this, [this, payload = *payload, target] {
        if (m_items.count(target))
            emit payloadDropped(payload, target);
    });
}

void NavigationTree::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTreeWidget::closeEditor(editor, hint);
    // A cancelled edit leaves the tree read-only again as well.
    if (m_editing) {
        m_editing->setFlags(m_editing->flags() & ~Qt::ItemIsEditable);
        m_editing = nullptr;
    }
}

void NavigationTree::keyPressEvent(QKeyEvent* event)
{
    m_pressed.actsOn(*event);
    QTreeWidget::keyPressEvent(event);
}

void NavigationTree::focusOutEvent(QFocusEvent* event)
{
    m_pressed.actsOn(*event);
    QTreeWidget::focusOutEvent(event);
}

void NavigationTree::keyReleaseEvent(QKeyEvent* event)
{
    QTreeWidget::keyReleaseEvent(event);
    if (!m_pressed.actsOn(*event) || m_syncing)
        return;
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        if (TreeNode* node = currentNode())
            emit nodeClicked(node);
    }
}

} // namespace kavro
