// Records: one folder (in Folders.dbx) or one message (in a message database), reached by RA.
//
//   offset  type   label                meaning
//   0x00    u32    "RA"                 the record's own RA (self-tag)
//   0x04    u16    "Entry header size"  bytes after the 12-byte head: property table + data area
//   0x06    u16    "w0000"              always 0
//   0x08    u16    "Can grow"           free space after the body
//   0x0A    u8     "Property count"     number of PropertyEntry items
//   0x0B    u8     "Part count?"        1 in records this program writes
//   0x0C    4 x count                   PropertyEntry items, in any order
//   then                                the data area
//
// A PropertyEntry is one little-endian u32: bits 0-6 the property id, bit 7 the direct flag, bits 8-31
// the value itself (direct) or the offset of the value from the start of the data area (indirect).
//
// Every read here is bounded by the view: a record, an entry or a value that passes the end of the file
// counts as absent.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr uint32_t kRecordHeadSize = 12;
// The fields of the head, by their offset in the record.
inline constexpr uint32_t kRecordBodySizeField = 0x04;
inline constexpr uint32_t kRecordZeroField = 0x06;
inline constexpr uint32_t kRecordCanGrowField = 0x08;
inline constexpr uint32_t kRecordPropertyCountField = 0x0A;
inline constexpr uint32_t kRecordPartCountField = 0x0B;
inline constexpr uint8_t kDirectFlag = 0x80;

// Bits of a message's "Flags" (property 1): 0x80 marks it read; the others choose only how its image is
// drawn: 0x01 solid (a ghost without), 0x800 with a diamond.
inline constexpr uint32_t kMessageRead = 0x80;
inline constexpr uint32_t kMessageSolid = 0x01;
inline constexpr uint32_t kMessageDiamond = 0x800;
// The bit of a folder's "Any info" (property 6) that marks a folder with subfolders.
inline constexpr uint32_t kFolderHasSubfolders = 0x10;

// Property ids with a fixed role.
inline constexpr uint8_t kPropId = 0x00;
inline constexpr uint8_t kPropParentOrFlags = 0x01;
inline constexpr uint8_t kPropFolderDisplayName = 0x02;
inline constexpr uint8_t kPropTextOffset = 0x04;
inline constexpr uint8_t kPropMessageDisplayName = 0x05;
// Folder records.
inline constexpr uint8_t kPropFileName = 0x03;
inline constexpr uint8_t kPropAnyInfo = 0x06;
inline constexpr uint8_t kPropType = 0x09;
inline constexpr uint8_t kPropProtocol = 0x0A;
inline constexpr uint8_t kPropSent = 0x02;
inline constexpr uint8_t kPropReceived = 0x06;
inline constexpr uint8_t kPropSubject = 0x08;
inline constexpr uint8_t kPropFromName = 0x0D;
inline constexpr uint8_t kPropFromAddress = 0x0E;

struct PropertyEntry {
  uint32_t raw;

  uint8_t id() const { return raw & 0x7F; }
  uint8_t firstByte() const { return raw & 0xFF; }
  bool isDirect() const { return (raw & kDirectFlag) != 0; }
  // The 24-bit value field: the value of a direct entry, the data-area offset of an indirect one.
  uint32_t field() const { return raw >> 8; }
};

// The record at ra when its self-tag holds and its head lies inside the view.
const uint8_t* RecordAt(const DbStore& store, uint32_t ra);
uint8_t PropertyCount(const DbStore& store, uint32_t ra);
// RA of the record's data area: ra + 12 + 4 * property count.
uint32_t DataAreaRa(const DbStore& store, uint32_t ra);
// RA of entry i of the record's property table; none when it would not fit in 32 bits.
std::optional<uint32_t> PropertyEntryRa(uint32_t ra, unsigned index);
// Entry i of the record's property table, or none when the record or the entry is not there.
std::optional<PropertyEntry> PropertyAt(const DbStore& store, uint32_t ra, unsigned index);

// The first entry of the record whose id is id.
std::optional<PropertyEntry> FindProperty(const DbStore& store, uint32_t ra, uint8_t id);
// A direct entry's 24-bit value, or the u32 in the data area; 0 when absent or out of the view.
uint32_t GetDword(const DbStore& store, uint32_t ra, uint8_t id);
inline uint32_t GetId(const DbStore& store, uint32_t ra) {
  return GetDword(store, ra, kPropId);
}
inline uint32_t GetParentOrFlags(const DbStore& store, uint32_t ra) {
  return GetDword(store, ra, kPropParentOrFlags);
}
// The raw 8-bit string of property id, read in place; none when absent or stored direct. A string
// without terminator before the end of the view is cut there.
std::optional<std::string_view> GetString(const DbStore& store, uint32_t ra, uint8_t id);
// The FILETIME of property id (an 8-byte value in the data area); none when absent or stored direct.
std::optional<uint64_t> GetFileTime(const DbStore& store, uint32_t ra, uint8_t id);
// The raw 8-bit display name (property 0x05 of a message, 0x02 of a folder), read in place; none when
// absent. A name without terminator before the end of the view is cut there.
std::optional<std::string_view> GetDisplayName(const DbStore& store, uint32_t ra);
// RA of the first text block of a message; 0 in a folder database or when the body is not in the file.
uint32_t GetTextOffset(const DbStore& store, uint32_t ra);

// The zero-terminated string at ra, cut at the end of the view; none when ra is outside it.
std::optional<std::string_view> StringAt(const DbStore& store, uint32_t ra);
// The RA of an indirect entry's value; none when it cannot be expressed in 32 bits.
std::optional<uint32_t> ValueRa(uint32_t dataAreaRa, PropertyEntry entry);

}  // namespace vendrel::dbx
