// What the properties of folder and message records are called and what kind of value they hold.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "dbx/record.h"

namespace vendrel::dbx {

inline constexpr int kKnownPropertyCount = 0x1D;  // ids 0x00-0x1C have a name or a known kind

// Index = property id; null where the id has no name.
extern const std::array<const char*, kKnownPropertyCount> FolderPropertyNames;
extern const std::array<const char*, kKnownPropertyCount> MessagePropertyNames;

enum class ValueKind { Unknown, Dword, String, FileTime };

ValueKind PropertyKind(bool messageDatabase, uint8_t id);
// The table name of the id, or "%02X(%02X)" of the id and the whole first byte (direct flag included).
std::string PropertyName(bool messageDatabase, PropertyEntry entry);
std::string PropertyName(const DbStore& store, PropertyEntry entry);

}  // namespace vendrel::dbx
