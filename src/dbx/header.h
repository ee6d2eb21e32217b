// The file header shared by the folder database (Folders.dbx) and the message databases.
//
//   RA       type        meaning
//   0x00     u32         magic 0xFE12ADCF
//   0x04     bytes[16]   class identifier: folder database or message database
//   0x14     bytes[4]    shown only (a version?)          0x18  bytes[4]  shown only (a version?)
//   0x1C     bytes[4]    shown only                        0x20  bytes[4]  shown only
//   0x24     u32 x 3     entry-heap allocation descriptor (chunk RA, size, used)
//   0x30     u32 x 3     index-heap allocation descriptor
//   0x3C     u32 x 3     a third descriptor, shown only
//   0x48..50 u32         shown only (RAs)                  0x54, 0x58  u32  shown only
//   0x5C     u32         LastAssgID: the ID most recently given to a new record
//   0x7C     u32         allocated size: where new chunks are carved
//   0xC4+4k  u32         index slot k (0..7): number of records in tree k
//   0xE4+4k  u32         index slot k: RA of the root node of tree k, 0 = no tree
// Message databases only:
//   0x24C0   u8          folder prototype byte (chooses the export extension)
//   0x24C1   text        type name, up to 0x25C0
//   0x25C0   u8          type byte
//   0x25C1   text        the folder's name, up to 0x26E0
//   0x26E0   u32         the ID of the folder the file holds
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "store/allocation.h"
#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr uint32_t kMagic = 0xFE12ADCF;

inline constexpr uint32_t kMagicField = 0x00;
inline constexpr uint32_t kClsidField = 0x04;
inline constexpr uint32_t kLastAssignedIdField = 0x5C;
inline constexpr uint32_t kPrototypeField = 0x24C0;
inline constexpr uint32_t kTypeNameField = 0x24C1;
inline constexpr uint32_t kTypeField = 0x25C0;
inline constexpr uint32_t kFolderNameField = 0x25C1;
inline constexpr uint32_t kFolderIdField = 0x26E0;
// The end of the header fields of a message database.
inline constexpr uint32_t kMessageHeaderEnd = kFolderIdField + 4;

inline constexpr int kIndexSlotCount = 8;
inline constexpr uint32_t CountSlot(int k) {
  return 0xC4 + 4 * static_cast<uint32_t>(k);
}
inline constexpr uint32_t RootSlot(int k) {
  return 0xE4 + 4 * static_cast<uint32_t>(k);
}

using Clsid = std::array<uint8_t, 16>;
// {6F74FDC6-E366-11D1-9A4E-00C04FA309D4} as its bytes lie in the file.
inline constexpr Clsid kClsidFolderDatabase = {0xC6, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                               0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};
// {6F74FDC5-E366-11D1-9A4E-00C04FA309D4}
inline constexpr Clsid kClsidMessageDatabase = {0xC5, 0xFD, 0x74, 0x6F, 0x66, 0xE3, 0xD1, 0x11,
                                                0x9A, 0x4E, 0x00, 0xC0, 0x4F, 0xA3, 0x09, 0xD4};

// A number field of the header; 0 when the file does not reach it.
uint32_t HeaderU32(const DbStore& store, uint32_t field);
// The root node of index tree k (0: none), and the records the header counts in it.
inline uint32_t TreeRoot(const DbStore& store, int k) {
  return HeaderU32(store, RootSlot(k));
}
inline uint32_t TreeCount(const DbStore& store, int k) {
  return HeaderU32(store, CountSlot(k));
}

// The file-kind tests, decided anew in every session. A missing or closed store is no DBX file.
bool IsDbxFile(const DbStore* store);
bool IsFolderDatabase(const DbStore* store);
bool IsMessageDatabase(const DbStore* store);

// The registry form of 16 class-identifier bytes: {6F74FDC5-E366-11D1-9A4E-00C04FA309D4}.
std::string ClsidText(const uint8_t* bytes);

// The raw bytes of the zero-terminated header text at ra, which may use the room up to end. The text
// is cut at its terminator, at end, or at the end of the view, whichever comes first.
std::string HeaderTextBytes(const DbStore& store, uint32_t ra, uint32_t end);

// "%02X (%02X)" of the prototype byte and the type byte of a message database header, "(error)" when
// the file does not reach them.
std::string PrototypeAndTypeText(const DbStore& store);

}  // namespace vendrel::dbx
