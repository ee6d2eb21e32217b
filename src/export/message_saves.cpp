#include "export/message_saves.h"

#include <cerrno>
#include <cstring>
#include <optional>

#include "export/export_path.h"
#include "export/message_file.h"
#include "export/message_walk.h"
#include "export/output_directory.h"
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
                       ExportWatcher& watcher, const std::string& folderName) {
  SaveCount count;
  const std::string folderDirectory = folderName.empty() ? FolderDirectoryName(store) : folderName;
  std::optional<OutputDirectory> folder;
  bool folderTried = false;
  int unwritten = 0;  // messages with text that were not written
  const MessageWalk walk =
      WalkMessages(store, list, true, watcher, count.problems, [&](uint32_t record, uint32_t firstBlock,
                                                                  const MessageText& text) {
        // Made at the first message that has text, so that a database without any leaves no directory.
        if (!folderTried) {
          folderTried = true;
          const std::optional<OutputDirectory> top = OutputDirectory::Open(directory);
          if (top) folder = top->Subdirectory(folderDirectory);
          if (!folder) {
            count.problems.push_back(Format("cannot make %s/%s: %s", directory.c_str(), folderDirectory.c_str(),
                                            std::strerror(errno)));
          }
        }
        std::string error = "the header cannot be read";
        const std::optional<std::string> name = ExportFileName(store, record, firstBlock);
        if (folder && name && WriteMessageFile(store, record, *folder, *name, error, &text)) return true;
        // The first file that could not be written is named; the others are counted.
        if (folder && unwritten == 0) count.problems.push_back(error);
        ++unwritten;
        return true;
      });
  const int uncounted = folder ? unwritten - 1 : unwritten;
  if (uncounted > 0) {
    count.problems.push_back(Format("%s: %d %smessages could not be written", store.path().c_str(), uncounted,
                                    folder ? "more " : ""));
  }
  count.saved = walk.handed - unwritten;
  count.skipped = list.repeats;
  count.stopped = walk.stopped;
  return count;
}

}  // namespace vendrel
