// The messages of a database as a mail client lists them: sender, recipients, subject and date decoded
// from each message's header (the record's own texts where the header has none: they are copies in a
// legacy code page, which loses what it cannot write), the size of its text and whether it was read.
// Made once per session and database, kept while the file stays as it was.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "export/export_watcher.h"
#include "mail/message_search.h"
#include "store/db_store.h"

namespace vendrel::mail {

struct CatalogEntry {
  uint32_t record = 0;
  uint32_t firstBlock = 0;  // of the message's text; 0 when the text is not in the file
  MessageHeaders headers;   // date: received, else sent, else the Date field
  uint64_t size = 0;        // bytes of stored text
  bool read = false;
};

struct MessageCatalog {
  std::vector<CatalogEntry> entries;  // in the order of the message tree
  std::vector<std::string> problems;  // what was left out, a line each
  bool stopped = false;               // the watcher stopped it: entries holds what came before
};

// Every message of the tree of messages of the database store has open; where names the database in
// the problems. The watcher hears of each record and may stop the walk.
MessageCatalog CatalogOf(const DbStore& store, const std::string& where, ExportWatcher& watcher);

// Opens store on the message database at path; false, with why in failure, when it is none.
bool OpenMessageDatabase(DbStore& store, const std::string& path, std::string& failure);

// The catalogs made in this session, by database.
class CatalogCache {
 public:
  // The catalog of the message database at path, kept from before while the file is the same one
  // with the same size and time of change; null (with why in failure) when it cannot be opened as one.
  // A stopped catalog is handed out but not kept.
  std::shared_ptr<const MessageCatalog> Get(const std::string& path, ExportWatcher& watcher, std::string& failure);
  // Forgets what was made of path (the user refreshed it).
  void Forget(const std::string& path) { kept_.erase(path); }

 private:
  struct Kept {
    std::vector<int64_t> identity;  // device, inode, size and time of change of the file
    std::shared_ptr<const MessageCatalog> catalog;
  };
  std::map<std::string, Kept> kept_;
};

// The session's one cache, shared by every window.
CatalogCache& SessionCatalogs();

}  // namespace vendrel::mail
