// Saving the messages of a message database as files of their own (.eml, .nws or .txt by the header's
// prototype byte) into the directory named after its folder: the loop behind "Save default" of an index
// node or a whole database, and behind the .eml export of a store.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/export_watcher.h"
#include "export/message_order.h"
#include "store/db_store.h"

namespace vendrel {

// The outcome of saving the messages of an index node or of a whole database.
struct SaveCount {
  bool valid = false;    // the node (or database) could be read at all
  int saved = 0;         // message files written
  int skipped = 0;       // records the tree names again (a damaged file): each is saved once
  bool stopped = false;  // the user stopped the save
  std::vector<std::string> problems;  // what was left out, one line each, for the user
};

// Saves each message of list (records of the message database store has open, and texts found without
// them) into directory/folderName/, named as a single save names it (see ExportFileName); folderName is
// the folder name of the database's header, made safe, unless given. The directories are made at the
// first message that has text, so a database without any leaves none behind. The watcher hears of every
// message and may stop the save.
SaveCount SaveMessages(const DbStore& store, const MessageList& list, const std::string& directory,
                       ExportWatcher& watcher, const std::string& folderName = {});

}  // namespace vendrel
