#pragma once

#include <vector>

#include "dbx/field_row.h"
#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr const char* kToBeContinued = "To be continued...";

// The rows in which the root item of a database lists its header, ending with "To be continued...".
// 8-bit header texts are decoded from the legacy code page. A field that lies past the end of a
// damaged, short file keeps its row with an empty value.
std::vector<FieldRow> HeaderRows(const DbStore& store);

}  // namespace vendrel::dbx
