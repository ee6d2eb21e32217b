#include "dbx/property_value_text.h"

#include <ctime>

#include "dbx/header.h"
#include "dbx/property_names.h"
#include "platform/code_page.h"
#include "platform/format.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

constexpr uint8_t kAnyInfo = 0x06;  // shown with a trailing blank in both kinds of database

}  // namespace

std::string FileTimeText(uint64_t fileTime) {
  constexpr uint64_t kTicksPerSecond = 10000000;
  constexpr int64_t kSecondsFrom1601To1970 = 11644473600;
  const time_t seconds =
      static_cast<time_t>(static_cast<int64_t>(fileTime / kTicksPerSecond) - kSecondsFrom1601To1970);
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return {};
  return Format("%.2d/%.2d/%.2d %.2d:%.2d:%.2d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                local.tm_hour, local.tm_min, local.tm_sec);
}

std::string PropertyValueText(const DbStore& store, PropertyEntry entry, uint32_t dataAreaRa) {
  const bool messageDatabase = IsMessageDatabase(&store);
  const uint8_t id = entry.id();
  if (entry.isDirect()) {
    const uint32_t value = entry.field();
    if (id == kAnyInfo) return Format("%08X ", value);
    const auto& names = messageDatabase ? MessagePropertyNames : FolderPropertyNames;
    if (id < kKnownPropertyCount && names[id] != nullptr) return Format("%06X", value);
    return Format("%06X(%d)", value, static_cast<int>(value));
  }
  const std::optional<uint32_t> valueRa = ValueRa(dataAreaRa, entry);
  if (!valueRa) return {};
  switch (PropertyKind(messageDatabase, id)) {
    case ValueKind::Dword: {
      const std::optional<uint32_t> value = store.ReadU32(*valueRa);
      if (!value) return {};
      return Format(!messageDatabase && id == kAnyInfo ? "%08X " : "%08X", *value);
    }
    case ValueKind::String: {
      const std::optional<std::string_view> text = StringAt(store, *valueRa);
      return text ? LegacyCodePage().ToUtf8(*text) : std::string();
    }
    case ValueKind::FileTime: {
      const uint8_t* bytes = store.At(*valueRa, 8);
      if (bytes == nullptr) return {};
      return FileTimeText(uint64_t{LoadU32(bytes)} | uint64_t{LoadU32(bytes + 4)} << 32);
    }
    case ValueKind::Unknown:
      break;
  }
  return {};
}

}  // namespace vendrel::dbx
