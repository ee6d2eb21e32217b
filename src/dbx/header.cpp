#include "dbx/header.h"

#include <algorithm>
#include <cstring>

#include "platform/format.h"

namespace vendrel::dbx {

namespace {

bool HasClsid(const DbStore* store, const Clsid& clsid) {
  if (!IsDbxFile(store)) return false;
  const uint8_t* bytes = store->At(kClsidField, clsid.size());
  return bytes != nullptr && std::memcmp(bytes, clsid.data(), clsid.size()) == 0;
}

}  // namespace

bool IsDbxFile(const DbStore* store) {
  if (store == nullptr) return false;
  const std::optional<uint32_t> magic = store->ReadU32(kMagicField);
  return magic && *magic == kMagic;
}

bool IsFolderDatabase(const DbStore* store) {
  return HasClsid(store, kClsidFolderDatabase);
}

bool IsMessageDatabase(const DbStore* store) {
  return HasClsid(store, kClsidMessageDatabase);
}

std::string ClsidText(const uint8_t* b) {
  return Format("{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3], b[2], b[1],
                b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
}

uint32_t HeaderU32(const DbStore& store, uint32_t field) {
  return store.ReadU32(field).value_or(0);
}

std::string HeaderTextBytes(const DbStore& store, uint32_t ra, uint32_t end) {
  if (end <= ra) return {};
  const uint64_t available = store.viewLength() > ra ? store.viewLength() - ra : 0;
  const uint32_t room = static_cast<uint32_t>(std::min<uint64_t>(end - ra, available));
  const uint8_t* text = store.At(ra, room);
  if (text == nullptr) return {};
  const auto* terminator = static_cast<const uint8_t*>(std::memchr(text, 0, room));
  const size_t length = terminator != nullptr ? static_cast<size_t>(terminator - text) : room;
  return std::string(reinterpret_cast<const char*>(text), length);
}

std::string PrototypeAndTypeText(const DbStore& store) {
  const std::optional<uint8_t> prototype = store.ReadU8(kPrototypeField);
  const std::optional<uint8_t> type = store.ReadU8(kTypeField);
  return prototype && type ? Format("%02X (%02X)", *prototype, *type) : "(error)";
}

}  // namespace vendrel::dbx
