// What the item model needs of the tree and the list beside it, and nothing more. The desktop window
// implements these with Qt widgets; vendrel-cli and the tests use the in-memory implementation.
//
// Ownership: a tree node adopts the reference its item had at construction, a callback row takes one of
// its own; deleting a node or a row releases that reference. Implementations hold them as ItemRef and
// release the items below a node before the node's own, so that no item outlives its parent.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "items/row_answer.h"

namespace vendrel {

class ExplorerItem;

using TreeNodeHandle = uint64_t;
// The tree's top level, and what an item's node is before insertion.
inline constexpr TreeNodeHandle kTreeRoot = 0xFFFF0000;
inline constexpr TreeNodeHandle kNoTreeNode = 0;

// The list's question to the item behind a callback row: the text of one column and/or the image. Or,
// with column kAllColumns, the texts of all four at once, for a list that shows whole rows: an item that
// answers so fills columns and sets allAnswered.
struct DisplayInfo {
  static constexpr unsigned kText = 1;
  static constexpr unsigned kImage = 2;
  static constexpr int kAllColumns = -1;

  unsigned mask = kText;
  int column = 0;
  size_t capacity = 260;  // bytes the list offers for the text, terminator included
  std::string text;
  int image = -1;
  std::array<std::string, 4> columns;
  bool allAnswered = false;

  // Stores a text, cut to the capacity (at a character boundary of the UTF-8 text).
  void SetText(std::string value);
  bool WantsText() const { return (mask & kText) != 0; }
  bool WantsImage() const { return (mask & kImage) != 0; }
};

// What the tree tells the window. Changes made through SelectNode and ExpandNode are told too, as a
// user's click would be; DeleteNode tells only that the selected node went.
class TreeEvents {
 public:
  virtual ~TreeEvents() = default;
  // A node is about to show its children; false refuses, and the node stays collapsed.
  virtual bool OnExpanding(TreeNodeHandle node) = 0;
  virtual void OnSelectionChanged(TreeNodeHandle node) = 0;
  // The selected node was deleted; no node is selected now.
  virtual void OnSelectedNodeDeleted() = 0;
};

class TreeView {
 public:
  virtual ~TreeView() = default;

  void SetEvents(TreeEvents* events) { events_ = events; }

  // A new node under parent (kTreeRoot for the top level) after its last child; kNoTreeNode on failure.
  virtual TreeNodeHandle InsertNode(TreeNodeHandle parent, const std::string& text, int image,
                                    ExplorerItem* item) = 0;
  virtual bool SetNode(TreeNodeHandle node, const std::string& text, int image, ExplorerItem* item) = 0;
  // Deletes the node and everything below it, releasing their items.
  virtual bool DeleteNode(TreeNodeHandle node) = 0;
  // Deletes every child of node (kTreeRoot: every node).
  virtual void DeleteChildren(TreeNodeHandle node) = 0;
  // Selects node (kNoTreeNode: none), or expands it, as a click would.
  virtual bool SelectNode(TreeNodeHandle node) = 0;
  virtual bool ExpandNode(TreeNodeHandle node) = 0;
  // Shows these nodes expanded without telling the events: their children are made already. A parent
  // comes after every node below it, so that the view lays out each subtree once.
  virtual void ShowExpanded(const std::vector<TreeNodeHandle>& deepestFirst) = 0;

  // kTreeRoot as node gives the first top-level node. kNoTreeNode when there is none.
  virtual TreeNodeHandle FirstChild(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle NextSibling(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle ParentNode(TreeNodeHandle node) const = 0;
  virtual ExplorerItem* ItemOf(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle Selected() const = 0;
  virtual bool IsExpanded(TreeNodeHandle node) const = 0;

 protected:
  TreeEvents* events() const { return events_; }

 private:
  TreeEvents* events_ = nullptr;
};

class ListView {
 public:
  virtual ~ListView() = default;

  virtual int RowCount() const = 0;
  // A plain row whose Name column is text; the index of the new row, or -1.
  virtual int InsertRow(int index, const std::string& text, int image) = 0;
  // A row whose texts and image are asked of the item when shown; the row takes a reference.
  virtual int InsertCallbackRow(int index, ExplorerItem* item) = 0;
  virtual bool SetRowText(int row, int column, const std::string& text) = 0;
  // Deletes every row, releasing the items of the callback rows.
  virtual void DeleteAllRows() = 0;
  virtual ExplorerItem* ItemOf(int row) const = 0;
  // The four texts of a row as shown; a callback row's item is asked once.
  virtual ColumnTexts RowTexts(int row) = 0;
  // The selected rows in order.
  virtual std::vector<int> SelectedRows() const = 0;
  // The first selected row, -1 for none.
  int SelectedRow() const {
    const std::vector<int> rows = SelectedRows();
    return rows.empty() ? -1 : rows.front();
  }
};

}  // namespace vendrel
