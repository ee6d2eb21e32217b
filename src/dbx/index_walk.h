// The one walk of an index tree in tree order, shared by every reader of the trees. It keeps its own
// stack, so a deep tree cannot exhaust the program's, and it visits no more nodes than the file can
// hold, so a damaged tree whose links loop ends the walk instead of the program.
#pragma once

#include <vector>

#include "dbx/index_node.h"

namespace vendrel::dbx {

enum class WalkEnd {
  Completed,  // every reachable record was visited
  Stopped,    // the visitor asked to stop
  Cut,        // the tree loops or is larger than the file can hold: the walk gave up there
};

// Calls visit(node, i, recordRa) for every entry i with a record, in tree order; visit returns true to
// stop. Nodes that do not validate are skipped with their subtrees.
template <typename Visit>
WalkEnd WalkIndexTree(const DbStore& store, uint32_t rootRa, Visit&& visit) {
  struct Frame {
    IndexNode node;
    int next;  // -1: the left child is still to be walked; else the next entry
  };
  uint64_t budget = NodeVisitBudget(store);
  std::vector<Frame> stack;
  auto enter = [&](uint32_t ra) {
    if (const std::optional<IndexNode> node = IndexNode::At(store, ra)) {
      if (budget == 0) return false;
      --budget;
      stack.push_back({*node, -1});
    }
    return true;
  };
  if (!enter(rootRa)) return WalkEnd::Cut;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next < 0) {
      frame.next = 0;
      if (!enter(frame.node.leftChild())) return WalkEnd::Cut;
      continue;
    }
    if (frame.next >= frame.node.entryCount()) {
      stack.pop_back();
      continue;
    }
    const IndexNode node = frame.node;
    const unsigned i = static_cast<unsigned>(frame.next++);
    const IndexEntry entry = node.entry(i);
    if (entry.recordRa != 0 && visit(node, i, entry.recordRa)) return WalkEnd::Stopped;
    if (!enter(entry.childRa)) return WalkEnd::Cut;
  }
  return WalkEnd::Completed;
}

}  // namespace vendrel::dbx
