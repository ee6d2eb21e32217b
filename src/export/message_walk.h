// The walk every export makes over the messages of a database: each message that has its text in the
// file is handed over with the text (read ahead on a second thread), in the order of the list; what
// cannot be (a record that is not valid, a message whose text is not in the file, the rest of a tree that
// loops) is left out and said; the watcher hears of every record and may stop the walk.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "export/export_watcher.h"
#include "export/message_order.h"
#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

struct MessageWalk {
  int handed = 0;        // messages handed over
  int withoutText = 0;   // messages whose text is not in the file
  uint64_t done = 0;     // records passed
  bool stopped = false;  // the watcher stopped it
  bool ended = false;    // a message was refused: the walk ended there
};

// What take is handed of each message: its record (0 for a text found without it), the first block of
// its text, and the text.
using TakeMessage = std::function<bool(uint32_t record, uint32_t firstBlock, const MessageText& text)>;
// What is written of a message, made from the same on the reader's thread (see ConvertText).
using ConvertMessage = std::function<bool(uint32_t record, uint32_t firstBlock, const MessageText& text,
                                          BufferSink& converted, bool spare)>;

// Hands each message of list with its text (and, with convert, text.converted) to take, the records
// first, then the texts found without them; take returns false to end the walk (a file that cannot be
// written). What is left out goes to problems, one line each, naming the database.
MessageWalk WalkMessages(const DbStore& store, const MessageList& list, bool checkLineEnds,
                         ExportWatcher& watcher, std::vector<std::string>& problems, const TakeMessage& take,
                         const ConvertMessage& convert = {});

}  // namespace vendrel
