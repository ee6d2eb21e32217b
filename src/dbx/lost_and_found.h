// What a database still holds that its index trees do not reach: message records cut off by damage or
// taken out of the trees (deleted), and chains of text blocks that no record owns (their record lost too).
// Found from the structures' own RAs (see structure_scan.h), then sorted out against what the trees and
// the records reach, so that each text is found once.
#pragma once

#include <cstdint>
#include <vector>

#include "dbx/structure_scan.h"
#include "store/db_store.h"

namespace vendrel::dbx {

struct LostAndFound {
  std::vector<uint32_t> records;        // records no tree reaches (messages whose text no other has, or
                                        // folders)
  std::vector<uint32_t> chains;         // first blocks of chains no record owns, whole to their end
  std::vector<uint32_t> partialChains;  // ... that end at a block that is not there, or loop
  int sameText = 0;                     // records no tree reaches whose text a reached record has
  FoundStructures found;                // everything the scan found
};

// The trees are all eight index trees; a record they name is reached, valid or not.
LostAndFound FindLostAndFound(const DbStore& store);
// The same, kept while the file stays as it was (its stamp, and no write of this program since): the
// window asks at every expansion of a database.
const LostAndFound& CachedLostAndFound(const DbStore& store);

}  // namespace vendrel::dbx
