// Drives an explorer window held in memory as a user clicking through it would: select a node (the
// window explores it, which expands it), expand it, read the list, then go into each child.
#pragma once

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controllers/explorer_controller.h"
#include "items/in_memory_controls.h"

namespace vendrel {

struct WalkedNode {
  int level;
  std::string caption;
  int image;
  // The node's list rows, callback rows answered by their items; empty when it was not followed.
  std::vector<ColumnTexts> rows;
};

class ExplorerWalk {
 public:
  // explorer drives tree and list.
  ExplorerWalk(ExplorerController& explorer, InMemoryTreeView& tree, InMemoryListView& list, int maxDepth)
      : explorer_(explorer), tree_(tree), list_(list), maxDepth_(maxDepth) {}

  // Calls visit for every node below and including the explorer's root, parents before children. A node that
  // stands for the same structure as one of its ancestors (a loop in the file), or one whose structure was
  // already followed too often (nodes shared in a damaged file), is visited but not followed; neither are
  // nodes at maxDepth.
  void Walk(const std::function<void(const WalkedNode&)>& visit);

  int notFollowed() const { return notFollowed_; }

 private:
  // The walk keeps a session open on every database it enters, so that the items' own sessions nest in
  // it: a walk of ten thousand messages would otherwise take and give back the lock a million times.
  void KeepSessionFor(ExplorerItem& item);

  ExplorerController& explorer_;
  InMemoryTreeView& tree_;
  InMemoryListView& list_;
  int maxDepth_;
  std::map<std::string, int> followed_;
  int notFollowed_ = 0;
  std::map<std::string, std::unique_ptr<DbStore>> sessions_;
};

}  // namespace vendrel
