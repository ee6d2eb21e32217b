#include "controllers/explorer_walk.h"

#include <algorithm>
#include <typeinfo>

#include "items/db_root_item.h"

namespace vendrel {

namespace {

// A sound file shows one structure in a handful of places (a folder under three index trees and under
// its parent folder); a damaged one whose nodes share children could multiply them without end.
constexpr int kMaxFollowsPerStructure = 8;

// What an item stands for: its kind, its RA and its file.
std::string StructureKey(ExplorerItem& item) {
  auto* dbItem = dynamic_cast<DbItem*>(&item);
  if (dbItem == nullptr) return typeid(item).name();
  const std::string* path = dbItem->FindDatabasePath();
  return std::string(typeid(item).name()) + ":" + std::to_string(dbItem->ra) + ":" + (path ? *path : "");
}

}  // namespace

void ExplorerWalk::KeepSessionFor(ExplorerItem& item) {
  auto* dbItem = dynamic_cast<DbItem*>(&item);
  const std::string* path = dbItem != nullptr ? dbItem->FindDatabasePath() : nullptr;
  if (path == nullptr || sessions_.contains(*path)) return;
  auto session = std::make_unique<DbStore>();
  if (session->Open(*path)) sessions_.emplace(*path, std::move(session));
}

void ExplorerWalk::Walk(const std::function<void(const WalkedNode&)>& visit) {
  const DbRootItem* root = explorer_.Root();
  if (root == nullptr) return;
  const TreeNodeHandle top = root->hTreeItem;
  // An explicit stack, depth first: a chain of thousands of text blocks is a path thousands of levels
  // deep, which must not become as many frames of the program's stack.
  std::vector<std::pair<TreeNodeHandle, int>> pending = {{top, 0}};
  std::vector<std::string> ancestors;  // the keys of the path down to the current node
  std::map<std::string, int> onPath;   // the same, counted, for a look-up that does not grow with depth
  while (!pending.empty()) {
    const auto [node, level] = pending.back();
    pending.pop_back();
    while (ancestors.size() > static_cast<size_t>(level)) {
      if (--onPath[ancestors.back()] == 0) onPath.erase(ancestors.back());
      ancestors.pop_back();
    }

    WalkedNode walked{level, tree_.TextOf(node), tree_.ImageOf(node), {}};
    ExplorerItem* item = tree_.ItemOf(node);
    const std::string key = item != nullptr ? StructureKey(*item) : std::string();
    bool follow = item != nullptr && level < maxDepth_ && !onPath.contains(key);
    if (follow && ++followed_[key] > kMaxFollowsPerStructure) {
      ++notFollowed_;
      follow = false;
    }
    if (follow) {
      KeepSessionFor(*item);
      // Selecting the node explores it, which builds its children too.
      tree_.SelectNode(node);
      for (int row = 0; row < list_.RowCount(); ++row) walked.rows.push_back(list_.RowTexts(row));
    }
    visit(walked);
    if (!follow) continue;
    ancestors.push_back(key);
    ++onPath[key];
    const std::vector<TreeNodeHandle> children = tree_.Children(node);
    for (auto child = children.rbegin(); child != children.rend(); ++child)
      pending.emplace_back(*child, level + 1);
  }
}

}  // namespace vendrel
