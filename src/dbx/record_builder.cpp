#include "dbx/record_builder.h"

#include <cstring>

#include "dbx/header.h"
#include "dbx/record.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kMaxDirectValue = 0xFFFFFF;

uint32_t PaddedStringSize(size_t length) {
  return static_cast<uint32_t>((length + 1 + 3) & ~size_t{3});
}

}  // namespace

uint32_t PropertyCell::StoredSize() const {
  if (IsAbsent()) return 0;
  switch (kind) {
    case Integer:
      return integer <= kMaxDirectValue ? 4 : 8;
    case String:
      return 4 + PaddedStringSize(bytes.size());
    case Bytes8:
      return 12;
  }
  return 0;
}

uint32_t PropertyCell::Serialise(uint8_t* entrySlot, uint8_t* data, uint32_t dataOffset) const {
  if (IsAbsent()) return 0;
  const uint32_t id7 = id & 0x7F;
  if (kind == Integer && integer <= kMaxDirectValue) {
    StoreU32(entrySlot, id7 | kDirectFlag | integer << 8);
    return 4;
  }
  StoreU32(entrySlot, id7 | dataOffset << 8);
  uint8_t* value = data + dataOffset;
  if (kind == Integer) {
    StoreU32(value, integer);
    return 8;
  }
  const uint32_t length = kind == String ? PaddedStringSize(bytes.size()) : 8;
  std::memset(value, 0, length);
  std::memcpy(value, bytes.data(), bytes.size());
  return 4 + length;
}

RecordBuilder::RecordBuilder(bool folderDatabase) : folderDatabase_(folderDatabase) {
  for (int i = 0; i < kCellCount; ++i) cells_[i].id = static_cast<uint8_t>(i);
}

bool RecordBuilder::SetInteger(uint8_t id, uint32_t value) {
  if (id >= kCellCount) return false;
  cells_[id] = {id, PropertyCell::Integer, value, {}};
  return true;
}

bool RecordBuilder::SetString(uint8_t id, std::string_view text) {
  if (id >= kCellCount) return false;
  // The stored string ends at its first zero byte; an empty text leaves the cell absent.
  cells_[id] = {id, PropertyCell::String, 0, std::string(text.substr(0, text.find('\0')))};
  return true;
}

bool RecordBuilder::SetFileTime(uint8_t id, uint64_t fileTime) {
  if (id >= kCellCount) return false;
  std::string bytes;
  if (fileTime != 0) {
    bytes.resize(8);
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data()), static_cast<uint32_t>(fileTime));
    StoreU32(reinterpret_cast<uint8_t*>(bytes.data()) + 4, static_cast<uint32_t>(fileTime >> 32));
  }
  cells_[id] = {id, PropertyCell::Bytes8, 0, std::move(bytes)};
  return true;
}

uint32_t RecordBuilder::BodySize() const {
  uint32_t size = 0;
  for (const PropertyCell& cell : cells_) size += cell.StoredSize();
  return size;
}

std::vector<uint8_t> RecordBuilder::Serialise() const {
  const uint32_t body = BodySize();
  if (body > kMaxBodySize) return {};
  unsigned count = 0;
  for (const PropertyCell& cell : cells_) count += cell.IsAbsent() ? 0 : 1;

  std::vector<uint8_t> record(kRecordHeadSize + body, 0);
  StoreU16(&record[kRecordBodySizeField], static_cast<uint16_t>(body));
  record[kRecordPropertyCountField] = static_cast<uint8_t>(count);
  record[kRecordPartCountField] = 1;  // "Part count?"
  uint8_t* entries = &record[kRecordHeadSize];
  uint8_t* data = entries + 4 * count;
  uint32_t dataOffset = 0;
  for (const PropertyCell& cell : cells_) {
    const uint32_t used = cell.Serialise(entries, data, dataOffset);
    if (used == 0) continue;
    entries += 4;
    dataOffset += used - 4;
  }
  return record;
}

uint32_t RecordBuilder::Write(DbStore& store) {
  const std::optional<uint32_t> lastId = store.ReadU32(kLastAssignedIdField);
  if (!lastId || *lastId == UINT32_MAX) return 0;
  const uint32_t newId = *lastId + 1;
  SetInteger(kPropId, newId);
  std::vector<uint8_t> record = Serialise();
  if (record.empty() || !store.StoreBlock(record)) return 0;
  if (!store.WriteU32(kLastAssignedIdField, newId)) return 0;
  return LoadU32(record.data());
}

}  // namespace vendrel::dbx
