#include "mail/message_catalog.h"

#include <sys/stat.h>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "export/mail_headers.h"
#include "export/message_order.h"
#include "platform/code_page.h"
#include "platform/format.h"

namespace vendrel::mail {

namespace {

std::string RecordText(const DbStore& store, uint32_t record, uint8_t id) {
  const std::optional<std::string_view> text = dbx::GetString(store, record, id);
  return text ? LegacyCodePage().ToUtf8(*text) : std::string();
}

// The record's sender: "Name <address>", or whichever of the two it has.
std::string RecordSender(const DbStore& store, uint32_t record) {
  const std::string name = RecordText(store, record, dbx::kPropFromName);
  const std::string address = RecordText(store, record, dbx::kPropFromAddress);
  if (name.empty() || address.empty() || name == address) return name.empty() ? address : name;
  return name + " <" + address + ">";
}

CatalogEntry EntryOf(const DbStore& store, uint32_t record) {
  CatalogEntry entry;
  entry.record = record;
  entry.firstBlock = dbx::GetTextOffset(store, record);
  entry.read = (dbx::GetParentOrFlags(store, record) & dbx::kMessageRead) != 0;
  LazyHeader header(store, entry.firstBlock);
  if (entry.firstBlock != 0) {
    entry.headers = DecodeHeaders(header.text());
    entry.size = dbx::ReadMessageText(store, entry.firstBlock, [](std::span<const uint8_t>) {});
  }
  if (entry.headers.from.empty()) entry.headers.from = RecordSender(store, record);
  if (entry.headers.subject.empty()) entry.headers.subject = RecordText(store, record, dbx::kPropSubject);
  if (const int64_t received = ReceivedTime(store, record, header); received != 0) entry.headers.date = received;
  return entry;
}

std::vector<int64_t> IdentityOf(const std::string& path) {
  struct stat status {};
  if (stat(path.c_str(), &status) != 0) return {};
  return {static_cast<int64_t>(status.st_dev), static_cast<int64_t>(status.st_ino), status.st_size,
          status.st_mtim.tv_sec, status.st_mtim.tv_nsec};
}

}  // namespace

MessageCatalog CatalogOf(const DbStore& store, const std::string& where, ExportWatcher& watcher) {
  MessageCatalog catalog;
  const MessageList list = MessagesOf(store, dbx::TreeRoot(store, 0), true);
  if (list.cut) catalog.problems.push_back(where + ": the tree of messages loops: what lies beyond was not reached");
  catalog.entries.reserve(list.records.size());
  for (size_t i = 0; i < list.records.size(); ++i) {
    const uint32_t record = list.records[i];
    if (dbx::RecordAt(store, record) == nullptr) {
      catalog.problems.push_back(Format("%s: the record at %08X is not valid: left out", where.c_str(), record));
    } else {
      catalog.entries.push_back(EntryOf(store, record));
    }
    if (!watcher.Step(i + 1, list.records.size())) {
      catalog.stopped = true;
      break;
    }
  }
  return catalog;
}

bool OpenMessageDatabase(DbStore& store, const std::string& path, std::string& failure) {
  if (!store.Open(path)) {
    failure = path + ": " + store.DescribeFailure();
    return false;
  }
  if (!dbx::IsMessageDatabase(&store)) {
    failure = path + ": not a message database";
    return false;
  }
  return true;
}

std::shared_ptr<const MessageCatalog> CatalogCache::Get(const std::string& path, ExportWatcher& watcher,
                                                        std::string& failure) {
  const std::vector<int64_t> identity = IdentityOf(path);
  if (const auto kept = kept_.find(path); kept != kept_.end()) {
    if (!identity.empty() && kept->second.identity == identity) return kept->second.catalog;
    kept_.erase(kept);
  }
  DbStore store;
  if (!OpenMessageDatabase(store, path, failure)) return nullptr;
  auto catalog = std::make_shared<const MessageCatalog>(CatalogOf(store, path, watcher));
  if (!catalog->stopped && !identity.empty()) kept_[path] = {identity, catalog};
  return catalog;
}

CatalogCache& SessionCatalogs() {
  static CatalogCache cache;
  return cache;
}

}  // namespace vendrel::mail
