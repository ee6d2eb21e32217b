// Finding the structures of a database without its index trees. Every index node, record and text block
// starts with its own RA, so one pass over the file at every fourth byte finds them all, whether a tree
// reaches them or not. Four bytes of a message that happen to equal their own place are kept out by the
// fields that must follow: what is kept is a node whose links lead to self-addressed places (and whose
// entries name places in the file), a record whose property table and values lie inside it, or a text
// block whose text fits its room.
#pragma once

#include <cstdint>
#include <vector>

#include "store/db_store.h"

namespace vendrel::dbx {

struct FoundStructures {
  std::vector<uint32_t> nodes;    // in file order
  std::vector<uint32_t> records;
  std::vector<uint32_t> blocks;   // text blocks
};

// Every self-addressed structure from the end of the header to the end of the file.
FoundStructures ScanStructures(const DbStore& store);

bool LooksLikeTextBlock(const DbStore& store, uint32_t ra);
bool LooksLikeIndexNode(const DbStore& store, uint32_t ra);
bool LooksLikeRecord(const DbStore& store, uint32_t ra);

}  // namespace vendrel::dbx
