// The messages an export writes, and in which order: the records of an index tree in tree order, each
// once however often a damaged tree names it.
#pragma once

#include <cstdint>
#include <vector>

#include "store/db_store.h"

namespace vendrel {

struct MessageList {
  std::vector<uint32_t> records;
  std::vector<uint32_t> texts;  // then texts found without their record: the first block of each
  int repeats = 0;   // entries that named a record listed already
  bool cut = false;  // the tree loops: what lies beyond the loop was not reached
};

// The records of the tree at nodeRa: of its whole subtree in tree order, or of the node's own entries.
MessageList MessagesOf(const DbStore& store, uint32_t nodeRa, bool wholeTree);

}  // namespace vendrel
