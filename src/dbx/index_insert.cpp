#include "dbx/index_insert.h"

#include "dbx/header.h"
#include "dbx/index_node.h"
#include "dbx/index_walk.h"
#include "dbx/name_compare.h"
#include "dbx/record.h"
#include "store/allocation.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kNoKey = 0xFFFFFFFF;

bool IsUsableKey(uint32_t key) {
  return key != 0 && key != kNoKey;
}

// A new empty node from the index heap; 0 when there is no room. The file may have moved.
uint32_t NewNode(DbStore& store) {
  const uint8_t* block = store.Allocate(kIndexNodeSize, kIndexHeapDescriptor, kIndexHeapGrowth);
  return block != nullptr ? LoadU32(block) : 0;
}

// The node a position resolves to, descending into an existing child (left child or the child of the
// entry before the position) where the record belongs, or hanging a new child there when the node is
// full. Returns the final position, or none on a damaged tree or a failed allocation.
std::optional<InsertPosition> ResolveTarget(DbStore& store, InsertPosition at, bool ordered) {
  std::optional<IndexNode> node = IndexNode::At(store, at.nodeRa);
  if (!node) return std::nullopt;
  const unsigned count = node->entryCount();
  if (ordered && at.pos == 0) {
    if (node->leftChild() != 0) {
      node = IndexNode::At(store, node->leftChild());
      if (!node) return std::nullopt;
      at = {node->ra(), node->entryCount()};
    } else if (count > 0) {
      const uint32_t child = NewNode(store);
      if (child == 0 || !SetLeftChild(store, at.nodeRa, child)) return std::nullopt;
      return InsertPosition{child, 0};
    }
  } else if (ordered && at.pos < count && node->entry(at.pos - 1).childRa != 0) {
    node = IndexNode::At(store, node->entry(at.pos - 1).childRa);
    if (!node) return std::nullopt;
    at = {node->ra(), node->entryCount()};
  }

  // A full node: the record belongs after the record of entry pos - 1, so it goes to the end of that
  // entry's subtree, or into a new child node of that entry.
  for (uint64_t budget = NodeVisitBudget(store); node->entryCount() >= kMaxIndexEntries; --budget) {
    if (budget == 0 || at.pos == 0) return std::nullopt;
    const IndexEntry before = node->entry(at.pos - 1);
    if (before.childRa != 0) {
      node = IndexNode::At(store, before.childRa);
      if (!node) return std::nullopt;
      at = {node->ra(), node->entryCount()};
      continue;
    }
    const uint32_t child = NewNode(store);
    if (child == 0 || !SetEntry(store, at.nodeRa, before.recordRa, child, at.pos - 1)) return std::nullopt;
    return InsertPosition{child, 0};
  }
  return at;
}

// Moves the node's entries pos .. count - 1 one place up to open position pos. Writes never move the
// view, so the node reads its entries in place while they move.
bool OpenGap(DbStore& store, const IndexNode& node, unsigned pos) {
  for (unsigned i = node.entryCount(); i-- > pos;) {
    const IndexEntry entry = node.entry(i);
    if (!SetEntry(store, node.ra(), entry.recordRa, entry.childRa, i + 1)) return false;
  }
  return true;
}

// The parent keeps the entry count of each child: refresh it for the node that just grew.
bool RefreshParentCount(DbStore& store, uint32_t nodeRa) {
  const std::optional<IndexNode> node = IndexNode::At(store, nodeRa);
  if (!node) return false;
  if (node->parent() == 0) return true;
  const std::optional<IndexNode> parent = IndexNode::At(store, node->parent());
  if (!parent) return false;
  if (parent->leftChild() == nodeRa) return SetLeftChild(store, parent->ra(), nodeRa);
  const unsigned pos = node->posInParent();
  // A parent link that does not lead back here would have the refresh detach another subtree.
  if (pos >= kMaxIndexEntries || parent->entry(pos).childRa != nodeRa) return false;
  return SetEntry(store, parent->ra(), parent->entry(pos).recordRa, nodeRa, pos);
}

}  // namespace

std::optional<uint32_t> FindLastNode(const DbStore& store, uint32_t nodeRa) {
  for (uint64_t budget = NodeVisitBudget(store); budget > 0; --budget) {
    const std::optional<IndexNode> node = IndexNode::At(store, nodeRa);
    if (!node) return std::nullopt;
    uint32_t next = 0;
    for (unsigned i = node->entryCount(); i-- > 0 && next == 0;) {
      const IndexEntry entry = node->entry(i);
      // A child that does not validate counts as no child.
      if (entry.childRa != 0 && IndexNode::At(store, entry.childRa)) {
        next = entry.childRa;
      } else if (entry.recordRa != 0) {
        return nodeRa;
      }
    }
    if (next == 0) return nodeRa;
    nodeRa = next;
  }
  return std::nullopt;
}

std::optional<InsertPosition> FindInsertPosition(const DbStore& store, uint32_t nodeRa, uint32_t key,
                                                 std::string_view name) {
  if (!IsUsableKey(key) || name.empty()) return std::nullopt;
  std::optional<InsertPosition> found;
  WalkIndexTree(store, nodeRa, [&](const IndexNode& node, unsigned i, uint32_t recordRa) {
    const uint32_t entryKey = GetParentOrFlags(store, recordRa);
    if (!IsUsableKey(entryKey)) return false;
    bool after = entryKey > key;
    if (entryKey == key) {
      const std::optional<std::string_view> entryName = GetDisplayName(store, recordRa);
      after = entryName && !entryName->empty() && CompareNamesNoCase(name, *entryName) < 0;
    }
    if (after) found = InsertPosition{node.ra(), i};
    return after;
  });
  return found;
}

bool InsertIntoIndex(DbStore& store, uint32_t recordRa, int k) {
  if (k < 0 || k >= kIndexSlotCount || RecordAt(store, recordRa) == nullptr) return false;
  const std::optional<uint32_t> rootRa = store.ReadU32(RootSlot(k));
  const std::optional<IndexNode> root = rootRa ? IndexNode::At(store, *rootRa) : std::nullopt;
  if (!root) return false;

  std::optional<InsertPosition> at;
  if (k == 0) {
    const std::optional<uint32_t> last = FindLastNode(store, *rootRa);
    const std::optional<IndexNode> lastNode = last ? IndexNode::At(store, *last) : std::nullopt;
    if (!lastNode) return false;
    at = InsertPosition{*last, lastNode->entryCount()};
  } else {
    const uint32_t key = GetParentOrFlags(store, recordRa);
    const std::optional<std::string_view> name = GetDisplayName(store, recordRa);
    if (!IsUsableKey(key) || !name || name->empty()) return false;
    at = FindInsertPosition(store, *rootRa, key, *name);
    if (!at) at = InsertPosition{*rootRa, root->entryCount()};
  }
  at = ResolveTarget(store, *at, k != 0);
  const std::optional<IndexNode> target = at ? IndexNode::At(store, at->nodeRa) : std::nullopt;
  const std::optional<uint32_t> treeCount = store.ReadU32(CountSlot(k));
  if (!target || !treeCount || !OpenGap(store, *target, at->pos) ||
      !SetEntry(store, at->nodeRa, recordRa, 0, at->pos) ||
      !SetEntryCount(store, at->nodeRa, static_cast<uint8_t>(target->entryCount() + 1)) ||
      !RefreshParentCount(store, at->nodeRa)) {
    return false;
  }
  return store.WriteU32(CountSlot(k), *treeCount + 1);
}

}  // namespace vendrel::dbx
