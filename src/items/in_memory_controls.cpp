#include "items/in_memory_controls.h"

#include <algorithm>

namespace vendrel {

InMemoryTreeView::~InMemoryTreeView() {
  DeleteAll();
}

InMemoryTreeView::Node* InMemoryTreeView::Holder(TreeNodeHandle parent) {
  if (parent == kTreeRoot) return &topLevel_;
  const auto it = nodes_.find(parent);
  return it != nodes_.end() ? &it->second : nullptr;
}

const InMemoryTreeView::Node* InMemoryTreeView::Holder(TreeNodeHandle parent) const {
  return const_cast<InMemoryTreeView*>(this)->Holder(parent);
}

TreeNodeHandle InMemoryTreeView::InsertNode(TreeNodeHandle parent, const std::string& text, int image,
                                            ExplorerItem* item) {
  Node* holder = Holder(parent);
  if (holder == nullptr) return kNoTreeNode;
  if (next_ == kTreeRoot) ++next_;
  const TreeNodeHandle node = next_++;
  Node entry{parent, text, image, ItemRef<ExplorerItem>::Adopt(item)};
  entry.previous = holder->lastChild;
  if (holder->lastChild != kNoTreeNode) {
    nodes_.at(holder->lastChild).next = node;
  } else {
    holder->firstChild = node;
  }
  holder->lastChild = node;
  nodes_.emplace(node, std::move(entry));
  return node;
}

bool InMemoryTreeView::SetNode(TreeNodeHandle node, const std::string& text, int image, ExplorerItem* item) {
  const auto it = nodes_.find(node);
  if (it == nodes_.end()) return false;
  // The node keeps the reference it holds: only its own item may be named again.
  if (item != it->second.item.get()) return false;
  it->second.text = text;
  it->second.image = image;
  return true;
}

bool InMemoryTreeView::DeleteNode(TreeNodeHandle node) {
  if (!nodes_.contains(node)) return false;
  bool selectedDeleted = false;
  // Children before their parents: an item may still reach its parent while it goes. Iterative, since a
  // text chain can make a path thousands of nodes deep.
  for (TreeNodeHandle current = node;;) {
    Node& entry = nodes_.at(current);
    if (entry.lastChild != kNoTreeNode) {
      current = entry.lastChild;
      continue;
    }
    const TreeNodeHandle parent = entry.parent;
    ItemRef<ExplorerItem> item = std::move(entry.item);
    Node* holder = Holder(parent);
    if (entry.previous != kNoTreeNode) {
      nodes_.at(entry.previous).next = entry.next;
    } else {
      holder->firstChild = entry.next;
    }
    if (entry.next != kNoTreeNode) {
      nodes_.at(entry.next).previous = entry.previous;
    } else {
      holder->lastChild = entry.previous;
    }
    nodes_.erase(current);
    if (selected_ == current) {
      selected_ = kNoTreeNode;
      selectedDeleted = true;
    }
    item.reset();
    if (current == node) break;
    current = parent;
  }
  if (selectedDeleted && events() != nullptr) events()->OnSelectedNodeDeleted();
  return true;
}

void InMemoryTreeView::DeleteChildren(TreeNodeHandle node) {
  for (const Node* holder = Holder(node); holder != nullptr && holder->firstChild != kNoTreeNode;
       holder = Holder(node)) {  // the table may have moved
    if (!DeleteNode(holder->firstChild)) return;
  }
}

bool InMemoryTreeView::SelectNode(TreeNodeHandle node) {
  if (node != kNoTreeNode && !nodes_.contains(node)) return false;
  if (node == selected_) return true;
  selected_ = node;
  if (events() != nullptr) events()->OnSelectionChanged(node);
  return true;
}

bool InMemoryTreeView::ExpandNode(TreeNodeHandle node) {
  if (!nodes_.contains(node)) return false;
  if (IsExpanded(node)) return true;
  if (events() != nullptr && !events()->OnExpanding(node)) return false;
  SetExpanded(node, true);
  return IsExpanded(node);
}

void InMemoryTreeView::ShowExpanded(const std::vector<TreeNodeHandle>& deepestFirst) {
  for (const TreeNodeHandle node : deepestFirst) SetExpanded(node, true);
}

TreeNodeHandle InMemoryTreeView::FirstChild(TreeNodeHandle node) const {
  const Node* holder = Holder(node);
  return holder != nullptr ? holder->firstChild : kNoTreeNode;
}

TreeNodeHandle InMemoryTreeView::NextSibling(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() ? it->second.next : kNoTreeNode;
}

TreeNodeHandle InMemoryTreeView::ParentNode(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() && it->second.parent != kTreeRoot ? it->second.parent : kNoTreeNode;
}

ExplorerItem* InMemoryTreeView::ItemOf(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() ? it->second.item.get() : nullptr;
}

bool InMemoryTreeView::IsExpanded(TreeNodeHandle node) const {
  const auto it = nodes_.find(node);
  return it != nodes_.end() && it->second.expanded;
}

void InMemoryTreeView::SetExpanded(TreeNodeHandle node, bool expanded) {
  const auto it = nodes_.find(node);
  if (it != nodes_.end()) it->second.expanded = expanded;
}

const std::string& InMemoryTreeView::TextOf(TreeNodeHandle node) const {
  return nodes_.at(node).text;
}

int InMemoryTreeView::ImageOf(TreeNodeHandle node) const {
  return nodes_.at(node).image;
}

std::vector<TreeNodeHandle> InMemoryTreeView::Children(TreeNodeHandle node) const {
  std::vector<TreeNodeHandle> children;
  for (TreeNodeHandle child = FirstChild(node); child != kNoTreeNode; child = NextSibling(child)) {
    children.push_back(child);
  }
  return children;
}

InMemoryListView::~InMemoryListView() {
  DeleteAllRows();
}

int InMemoryListView::InsertRow(int index, const std::string& text, int image) {
  if (index < 0 || index > RowCount()) return -1;
  Row row;
  row.texts[0] = text;
  row.image = image;
  row.answered = true;
  rows_.insert(rows_.begin() + index, std::move(row));
  return index;
}

int InMemoryListView::InsertCallbackRow(int index, ExplorerItem* item) {
  if (index < 0 || index > RowCount() || item == nullptr) return -1;
  Row row;
  row.item = ItemRef<ExplorerItem>::Share(item);
  rows_.insert(rows_.begin() + index, std::move(row));
  return index;
}

bool InMemoryListView::SetRowText(int row, int column, const std::string& text) {
  if (row < 0 || row >= RowCount() || column < 0 || column >= kColumns) return false;
  rows_[static_cast<size_t>(row)].texts[static_cast<size_t>(column)] = text;
  return true;
}

void InMemoryListView::DeleteAllRows() {
  // Taken out first: a release may end an item that asks nothing more of this list.
  std::vector<Row> rows;
  rows.swap(rows_);
  selected_.clear();
}

ExplorerItem* InMemoryListView::ItemOf(int row) const {
  return row >= 0 && row < RowCount() ? rows_[static_cast<size_t>(row)].item.get() : nullptr;
}

void InMemoryListView::Answer(Row& row) {
  if (row.answered) return;
  RowAnswer answer = AnswerRow(*row.item);
  row.answered = true;
  row.texts = std::move(answer.texts);
  row.image = answer.image;
}

ColumnTexts InMemoryListView::RowTexts(int row) {
  if (row < 0 || row >= RowCount()) return {};
  Answer(rows_[static_cast<size_t>(row)]);
  return rows_[static_cast<size_t>(row)].texts;
}

int InMemoryListView::RowImage(int row) {
  if (row < 0 || row >= RowCount()) return -1;
  Answer(rows_[static_cast<size_t>(row)]);
  return rows_[static_cast<size_t>(row)].image;
}

}  // namespace vendrel
