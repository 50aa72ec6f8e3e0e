#pragma once

#include "views/lists/DragPayload.h"
#include "views/mainwindow/PressedKeys.h"
#include "views/mainwindow/TreeDropPolicy.h"

#include <QTreeWidget>

#include <unordered_map>

namespace kavro {

class CategoryTree;
class TreeNode;

// TreeView1: shows the category tree model (categories, discs, the folders opened below discs,
// the search tabs) and reports what the person does to its nodes. The model is the truth: after
// anything changes it, sync() brings the items in line, keeping items, their expansion and the
// current node where the nodes still exist.
class NavigationTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit NavigationTree(QWidget* parent = nullptr);

    // Items show whole: the one column is as wide as the widest item shown, nothing is elided,
    // and a horizontal scroll bar appears when that is wider than the tree (also for TreeView2).
    static void showWholeItems(QTreeView& tree);

    void setSource(const CategoryTree* tree);
    void sync();

    // The node an item shows (valid once synced), and the item of a node.
    TreeNode* nodeOf(const QTreeWidgetItem* item) const;
    QTreeWidgetItem* itemOf(const TreeNode* node) const;
    TreeNode* currentNode() const;
    // Makes the node current and selected, and shows it.
    void selectNode(const TreeNode* node);

    // In-place editing of a node's text; nodeEdited reports the text when accepted.
    void startEditing(TreeNode* node);

    // Who decides whether a payload may be dropped on a node; without one nothing is dropped.
    // The policy must outlive the tree or be cleared first.
    void setDropPolicy(TreeDropPolicy* policy) { m_dropPolicy = policy; }

signals:
    // A click on a node, or an Up or Down key released on it.
    void nodeClicked(kavro::TreeNode* node);
    void nodeDoubleClicked(kavro::TreeNode* node);
    // Right button: the node under the pointer (already selected), or nullptr.
    void nodeMenuRequested(kavro::TreeNode* node, const QPoint& globalPos);
    void nodeEdited(kavro::TreeNode* node, const QString& text);
    void payloadDropped(const kavro::DragPayload& payload, kavro::TreeNode* target);

protected:
    QMimeData* mimeData(const QList<QTreeWidgetItem*>& items) const override;
    QStringList mimeTypes() const override;
    Qt::DropActions supportedDropActions() const override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    using ItemMap = std::unordered_map<const TreeNode*, QTreeWidgetItem*>;
    void reconcile(QTreeWidgetItem* parentItem, const TreeNode* parentNode, ItemMap& old,
                   std::vector<QTreeWidgetItem*>& orphans);
    QTreeWidgetItem* placeChild(QTreeWidgetItem* parentItem, int index, const TreeNode& node, ItemMap& old,
                                std::vector<QTreeWidgetItem*>& orphans);
    void decorate(QTreeWidgetItem* item, const TreeNode& node) const;
    // The node under a drop position that accepts the payload, or nullptr.
    TreeNode* dropTarget(const QPoint& pos, const QMimeData* mime) const;

    const CategoryTree* m_source = nullptr;
    ItemMap m_items;
    TreeDropPolicy* m_dropPolicy = nullptr;
    QTreeWidgetItem* m_editing = nullptr;
    QString m_editingText;
    bool m_syncing = false;
    PressedKeys m_pressed;
};

} // namespace kavro
