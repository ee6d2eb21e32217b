#pragma once

#include <cstdint>

namespace vendrel {

// The outcome of saving the messages of an index node or of a whole database.
struct SaveCount {
  bool valid = false;    // the node (or database) could be read at all
  int saved = 0;         // message files written
  int withoutText = 0;   // messages whose text is not in the file
  int failed = 0;        // records that do not validate, files that could not be written, a tree that loops
  int skipped = 0;       // records the tree names again (a damaged file): each is saved once
  uint64_t done = 0;     // records handled
  bool stopped = false;  // the user stopped the save
};

}  // namespace vendrel
