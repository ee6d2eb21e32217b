#include "export/message_walk.h"

#include "dbx/record.h"
#include "platform/format.h"

namespace vendrel {

MessageWalk WalkMessages(const DbStore& store, const MessageList& list, bool checkLineEnds,
                         ExportWatcher& watcher, std::vector<std::string>& problems,
                         const std::function<bool(uint32_t record, const MessageText& text)>& take) {
  const std::string& where = store.path();
  if (list.cut)
    problems.push_back(where + ": its index tree loops; the messages beyond the loop are left out");
  MessageWalk walk;
  TextReadAhead texts(store, list.records, checkLineEnds);
  for (size_t index = 0; index < list.records.size() && !walk.ended; ++index) {
    const uint32_t record = list.records[index];
    if (dbx::RecordAt(store, record) == nullptr) {
      ++walk.notValid;
      problems.push_back(Format("%s: the record at %08X is not valid: left out", where.c_str(), record));
    } else if (dbx::GetTextOffset(store, record) == 0) {
      ++walk.withoutText;
    } else if (take(record, texts.Take(index))) {
      ++walk.handed;
    } else {
      walk.ended = true;
    }
    if (!walk.ended && !watcher.Step(++walk.done, list.records.size())) walk.stopped = true;
    if (walk.stopped) break;
  }
  if (walk.withoutText > 0) {
    problems.push_back(Format("%s: %d messages have no text in the file (never downloaded): left out",
                              where.c_str(), walk.withoutText));
  }
  return walk;
}

}  // namespace vendrel
