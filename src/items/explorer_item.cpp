#include "items/explorer_item.h"

#include "items/image_indexes.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

namespace {

std::atomic<int> liveItems{0};

}  // namespace

ExplorerItem::ExplorerItem(ExplorerItem* parent)
    : parent(parent), anchor_(parent != nullptr ? parent->anchor_ : this) {
  ++liveItems;
}

ExplorerItem::~ExplorerItem() {
  --liveItems;
}

int ExplorerItem::LiveCount() {
  return liveItems;
}

bool ExplorerItem::CreateFolder(const std::string*) {
  ShowNotImplemented();
  return false;
}

bool ExplorerItem::Preview(const std::string&) {
  ShowNotImplemented();
  return false;
}

bool ExplorerItem::Refresh() {
  ShowNotImplemented();
  return false;
}

bool ExplorerItem::Save() {
  ShowNotImplemented();
  return false;
}

bool ExplorerItem::SaveAs() {
  ShowNotImplemented();
  return false;
}

bool ExplorerItem::SaveDefault(const std::string&, bool) {
  ShowNotImplemented();
  return false;
}

int ExplorerItem::AddRef() {
  return ++refCount;
}

int ExplorerItem::Release() {
  const int count = --refCount;
  if (count != 0) return count;
  OnFinalRelease();
  delete this;
  return 0;
}

ListView* ExplorerItem::FindListView() {
  for (ExplorerItem* item = anchor_; item != nullptr; item = NextAnchor(item)) {
    if (ListView* list = item->GetListView()) return list;
  }
  return nullptr;
}

TreeView* ExplorerItem::FindTreeView() {
  for (ExplorerItem* item = anchor_; item != nullptr; item = NextAnchor(item)) {
    if (TreeView* tree = item->GetTreeView()) return tree;
  }
  return nullptr;
}

const std::string* DbItem::FindDatabasePath() {
  for (ExplorerItem* item = anchor(); item != nullptr; item = NextAnchor(item)) {
    auto* dbItem = dynamic_cast<DbItem*>(item);
    if (dbItem == nullptr) continue;
    if (const std::string* path = dbItem->GetDatabasePath()) return path;
  }
  return nullptr;
}

bool DbItem::OpenStore(DbStore& store) {
  const std::string* path = FindDatabasePath();
  if (path != nullptr && store.Open(*path)) return true;
  failure = path != nullptr ? *path + ": " + store.DescribeFailure() : "the item belongs to no database";
  return false;
}

bool DbItem::NotValid(const char* structure) {
  failure = Format("the %s at %08X is not valid", structure, ra);
  return false;
}

TreeNodeHandle ExplorerItem::InsertTreeNode(bool update) {
  TreeView* tree = FindTreeView();
  ListView* list = FindListView();
  if (tree == nullptr || list == nullptr) return kNoTreeNode;
  if (!update) {
    const TreeNodeHandle under = parent != nullptr ? parent->hTreeItem : kTreeRoot;
    hTreeItem = tree->InsertNode(under, caption, image, this);
    if (hTreeItem == kNoTreeNode) return kNoTreeNode;
    tree->InsertNode(hTreeItem, kPlaceholderText, kImagePlaceholder, nullptr);
    return hTreeItem;
  }
  // An item that was never given a node (a temporary one) has nothing to update, and its marker would
  // name the whole top level.
  if (hTreeItem == kTreeRoot) return kNoTreeNode;
  tree->SetNode(hTreeItem, caption, image, this);
  const bool selected = tree->Selected() == hTreeItem;
  if (selected) list->DeleteAllRows();
  Expand();
  if (selected) Explore();
  return hTreeItem;
}

void ExplorerItem::DeleteTreeChildren() {
  TreeView* tree = FindTreeView();
  if (tree == nullptr || hTreeItem == kTreeRoot) return;  // never inserted: no children of its own
  // The list shows the selected node's children: when that node is about to go, its rows go first, so
  // that no row outlives the items its item finds its way through.
  for (TreeNodeHandle above = tree->ParentNode(tree->Selected()); above != kNoTreeNode;
       above = tree->ParentNode(above)) {
    if (above != hTreeItem) continue;
    if (ListView* list = FindListView()) list->DeleteAllRows();
    break;
  }
  tree->DeleteChildren(hTreeItem);
}

int ExplorerItem::AddListRow(ListView* list) {
  if (list == nullptr) return -1;
  return list->InsertCallbackRow(list->RowCount(), this);
}

void ExplorerItem::ListChildren() {
  ListView* list = FindListView();
  if (list != nullptr) list->DeleteAllRows();
  TreeView* tree = FindTreeView();
  if (tree == nullptr) return;
  const TreeNodeHandle selected = tree->Selected();
  ExplorerItem* selectedItem = tree->ItemOf(selected);  // none when nothing is selected
  if (selectedItem == nullptr) return;
  if (!tree->IsExpanded(selected)) selectedItem->Expand();
  for (TreeNodeHandle child = tree->FirstChild(hTreeItem); child != kNoTreeNode;
       child = tree->NextSibling(child)) {
    ExplorerItem* item = tree->ItemOf(child);
    if (item == nullptr) return;
    item->AddListRow(list);
  }
}

void ExplorerItem::ShowNotImplemented() {
  CurrentDesktop().ShowMessage(Format("Sorry, not implemented now for %s!", caption.c_str()),
                               "Can't do it...");
}

void ExplorerItem::ShowStatusCaption() {
  SetStatusText(caption);
}

bool AnswerDisplayInfo(DisplayInfo& info, int image, const std::array<std::string, 4>& columns) {
  if (info.column == DisplayInfo::kAllColumns) {
    for (size_t column = 0; column < columns.size(); ++column) {
      info.SetText(columns[column]);
      info.columns[column] = std::move(info.text);
    }
    if (info.WantsImage()) info.image = image;
    info.allAnswered = true;
    return true;
  }
  if (info.column < 0 || info.column >= static_cast<int>(columns.size())) return true;
  if (info.WantsText()) info.SetText(columns[static_cast<size_t>(info.column)]);
  if (info.column == 0 && info.WantsImage()) info.image = image;
  return true;
}

int InsertRow(ListView* list, int row, const std::string& text, int image) {
  return list != nullptr ? list->InsertRow(row, text, image) : -1;
}

void SetRowText(ListView* list, int row, int column, const std::string& text) {
  if (list != nullptr) list->SetRowText(row, column, text);
}

int AppendFieldRow(ListView* list, const std::string& name, const std::string& ra, const std::string& value,
                   const std::string& description) {
  if (list == nullptr) return -1;
  const int row = InsertRow(list, list->RowCount(), name, kImageFieldRow);
  if (row < 0) return -1;
  SetRowText(list, row, 1, ra);
  SetRowText(list, row, 2, value);
  SetRowText(list, row, 3, description);
  return row;
}

}  // namespace vendrel
