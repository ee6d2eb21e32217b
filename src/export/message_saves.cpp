#include "export/message_saves.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "dbx/record.h"
#include "export/export_path.h"
#include "export/message_file.h"
#include "export/output_directory.h"
#include "export/text_read_ahead.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

bool DesktopWatcher::Step(uint64_t done, uint64_t total) {
  return CurrentDesktop().ReportProgress(done, total);
}

void DesktopWatcher::Saved(const std::string& statusLine) {
  SetStatusText(statusLine);
}

SaveCount SaveMessages(const DbStore& store, const MessageList& list, const std::string& directory,
                       ExportWatcher& watcher) {
  SaveCount count;
  const std::string& where = store.path();
  count.skipped = list.repeats;
  if (list.cut) {
    ++count.failed;
    count.problems.push_back(where + ": its index tree loops; the messages beyond the loop are left out");
  }
  std::optional<OutputDirectory> folder;
  bool folderTried = false;
  int unwritten = 0;  // messages with text that were not written
  TextReadAhead texts(store, list.records, true);
  for (size_t index = 0; index < list.records.size(); ++index) {
    const uint32_t record = list.records[index];
    const std::optional<std::string> name = ExportFileName(store, record);
    if (!name) {
      ++count.failed;
      count.problems.push_back(Format("%s: the record at %08X is not valid: left out", where.c_str(), record));
    } else if (dbx::GetTextOffset(store, record) == 0) {
      ++count.withoutText;
    } else {
      if (!folderTried) {
        folderTried = true;
        const std::optional<OutputDirectory> top = OutputDirectory::Open(directory);
        if (top) folder = top->Subdirectory(FolderDirectoryName(store));
        if (!folder) {
          count.problems.push_back(Format("cannot make %s/%s: %s", directory.c_str(),
                                          FolderDirectoryName(store).c_str(), std::strerror(errno)));
        }
      }
      std::string error;
      if (folder && WriteMessageFile(store, record, *folder, *name, error, &texts.Take(index))) {
        ++count.saved;
      } else {
        ++count.failed;
        if (folder && unwritten++ == 0) count.problems.push_back(error);
      }
    }
    if (!watcher.Step(++count.done, list.records.size())) {
      count.stopped = true;
      break;
    }
  }
  // The first file that could not be written was named; the others are counted.
  const int uncounted = folder ? unwritten - 1 : unwritten;
  if (uncounted > 0) {
    count.problems.push_back(Format("%s: %d %smessages could not be written", where.c_str(), uncounted,
                                    folder ? "more " : ""));
  }
  if (count.withoutText > 0) {
    count.problems.push_back(Format("%s: %d messages have no text in the file (never downloaded): left out",
                                    where.c_str(), count.withoutText));
  }
  return count;
}

}  // namespace vendrel
