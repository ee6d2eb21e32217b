// Assembles a new record from property values and writes it into new room in the file.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/property_names.h"
#include "store/db_store.h"

namespace vendrel::dbx {

// One property value of a RecordBuilder. A value that is 0 or empty counts as absent.
struct PropertyCell {
  enum Kind : uint8_t { Integer = 0, String = 1, Bytes8 = 2 };

  uint8_t id = 0;
  Kind kind = Integer;
  uint32_t integer = 0;
  std::string bytes;  // the cell's own copy of a string (without terminator) or of an 8-byte value

  bool IsAbsent() const { return kind == Integer ? integer == 0 : bytes.empty(); }
  // Bytes the cell takes in the record, its table entry included.
  uint32_t StoredSize() const;
  // Writes the cell's entry at entrySlot and its value (if any) at data + dataOffset. Returns the bytes
  // used, table entry included; 0 for an absent cell.
  uint32_t Serialise(uint8_t* entrySlot, uint8_t* data, uint32_t dataOffset) const;
};

class RecordBuilder {
 public:
  static constexpr int kCellCount = kKnownPropertyCount;  // cell i holds property id i
  static constexpr uint32_t kMaxBodySize = 0xFFFF;        // the 16-bit "Entry header size"

  explicit RecordBuilder(bool folderDatabase);

  bool folderDatabase() const { return folderDatabase_; }
  // False for an id without a cell (0x1D and above).
  bool SetInteger(uint8_t id, uint32_t value);
  // Raw 8-bit text, stored up to its first zero byte; an empty text makes the cell absent.
  bool SetString(uint8_t id, std::string_view text);
  bool SetFileTime(uint8_t id, uint64_t fileTime);

  // Size of everything after the 12-byte head.
  uint32_t BodySize() const;
  // The record as it lies in the file, its RA field 0; empty when the body would not fit 0xFFFF bytes.
  std::vector<uint8_t> Serialise() const;
  // Gives the record the ID LastAssgID + 1, stores it in new room, and only then advances LastAssgID.
  // Returns the new record's RA, 0 on failure (nothing advanced).
  uint32_t Write(DbStore& store);

 private:
  bool folderDatabase_;
  std::array<PropertyCell, kCellCount> cells_;
};

}  // namespace vendrel::dbx
