// Entering a new record into an index tree. Insertion never splits or rebalances: a record goes into the
// node where it belongs in tree order, and a new node only ever hangs below an existing one.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "store/db_store.h"

namespace vendrel::dbx {

struct InsertPosition {
  uint32_t nodeRa;
  unsigned pos;
  bool operator==(const InsertPosition&) const = default;
};

// The node at which a record that sorts after all others is appended: down through the children of the
// last usable entries. A node without usable entries is itself the answer; none when nodeRa does not
// validate or the links loop.
std::optional<uint32_t> FindLastNode(const DbStore& store, uint32_t nodeRa);

// Where a record with this parent-ID key and raw name goes in a tree ordered by key, then name without
// regard to case: before the first record in tree order that sorts strictly after it. None when no record
// does, or when the key is 0 or 0xFFFFFFFF or the name is empty.
std::optional<InsertPosition> FindInsertPosition(const DbStore& store, uint32_t nodeRa, uint32_t key,
                                                 std::string_view name);

// Enters the record at recordRa into index tree k: tree 0 in creation order (appended at the end), the
// other trees ordered by parent ID and name. A node that is already full gets the record in a new child
// node at the place the record belongs, so nothing is ever written past a node. Refreshes the entry
// counts of the node and of its parent, and the header count of the tree.
bool InsertIntoIndex(DbStore& store, uint32_t recordRa, int k);

}  // namespace vendrel::dbx
