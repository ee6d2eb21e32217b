// An explorer window held in memory for the item tests: a temporary directory for the database files,
// a quiet desktop that records what the user was shown, and the tree and list the items fill.
#pragma once

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "controllers/explorer_walk.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "platform/format.h"
#include "platform/status_text.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"

namespace vendrel::testsupport {

using Row = ColumnTexts;
using Strings = std::vector<std::string>;

inline std::string Hex8(uint32_t value) {
  return Format("%08X", value);
}

inline MessageFields Message(uint32_t id, std::string subject = "", std::string text = "",
                           uint32_t blockRoom = 0x200) {
  return {id, std::move(subject), std::move(text), blockRoom};
}

inline FolderFields Folder(uint32_t id, std::string name, uint32_t parentId = 0, std::string fileName = "") {
  return FolderFields{id, parentId, std::move(name), std::move(fileName), true, 0};
}

class ExplorerTest : public testing::Test {
 protected:
  void SetUp() override { liveAtStart_ = ExplorerItem::LiveCount(); }

  // Every test ends as the window does when it closes; no item may outlive that.
  void TearDown() override {
    list.DeleteAllRows();
    tree.DeleteAll();
    SetStatusLineRegistered(false);
    EXPECT_EQ(ExplorerItem::LiveCount(), liveAtStart_) << "items still alive after the controls were cleared";
  }

  // Opens the file as the window does: a new root attached with show set. A test whose file does not
  // open goes no further.
  DbRootItem* Open(const std::string& path) {
    auto* item = ShowNewItem<DbRootItem>(
        [&](DbRootItem& root) { return root.AttachDatabase(path, &tree, &list, true, false); }, nullptr, 0);
    if (item != nullptr) return item;
    throw std::runtime_error("cannot open " + path);
  }

  // Every node below and including the root, as a user who selects each one in turn sees them.
  std::vector<WalkedNode> Walk(DbRootItem* root) {
    std::vector<WalkedNode> nodes;
    if (root != explorer.Root()) ADD_FAILURE() << "the walk starts at the first root";
    ExplorerWalk(explorer, tree, list, 64).Walk([&](const WalkedNode& node) { nodes.push_back(node); });
    return nodes;
  }

  // Selects the item's node, as a click does: the rows as shown.
  std::vector<Row> Select(ExplorerItem* item) {
    if (item == nullptr) {
      ADD_FAILURE() << "no item to select";
      return {};
    }
    tree.Select(item->hTreeItem);
    list.DeleteAllRows();
    EXPECT_TRUE(item->Explore()) << item->caption;
    tree.SetExpanded(item->hTreeItem, true);
    std::vector<Row> rows;
    for (int row = 0; row < list.RowCount(); ++row) rows.push_back(list.RowTexts(row));
    return rows;
  }

  // The item of the first node in tree order whose caption starts with prefix. A test that finds none
  // (or one of another kind) goes no further.
  template <class Item = ExplorerItem>
  Item* Find(const std::string& prefix, TreeNodeHandle under = kTreeRoot) {
    if (auto* found = dynamic_cast<Item*>(Search(prefix, under))) return found;
    throw std::runtime_error("no item " + prefix);
  }
  ExplorerItem* Search(const std::string& prefix, TreeNodeHandle under) const {
    for (const TreeNodeHandle node : tree.Children(under)) {
      if (tree.TextOf(node).starts_with(prefix)) return tree.ItemOf(node);
      if (ExplorerItem* found = Search(prefix, node)) return found;
    }
    return nullptr;
  }

  Strings ChildCaptions(const ExplorerItem* item) const {
    Strings captions;
    for (const TreeNodeHandle node : tree.Children(item->hTreeItem)) captions.push_back(tree.TextOf(node));
    return captions;
  }

  std::vector<int> ChildImages(const ExplorerItem* item) const {
    std::vector<int> images;
    for (const TreeNodeHandle node : tree.Children(item->hTreeItem)) images.push_back(tree.ImageOf(node));
    return images;
  }

  TempDir dir;
  ScopedDesktop desktop;
  InMemoryTreeView tree;
  InMemoryListView list;
  DetachedExplorerWindow window;
  CommandGate gate;
  ExplorerController explorer{window, tree, list, gate, nullptr};

 private:
  int liveAtStart_ = 0;
};

}  // namespace vendrel::testsupport
