#include "export/message_walk.h"

#include "platform/format.h"

namespace vendrel {

MessageWalk WalkMessages(const DbStore& store, const MessageList& list, bool checkLineEnds,
                         ExportWatcher& watcher, std::vector<std::string>& problems, const TakeMessage& take,
                         const ConvertMessage& convert) {
  const std::string& where = store.path();
  if (list.cut) problems.push_back(where + ": its index tree loops; the messages beyond the loop are left out");
  // Every record, then every text found without one, read ahead: the reader validates the records too,
  // so that this thread does not wait for their pages.
  std::vector<TextSource> sources;
  sources.reserve(list.records.size() + list.texts.size());
  for (const uint32_t record : list.records) sources.push_back({.record = record});
  for (const uint32_t text : list.texts) sources.push_back({.firstBlock = text});
  ConvertText convertText;
  if (convert) {
    convertText = [&](const TextSource& source, const MessageText& text, BufferSink& converted, bool spare) {
      return convert(source.record, text.firstBlock, text, converted, spare);
    };
  }
  MessageWalk walk;
  TextReadAhead texts(store, sources, checkLineEnds, {}, std::move(convertText));
  for (size_t index = 0; index < sources.size() && !walk.ended; ++index) {
    const uint32_t record = sources[index].record;
    const MessageText& text = texts.Take(index);
    if (!text.recordValid) {
      problems.push_back(Format("%s: the record at %08X is not valid: left out", where.c_str(), record));
    } else if (text.firstBlock == 0) {
      ++walk.withoutText;
    } else if (take(record, text.firstBlock, text)) {
      ++walk.handed;
    } else {
      walk.ended = true;
    }
    // A stop asked for as the last message went out leaves nothing out.
    if (!walk.ended && !watcher.Step(++walk.done, sources.size()) && index + 1 < sources.size()) {
      walk.stopped = true;
      break;
    }
  }
  if (walk.withoutText > 0) {
    problems.push_back(Format("%s: %d messages have no text in the file (never downloaded): left out",
                              where.c_str(), walk.withoutText));
  }
  return walk;
}

}  // namespace vendrel
