// The explorer's tree items: reference-counted objects that each stand for one structure of a database
// and answer the same virtual operations, called when a node expands or is selected, when the list asks
// for the texts of a row, and for the menu commands. Operations return true for success; the window
// turns a false into its status line.
#pragma once

#include <array>
#include <atomic>
#include <string>

#include "items/control_views.h"
#include "items/item_ref.h"
#include "store/db_store.h"

namespace vendrel {

class ExplorerItem {
 public:
  explicit ExplorerItem(ExplorerItem* parent);
  ExplorerItem(const ExplorerItem&) = delete;
  ExplorerItem& operator=(const ExplorerItem&) = delete;

  // The operations, in the order of the design's slots.
  virtual bool CreateFolder(const std::string* name);
  virtual bool Expand() = 0;
  virtual bool Explore() = 0;
  virtual bool GetDisplayInfo(DisplayInfo& info) = 0;
  virtual bool IsCommandEnabled(int command) = 0;
  virtual int GetImage() { return image; }
  virtual bool Preview(const std::string& directory);
  virtual bool Refresh();
  virtual bool Save();
  virtual bool SaveAs();
  virtual bool SaveDefault(const std::string& directory, bool showMessages);
  virtual void OnFinalRelease() {}
  virtual ListView* GetListView() { return nullptr; }
  virtual TreeView* GetTreeView() { return nullptr; }

  int AddRef();
  // The last release runs OnFinalRelease and deletes the item.
  int Release();

  // Walks up the parents to the first item that answers.
  ListView* FindListView();
  TreeView* FindTreeView();

  // Inserts this item's node under its parent's node with a placeholder child, so that the tree offers
  // to expand it; or, with update, relabels the existing node and expands (and explores) it again.
  TreeNodeHandle InsertTreeNode(bool update);
  void DeleteTreeChildren();
  // Appends a callback row for this item to the list; the row holds a reference.
  int AddListRow(ListView* list);
  // Fills the list with a callback row per child node of this item.
  void ListChildren();
  void ShowNotImplemented();
  void ShowStatusCaption();

  // Items alive in this process: for leak checks.
  static int LiveCount();

  // Why the last operation that returned false failed, in words for the status line; empty when it does
  // not know. The window clears it before each operation.
  std::string failure;

  TreeNodeHandle hTreeItem = kTreeRoot;
  int image = 0;
  ExplorerItem* parent;
  std::string caption;
  std::atomic<int> refCount{1};

 protected:
  // Only the last Release ends an item (see MakeItem).
  virtual ~ExplorerItem();

  // For items that answer GetListView, GetTreeView and GetDatabasePath (the database roots): the walks
  // up the parents ask only such items, so that a chain thousands of levels deep (a long text chain)
  // costs no more to walk than the roots above it.
  void AnswerForDescendants() { anchor_ = this; }
  // The nearest item at or above this one that answers; the walks go from anchor to anchor.
  ExplorerItem* anchor() const { return anchor_; }
  static ExplorerItem* NextAnchor(const ExplorerItem* item) {
    return item->parent != nullptr ? item->parent->anchor_ : nullptr;
  }

 private:
  ExplorerItem* anchor_;
};

// An item that stands for a structure at a relative address of a database file.
class DbItem : public ExplorerItem {
 public:
  DbItem(ExplorerItem* parent, uint32_t ra) : ExplorerItem(parent), ra(ra) {}

  // Only the database root answers; every other item finds the path through its parents.
  virtual const std::string* GetDatabasePath() { return nullptr; }
  const std::string* FindDatabasePath();
  // Opens a session on the database this item belongs to; no item keeps one open between operations.
  bool OpenStore(DbStore& store);
  // Says that the structure this item stands for is damaged; false, for the caller to return.
  bool NotValid(const char* structure);

  const uint32_t ra;

 protected:
  ~DbItem() override = default;
};

inline constexpr const char* kPlaceholderText = "__Delete me!";

// Makes an item and shows it: load (one of the Load... calls, with show set) puts it into the tree, whose
// node holds it from then on. One that does not load is released. The item when shown, else null.
template <class Item, class Load, class... Args>
Item* ShowNewItem(Load&& load, Args&&... args) {
  ItemRef<Item> item = MakeItem<Item>(std::forward<Args>(args)...);
  return load(*item) ? item.Take() : nullptr;
}

// Answers the list's question about a callback row from the row's four column texts.
bool AnswerDisplayInfo(DisplayInfo& info, int image, const std::array<std::string, 4>& columns);

// Row helpers of every Explore.
int InsertRow(ListView* list, int row, const std::string& text, int image);
void SetRowText(ListView* list, int row, int column, const std::string& text);
// A plain row with image 3: Name, RA, Value and Decsription.
int AppendFieldRow(ListView* list, const std::string& name, const std::string& ra, const std::string& value,
                   const std::string& description);

}  // namespace vendrel
