// Tree and list controls held in memory, behaving as the real controls do towards the items and the
// window: deleted nodes and rows release their items, callback rows ask their item for texts when shown
// (and keep the answer), selecting and expanding a node tell the window. Used by vendrel-cli and the tests.
#pragma once

#include <array>
#include <unordered_map>
#include <vector>

#include "items/control_views.h"
#include "items/explorer_item.h"
#include "items/row_answer.h"

namespace vendrel {

class InMemoryTreeView : public TreeView {
 public:
  ~InMemoryTreeView() override;

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
  TreeNodeHandle Selected() const override { return selected_; }
  bool IsExpanded(TreeNodeHandle node) const override;

  // Without telling the window: for tests that drive the items directly.
  void Select(TreeNodeHandle node) { selected_ = node; }
  void SetExpanded(TreeNodeHandle node, bool expanded);
  const std::string& TextOf(TreeNodeHandle node) const;
  int ImageOf(TreeNodeHandle node) const;
  std::vector<TreeNodeHandle> Children(TreeNodeHandle node) const;
  // Deletes every node, as the window does when it closes.
  void DeleteAll() { DeleteChildren(kTreeRoot); }

 private:
  // Siblings are linked both ways, as in the real control: next sibling and deletion cost the same for
  // a node with five thousand siblings as for one with two.
  struct Node {
    TreeNodeHandle parent;
    std::string text;
    int image;
    ItemRef<ExplorerItem> item;
    bool expanded = false;
    TreeNodeHandle firstChild = kNoTreeNode;
    TreeNodeHandle lastChild = kNoTreeNode;
    TreeNodeHandle previous = kNoTreeNode;
    TreeNodeHandle next = kNoTreeNode;
  };

  // The node that holds the child links of parent: the node itself, or the top level.
  Node* Holder(TreeNodeHandle parent);
  const Node* Holder(TreeNodeHandle parent) const;

  std::unordered_map<TreeNodeHandle, Node> nodes_;
  Node topLevel_{kNoTreeNode, {}, 0, {}};
  TreeNodeHandle next_ = 1;
  TreeNodeHandle selected_ = kNoTreeNode;
};

class InMemoryListView : public ListView {
 public:
  static constexpr int kColumns = kListColumns;

  ~InMemoryListView() override;

  int RowCount() const override { return static_cast<int>(rows_.size()); }
  int InsertRow(int index, const std::string& text, int image) override;
  int InsertCallbackRow(int index, ExplorerItem* item) override;
  bool SetRowText(int row, int column, const std::string& text) override;
  void DeleteAllRows() override;
  ExplorerItem* ItemOf(int row) const override;
  ColumnTexts RowTexts(int row) override;
  std::vector<int> SelectedRows() const override { return selected_; }

  void SelectRows(std::vector<int> rows) { selected_ = std::move(rows); }
  int RowImage(int row);

 private:
  struct Row {
    ColumnTexts texts;
    int image = -1;
    ItemRef<ExplorerItem> item;
    bool answered = false;
  };

  void Answer(Row& row);

  std::vector<Row> rows_;
  std::vector<int> selected_;
};

}  // namespace vendrel
