#include "dbx/property_names.h"

#include "dbx/header.h"
#include "platform/format.h"

namespace vendrel::dbx {

const std::array<const char*, kKnownPropertyCount> FolderPropertyNames = {
    "FolderID",       "ParentID",     "DisplayName", "FileName",
    nullptr,          "DataSource",   "Any info",    "MsgCount",
    "UnreadMsgCount", "Type",         "Protocol",    nullptr,
    nullptr,          "Last msgID",   "First msgID", nullptr,
    "Last msgID2",    "First msgID2", nullptr,       nullptr,
    "HttpFolderID?",  nullptr,        nullptr,       nullptr,
    nullptr,          nullptr,        "Last msgID3", "WatchMsgUnreadCount",
    "WatchMsgCount"};

const std::array<const char*, kKnownPropertyCount> MessagePropertyNames = {
    "ID",           "Flags",
    "Sent",         nullptr,
    "TextOffset",   "Subject(Original)",
    "Received",     "ID822",
    "Subject",      "FromNameAddress",
    "RepliedMsgID", "NewsInfo",
    "POP3Server",   "FromName",
    "FromAddress",  "CP",
    "Priority",     "MsgTextSize",
    "TimeCreated",  "ToName",
    "ToAddress",    nullptr,
    nullptr,        nullptr,
    nullptr,        nullptr,
    "OutAccount",   "AccountRegEntry",
    "SomeData"};

ValueKind PropertyKind(bool messageDatabase, uint8_t id) {
  if (id >= kKnownPropertyCount) return ValueKind::Unknown;
  if (messageDatabase) {
    switch (id) {
      case 0x00:
      case 0x01:
      case 0x03:
      case 0x04:
      case 0x10:
      case 0x11:
      case 0x1C:
        return ValueKind::Dword;
      case 0x02:
      case 0x06:
      case 0x12:
        return ValueKind::FileTime;
      default:
        return ValueKind::String;  // 0x05, 0x07-0x0F, 0x13-0x1B
    }
  }
  switch (id) {
    case 0x02:
    case 0x03:
    case 0x05:
    case 0x14:
      return ValueKind::String;
    default:
      return ValueKind::Dword;
  }
}

std::string PropertyName(bool messageDatabase, PropertyEntry entry) {
  const auto& names = messageDatabase ? MessagePropertyNames : FolderPropertyNames;
  if (entry.id() < kKnownPropertyCount && names[entry.id()] != nullptr) return names[entry.id()];
  return Format("%02X(%02X)", entry.id(), entry.firstByte());
}

std::string PropertyName(const DbStore& store, PropertyEntry entry) {
  return PropertyName(IsMessageDatabase(&store), entry);
}

}  // namespace vendrel::dbx
