#include "export/message_walk.h"

#include "dbx/record.h"
#include "platform/format.h"

namespace vendrel {

MessageWalk WalkMessages(const DbStore& store, const MessageList& list, bool checkLineEnds,
                         ExportWatcher& watcher, std::vector<std::string>& problems, const TakeMessage& take) {
  const std::string& where = store.path();
  if (list.cut) problems.push_back(where + ": its index tree loops; the messages beyond the loop are left out");
  // The first block of every text, read ahead: each record's own, then the texts found.
  std::vector<uint32_t> firstBlocks;
  firstBlocks.reserve(list.records.size() + list.texts.size());
  for (const uint32_t record : list.records) {
    firstBlocks.push_back(dbx::RecordAt(store, record) != nullptr ? dbx::GetTextOffset(store, record) : 0);
  }
  firstBlocks.insert(firstBlocks.end(), list.texts.begin(), list.texts.end());
  const size_t total = firstBlocks.size();
  MessageWalk walk;
  TextReadAhead texts(store, firstBlocks, checkLineEnds);
  for (size_t index = 0; index < total && !walk.ended; ++index) {
    const uint32_t record = index < list.records.size() ? list.records[index] : 0;
    if (record != 0 && dbx::RecordAt(store, record) == nullptr) {
      ++walk.notValid;
      problems.push_back(Format("%s: the record at %08X is not valid: left out", where.c_str(), record));
    } else if (firstBlocks[index] == 0) {
      ++walk.withoutText;
    } else if (take(record, firstBlocks[index], texts.Take(index))) {
      ++walk.handed;
    } else {
      walk.ended = true;
    }
    if (!walk.ended && !watcher.Step(++walk.done, total)) walk.stopped = true;
    if (walk.stopped) break;
  }
  if (walk.withoutText > 0) {
    problems.push_back(Format("%s: %d messages have no text in the file (never downloaded): left out",
                              where.c_str(), walk.withoutText));
  }
  return walk;
}

}  // namespace vendrel
