#pragma once

#include <set>
#include <string>
#include <vector>

#include "dbx/header.h"
#include "dbx/index_node.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"

namespace vendrel::testsupport {

// The record RAs of a tree in tree order, as the program's walk yields them.
inline std::vector<uint32_t> TreeOrder(const DbStore& store, uint32_t root, dbx::WalkEnd* end = nullptr) {
  std::vector<uint32_t> records;
  const dbx::WalkEnd result =
      dbx::WalkIndexTree(store, root, [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
        records.push_back(ra);
        return false;
      });
  if (end != nullptr) *end = result;
  return records;
}

// The raw display names of the records of index slot k in tree order.
inline std::vector<std::string> NamesInOrder(const DbStore& store, int k) {
  std::vector<std::string> names;
  for (const uint32_t ra : TreeOrder(store, store.ReadU32(dbx::RootSlot(k)).value_or(0)))
    names.emplace_back(dbx::GetDisplayName(store, ra).value_or("?"));
  return names;
}

// The first fault of tree k, checked node by node: each node valid, reached once, linked to its parent
// and its place there, every child's entry count where its parent keeps it, every record valid, and as
// many records as the header counts. Empty for a sound tree.
inline std::string TreeFault(const DbStore& store, int k) {
  std::vector<std::pair<uint32_t, uint32_t>> pending = {{store.ReadU32(dbx::RootSlot(k)).value_or(0), 0}};
  std::set<uint32_t> seen;
  uint32_t records = 0;
  auto child = [&](uint32_t ra, uint32_t parent, unsigned pos, uint32_t count) {
    const auto node = dbx::IndexNode::At(store, ra);
    if (ra != 0) pending.emplace_back(ra, parent);
    return ra == 0 ? count == 0 : node && node->posInParent() == pos && node->entryCount() == count;
  };
  while (!pending.empty()) {
    const auto [ra, parent] = pending.back();
    pending.pop_back();
    const auto node = dbx::IndexNode::At(store, ra);
    if (!node || !seen.insert(ra).second || node->parent() != parent) return "node " + std::to_string(ra);
    if (!child(node->leftChild(), ra, 0, node->entryCountInNext()))
      return "left child of " + std::to_string(ra);
    for (unsigned i = 0; i < node->entryCount(); ++i) {
      const dbx::IndexEntry entry = node->entry(i);
      if (!child(entry.childRa, ra, i, entry.childCount))
        return "child " + std::to_string(i) + " of " + std::to_string(ra);
      if (dbx::RecordAt(store, entry.recordRa) == nullptr) return "record " + std::to_string(entry.recordRa);
      ++records;
    }
  }
  return records == store.ReadU32(dbx::CountSlot(k)) ? "" : "count " + std::to_string(records);
}

}  // namespace vendrel::testsupport
