#include "dbx/record.h"

#include <algorithm>
#include <cstring>

#include "dbx/header.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

const uint8_t* RecordAt(const DbStore& store, uint32_t ra) {
  return ra == 0 ? nullptr : store.AtChecked(ra, kRecordHeadSize);
}

uint8_t PropertyCount(const DbStore& store, uint32_t ra) {
  const uint8_t* record = RecordAt(store, ra);
  return record != nullptr ? record[kRecordPropertyCountField] : 0;
}

uint32_t DataAreaRa(const DbStore& store, uint32_t ra) {
  // Saturates instead of wrapping, so that a record at the very end of a huge file reads nothing.
  const uint64_t dataArea = uint64_t{ra} + kRecordHeadSize + 4u * PropertyCount(store, ra);
  return static_cast<uint32_t>(std::min<uint64_t>(dataArea, UINT32_MAX));
}

std::optional<uint32_t> PropertyEntryRa(uint32_t ra, unsigned index) {
  const uint64_t entryRa = uint64_t{ra} + kRecordHeadSize + 4 * uint64_t{index};
  if (entryRa > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(entryRa);
}

std::optional<PropertyEntry> PropertyAt(const DbStore& store, uint32_t ra, unsigned index) {
  if (index >= PropertyCount(store, ra)) return std::nullopt;
  const std::optional<uint32_t> entryRa = PropertyEntryRa(ra, index);
  const uint8_t* entry = entryRa ? store.At(*entryRa, 4) : nullptr;
  if (entry == nullptr) return std::nullopt;
  return PropertyEntry{LoadU32(entry)};
}

std::optional<PropertyEntry> FindProperty(const DbStore& store, uint32_t ra, uint8_t id) {
  // Entry by entry until the record's count, or the end of the file where the table runs past it.
  for (unsigned i = 0;; ++i) {
    const std::optional<PropertyEntry> entry = PropertyAt(store, ra, i);
    if (!entry || entry->id() == id) return entry;
  }
}

std::optional<uint32_t> ValueRa(uint32_t dataAreaRa, PropertyEntry entry) {
  const uint64_t ra = uint64_t{dataAreaRa} + entry.field();
  if (ra > UINT32_MAX) return std::nullopt;
  return static_cast<uint32_t>(ra);
}

uint32_t GetDword(const DbStore& store, uint32_t ra, uint8_t id) {
  const std::optional<PropertyEntry> entry = FindProperty(store, ra, id);
  if (!entry) return 0;
  if (entry->isDirect()) return entry->field();
  const std::optional<uint32_t> valueRa = ValueRa(DataAreaRa(store, ra), *entry);
  return valueRa ? store.ReadU32(*valueRa).value_or(0) : 0;
}

std::optional<std::string_view> StringAt(const DbStore& store, uint32_t ra) {
  if (ra >= store.viewLength()) return std::nullopt;
  const uint32_t room = static_cast<uint32_t>(std::min<uint64_t>(store.viewLength() - ra, UINT32_MAX));
  const auto* text = reinterpret_cast<const char*>(store.At(ra, room));
  if (text == nullptr) return std::nullopt;
  const void* terminator = std::memchr(text, 0, room);
  return std::string_view(text, terminator != nullptr ? static_cast<const char*>(terminator) - text : room);
}

std::optional<std::string_view> GetString(const DbStore& store, uint32_t ra, uint8_t id) {
  const std::optional<PropertyEntry> entry = FindProperty(store, ra, id);
  if (!entry || entry->isDirect()) return std::nullopt;
  const std::optional<uint32_t> valueRa = ValueRa(DataAreaRa(store, ra), *entry);
  return valueRa ? StringAt(store, *valueRa) : std::nullopt;
}

std::optional<uint64_t> GetFileTime(const DbStore& store, uint32_t ra, uint8_t id) {
  const std::optional<PropertyEntry> entry = FindProperty(store, ra, id);
  if (!entry || entry->isDirect()) return std::nullopt;
  const std::optional<uint32_t> valueRa = ValueRa(DataAreaRa(store, ra), *entry);
  const uint8_t* bytes = valueRa ? store.At(*valueRa, 8) : nullptr;
  if (bytes == nullptr) return std::nullopt;
  return uint64_t{LoadU32(bytes)} | uint64_t{LoadU32(bytes + 4)} << 32;
}

std::optional<std::string_view> GetDisplayName(const DbStore& store, uint32_t ra) {
  return GetString(store, ra, IsMessageDatabase(&store) ? kPropMessageDisplayName : kPropFolderDisplayName);
}

uint32_t GetTextOffset(const DbStore& store, uint32_t ra) {
  return IsMessageDatabase(&store) ? GetDword(store, ra, kPropTextOffset) : 0;
}

}  // namespace vendrel::dbx
