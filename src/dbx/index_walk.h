// The one walk of an index tree in tree order, shared by every reader of the trees. It keeps its own
// stack, so a deep tree cannot exhaust the program's, and it enters every node once: a damaged tree
// whose links loop or share a subtree is walked once round instead of without end, and no record is
// handed out twice.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "dbx/index_node.h"

namespace vendrel::dbx {

// The nodes a walk has entered. Open addressing in one vector: the explorer's cursor walks a tree again
// at every step, and a node-based set spent more time allocating than the walk spent reading.
class EnteredNodes {
 public:
  // Forgets every node; the room is kept unless it grew large.
  void Clear() {
    if (slots_.size() > 1024) {
      slots_.clear();
    } else {
      std::fill(slots_.begin(), slots_.end(), 0);
    }
    count_ = 0;
  }
  // False when ra (never 0) was entered before.
  bool Insert(uint32_t ra) {
    if (2 * (count_ + 1) > slots_.size()) Grow();
    for (size_t i = Slot(ra);; i = (i + 1) & (slots_.size() - 1)) {
      if (slots_[i] == ra) return false;
      if (slots_[i] == 0) {
        slots_[i] = ra;
        ++count_;
        return true;
      }
    }
  }

 private:
  size_t Slot(uint32_t ra) const { return (ra * 2654435761u >> 4) & (slots_.size() - 1); }
  void Grow() {
    std::vector<uint32_t> old(slots_.empty() ? 64 : 2 * slots_.size(), 0);
    old.swap(slots_);
    count_ = 0;
    for (const uint32_t ra : old) {
      if (ra != 0) Insert(ra);
    }
  }

  std::vector<uint32_t> slots_;
  size_t count_ = 0;
};

enum class WalkEnd {
  Completed,  // every reachable record was visited
  Stopped,    // the visitor asked to stop
  Cut,        // a link led back to a node already walked (a loop or a shared subtree): it was not followed
};

// A node on the way down a walk, and where the walk is in it.
struct IndexWalkFrame {
  IndexNode node;
  int next;  // -1: the left child is still to be walked; else the next entry
};

// Calls visit(path, i, recordRa) for every entry i with a record, in tree order, path leading from the
// root to the node that holds the entry (its last frame); visit returns true to stop. Nodes that do not
// validate are skipped with their subtrees.
template <typename Visit>
WalkEnd WalkIndexTreePaths(const DbStore& store, uint32_t rootRa, Visit&& visit) {
  EnteredNodes entered;
  bool cut = false;
  std::vector<IndexWalkFrame> stack;
  auto enter = [&](uint32_t ra) {
    if (const std::optional<IndexNode> node = IndexNode::At(store, ra)) {
      if (!entered.Insert(ra)) {
        cut = true;
        return;
      }
      stack.push_back({*node, -1});
    }
  };
  enter(rootRa);
  while (!stack.empty()) {
    IndexWalkFrame& frame = stack.back();
    if (frame.next < 0) {
      frame.next = 0;
      enter(frame.node.leftChild());
      continue;
    }
    if (frame.next >= frame.node.entryCount()) {
      stack.pop_back();
      continue;
    }
    const unsigned i = static_cast<unsigned>(frame.next++);
    const IndexEntry entry = frame.node.entry(i);
    if (entry.recordRa != 0 && visit(std::as_const(stack), i, entry.recordRa)) return WalkEnd::Stopped;
    enter(entry.childRa);
  }
  return cut ? WalkEnd::Cut : WalkEnd::Completed;
}

// The same, visit(node, i, recordRa) told only of the node that holds the entry.
template <typename Visit>
WalkEnd WalkIndexTree(const DbStore& store, uint32_t rootRa, Visit&& visit) {
  return WalkIndexTreePaths(store, rootRa, [&](const std::vector<IndexWalkFrame>& path, unsigned i, uint32_t recordRa) {
    return visit(path.back().node, i, recordRa);
  });
}

// The nodes from the root at rootRa down to the one whose entry names recordRa, the first in tree order;
// empty when the tree names no such record.
inline std::vector<uint32_t> PathToRecord(const DbStore& store, uint32_t rootRa, uint32_t recordRa) {
  std::vector<uint32_t> found;
  WalkIndexTreePaths(store, rootRa, [&](const std::vector<IndexWalkFrame>& path, unsigned, uint32_t ra) {
    if (ra != recordRa) return false;
    for (const IndexWalkFrame& frame : path) found.push_back(frame.node.ra());
    return true;
  });
  return found;
}

}  // namespace vendrel::dbx
