#include "export/message_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "dbx/header.h"
#include "dbx/record.h"
#include "export/line_ends.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

bool CanExport(const DbStore& store, uint32_t recordRa, bool showMessages) {
  if (!dbx::IsMessageDatabase(&store)) return false;
  if (dbx::GetTextOffset(store, recordRa) != 0) return true;
  if (showMessages) CurrentDesktop().ShowMessage(kNoBody, kNoBodyCaption);
  return false;
}

bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const std::string& path, bool showPath,
                      const MessageText* text) {
  const uint32_t first = dbx::GetTextOffset(store, recordRa);
  if (first == 0) return false;
  MessageText own;
  if (text == nullptr) {
    ReadMessageTextOf(store, first, false, own);
    text = &own;
  }
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    CurrentDesktop().Diagnostic(
        Format("    BAG! File %s failed to create!\nCheck GetSafeDispName()\n", path.c_str()));
    return false;
  }
  // The text goes out in place, from the mapping: only the line ends that change are written anew.
  FileSink file(fd);
  if (text->crLfOnly) {
    for (const std::span<const uint8_t> piece : text->pieces) file.Run(piece.data(), piece.size());
  } else {
    CrLfNormalizer lineEnds;
    for (const std::span<const uint8_t> piece : text->pieces) lineEnds.Feed(piece, file);
    lineEnds.Finish(file);
  }
  bool written = file.Flush();
  written = close(fd) == 0 && written;
  if (!written) {
    unlink(path.c_str());
    return false;
  }
  if (showPath) SetStatusText(path);
  return true;
}

}  // namespace vendrel
