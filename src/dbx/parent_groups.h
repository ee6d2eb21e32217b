// The records of an index tree grouped by parent, from one walk: opening thousands of folders one after
// the other would otherwise walk the whole tree once per folder.
#pragma once

#include <cstdint>
#include <vector>

#include "store/db_store.h"

namespace vendrel::dbx {

// What IndexCursor(treeRoot, MatchParentId, parentKey).Rest gives: the records of the tree under that
// parent, in tree order. The grouping of the last tree asked is kept while its file stays as it was.
std::vector<uint32_t> RecordsUnderParent(const DbStore& store, uint32_t treeRoot, uint32_t parentKey);

}  // namespace vendrel::dbx
