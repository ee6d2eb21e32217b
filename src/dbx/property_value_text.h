#pragma once

#include <cstdint>
#include <string>

#include "dbx/record.h"

namespace vendrel::dbx {

// The display text of one property entry of a record whose data area starts at dataAreaRa: hex for
// numbers ("%08X", "%06X", "%06X(%d)"), the string decoded from the legacy code page, or a FILETIME in
// local time. Empty when the value lies outside the file or the id has no known kind.
std::string PropertyValueText(const DbStore& store, PropertyEntry entry, uint32_t dataAreaRa);

// A FILETIME (100-ns ticks since 1601-01-01 UTC) in local time as "dd/mm/yyyy hh:mm:ss".
std::string FileTimeText(uint64_t fileTime);

}  // namespace vendrel::dbx
