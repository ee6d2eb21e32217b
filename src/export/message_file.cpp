#include "export/message_file.h"

#include <cerrno>
#include <cstring>

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

bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const OutputDirectory& directory,
                      const std::string& name, std::string& error, const MessageText* text) {
  MessageText own;
  if (text == nullptr) {
    const uint32_t first = dbx::GetTextOffset(store, recordRa);
    if (first == 0) return error = "the message has no text in the file", false;
    ReadMessageTextOf(store, first, false, own);
    text = &own;
  }
  NewFile file;
  if (!directory.Begin(file, name)) {
    error = Format("cannot make %s/%s: %s", directory.path().c_str(), name.c_str(), std::strerror(errno));
    return false;
  }
  // The text goes out in place, from the mapping: only the line ends that change are written anew.
  FileSink sink(file.fd());
  if (text->crLfOnly) {
    for (const std::span<const uint8_t> piece : text->pieces) sink.Run(piece.data(), piece.size());
  } else {
    CrLfNormalizer lineEnds;
    for (const std::span<const uint8_t> piece : text->pieces) lineEnds.Feed(piece, sink);
    lineEnds.Finish(sink);
  }
  if (!sink.Flush()) errno = sink.error();
  if (sink.error() != 0 || !file.Commit()) {
    error = Format("cannot write %s/%s: %s", directory.path().c_str(), name.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const std::string& path, std::string& error) {
  const size_t slash = path.rfind('/');
  const std::string directoryPath = slash == std::string::npos ? "."
                                    : slash == 0               ? "/"
                                                               : path.substr(0, slash);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::optional<OutputDirectory> directory = OutputDirectory::Open(directoryPath, false);
  if (!directory)
    error = Format("cannot open the directory %s: %s", directoryPath.c_str(), std::strerror(errno));
  if (dbx::GetTextOffset(store, recordRa) == 0) return error = "the message has no text in the file", false;
  if (!directory || !WriteMessageFile(store, recordRa, *directory, name, error)) {
    CurrentDesktop().Diagnostic(
        Format("    BAG! File %s failed to create!\nCheck GetSafeDispName()\n", path.c_str()));
    return false;
  }
  SetStatusText(path);
  return true;
}

}  // namespace vendrel
