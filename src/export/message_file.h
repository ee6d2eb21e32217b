#pragma once

#include <string>

#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

inline constexpr const char* kNoBody = "No body - possible not to download!";
inline constexpr const char* kNoBodyCaption = "Can't show";

// Whether the record at recordRa is a message whose text is in the file. A message without text says so
// in a message box when showMessages is set; a folder record is refused silently.
bool CanExport(const DbStore& store, uint32_t recordRa, bool showMessages);

// Writes the text of the message at recordRa to path with CR LF line ends, straight from the mapping, and
// shows the path on the status line (unless showPath is clear: a save of thousands shows its count
// instead). A message without text leaves no file behind; a file that cannot be created is reported on
// the diagnostic channel; a failed write removes the partial file. An existing file is overwritten, a
// symbolic link at path is not followed. text, when given, is the message's text read already.
bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const std::string& path, bool showPath = true,
                      const MessageText* text = nullptr);

}  // namespace vendrel
