// The explorer's tree on a QTreeWidget. Each node holds its item's reference (as ItemRef, outside the
// widget), so that the items go in this adapter's order, children first, whatever Qt deletes when. A
// node's handle is a number never used again, so a stale handle names no node instead of a new one.
#pragma once

#include <QObject>
#include <QPointer>
#include <QTreeWidget>
#include <unordered_map>
#include <vector>

#include "items/control_views.h"
#include "items/explorer_item.h"
#include "items/item_ref.h"

namespace vendrel::ui {

class QtTreeView : public QObject, public TreeView {
 public:
  explicit QtTreeView(QTreeWidget* widget);
  ~QtTreeView() override;

  TreeNodeHandle InsertNode(TreeNodeHandle parent, const std::string& text, int image,
                            ExplorerItem* item) override;
  bool SetNode(TreeNodeHandle node, const std::string& text, int image, ExplorerItem* item) override;
  bool DeleteNode(TreeNodeHandle node) override;
  void DeleteChildren(TreeNodeHandle node) override;
  bool SelectNode(TreeNodeHandle node) override;
  bool ExpandNode(TreeNodeHandle node) override;
  void ShowExpanded(const std::vector<TreeNodeHandle>& deepestFirst) override;
  TreeNodeHandle FirstChild(TreeNodeHandle node) const override;
  TreeNodeHandle NextSibling(TreeNodeHandle node) const override;
  TreeNodeHandle ParentNode(TreeNodeHandle node) const override;
  ExplorerItem* ItemOf(TreeNodeHandle node) const override;
  TreeNodeHandle Selected() const override;
  bool IsExpanded(TreeNodeHandle node) const override;

  QTreeWidgetItem* WidgetItem(TreeNodeHandle node) const;
  TreeNodeHandle HandleOf(const QTreeWidgetItem* item) const;

 private:
  struct Node {
    QTreeWidgetItem* widgetItem;
    ItemRef<ExplorerItem> item;
  };

  void OnExpanded(QTreeWidgetItem* widgetItem);
  void OnCurrentChanged(QTreeWidgetItem* current);
  // Forgets the nodes of the subtree at widgetItem (itself included when withRoot), deepest first,
  // releasing their items; true when the selected node was among them.
  bool Forget(QTreeWidgetItem* widgetItem, bool withRoot);
  QTreeWidgetItem* Container(TreeNodeHandle node) const;

  QPointer<QTreeWidget> widget_;
  std::unordered_map<TreeNodeHandle, Node> nodes_;
  TreeNodeHandle next_ = 1;
  // While the adapter itself changes the widget, the widget's signals are not the user's.
  bool quiet_ = false;
  // The last sibling step, so that walking a node's children costs one step per child.
  mutable const QTreeWidgetItem* lastSibling_ = nullptr;
  mutable int lastSiblingIndex_ = 0;
};

}  // namespace vendrel::ui
