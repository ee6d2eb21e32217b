#include "items/explorer_walk.h"

#include <algorithm>
#include <typeinfo>

#include "items/explorer_item.h"
#include "platform/status_text.h"

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

void ExplorerWalk::Walk(TreeNodeHandle top, const std::function<void(const WalkedNode&)>& visit) {
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
      // Selecting the node: the window clears the list, shows the caption and explores, which expands
      // the node first. Expanding the selected node afterwards does not call Expand again.
      tree_.Select(node);
      list_.DeleteAllRows();
      item->ShowStatusCaption();
      if (!item->Explore()) SetStatusText(kFailedToExplore);
      tree_.SetExpanded(node, true);
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
