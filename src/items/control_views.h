// What the item model needs of the tree and the list beside it, and nothing more. The desktop window
// implements these with Qt widgets; vendrel-cli and the tests use the in-memory implementation.
//
// Ownership: a tree node adopts the reference its item had at construction, a callback row holds one
// reference taken by the item; deleting a node or a row releases that reference.
#pragma once

#include <cstdint>
#include <string>

namespace vendrel {

class ExplorerItem;

using TreeNodeHandle = uint64_t;
// The tree's top level, and what an item's node is before insertion.
inline constexpr TreeNodeHandle kTreeRoot = 0xFFFF0000;
inline constexpr TreeNodeHandle kNoTreeNode = 0;

// The list's question to the item behind a callback row: the text of one column and/or the image.
struct DisplayInfo {
  static constexpr unsigned kText = 1;
  static constexpr unsigned kImage = 2;

  unsigned mask = kText;
  int column = 0;
  size_t capacity = 260;  // bytes the list offers for the text, terminator included
  std::string text;
  int image = -1;

  // Stores a text, cut to the capacity (at a character boundary of the UTF-8 text).
  void SetText(std::string value);
  bool WantsText() const { return (mask & kText) != 0; }
  bool WantsImage() const { return (mask & kImage) != 0; }
};

class TreeView {
 public:
  virtual ~TreeView() = default;

  // A new node under parent (kTreeRoot for the top level) after its last child; kNoTreeNode on failure.
  virtual TreeNodeHandle InsertNode(TreeNodeHandle parent, const std::string& text, int image,
                                    ExplorerItem* item) = 0;
  virtual bool SetNode(TreeNodeHandle node, const std::string& text, int image, ExplorerItem* item) = 0;
  // Deletes the node and everything below it, releasing their items.
  virtual bool DeleteNode(TreeNodeHandle node) = 0;

  // kTreeRoot as node gives the first top-level node. kNoTreeNode when there is none.
  virtual TreeNodeHandle FirstChild(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle NextSibling(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle ParentNode(TreeNodeHandle node) const = 0;
  virtual ExplorerItem* ItemOf(TreeNodeHandle node) const = 0;
  virtual TreeNodeHandle Selected() const = 0;
  virtual bool IsExpanded(TreeNodeHandle node) const = 0;
};

class ListView {
 public:
  virtual ~ListView() = default;

  virtual int RowCount() const = 0;
  // A plain row whose Name column is text; the index of the new row, or -1.
  virtual int InsertRow(int index, const std::string& text, int image) = 0;
  // A row whose texts and image are asked of the item when shown. Takes no reference itself.
  virtual int InsertCallbackRow(int index, ExplorerItem* item) = 0;
  virtual bool SetRowText(int row, int column, const std::string& text) = 0;
  // Deletes every row, releasing the items of the callback rows.
  virtual void DeleteAllRows() = 0;
  virtual ExplorerItem* ItemOf(int row) const = 0;
};

}  // namespace vendrel
