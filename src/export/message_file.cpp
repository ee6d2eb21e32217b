#include "export/message_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "export/line_ends.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"

namespace vendrel {

namespace {

// Text is gathered and written in blocks of this size: one write for most messages.
constexpr size_t kWriteBlock = 1 << 18;

bool WriteAll(int fd, const std::string& bytes) {
  for (size_t done = 0; done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool CanExport(const DbStore& store, uint32_t recordRa, bool showMessages) {
  if (!dbx::IsMessageDatabase(&store)) return false;
  if (dbx::GetTextOffset(store, recordRa) != 0) return true;
  if (showMessages) CurrentDesktop().ShowMessage(kNoBody, kNoBodyCaption, MessageButtons::Ok);
  return false;
}

bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const std::string& path) {
  const uint32_t first = dbx::GetTextOffset(store, recordRa);
  if (first == 0) return false;
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644);
  if (fd < 0) {
    CurrentDesktop().Diagnostic(
        Format("    BAG! File %s failed to create!\nCheck GetSafeDispName()\n", path.c_str()));
    return false;
  }
  std::string out;
  out.reserve(kWriteBlock + kWriteBlock / 8);
  CrLfNormalizer lineEnds;
  bool written = true;
  dbx::ReadMessageText(store, first, [&](std::span<const uint8_t> text) {
    lineEnds.Feed(text, out);
    if (out.size() >= kWriteBlock) {
      written = written && WriteAll(fd, out);
      out.clear();
    }
  });
  lineEnds.Finish(out);
  written = written && WriteAll(fd, out);
  written = close(fd) == 0 && written;
  if (!written) {
    unlink(path.c_str());
    return false;
  }
  SetStatusText(path);
  return true;
}

}  // namespace vendrel
