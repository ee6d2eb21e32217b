#pragma once

#include <string>

#include "export/output_directory.h"
#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

inline constexpr const char* kNoBody = "No body - possible not to download!";
inline constexpr const char* kNoBodyCaption = "Can't show";

// Whether the record at recordRa is a message whose text is in the file. A message without text says so
// in a message box when showMessages is set; a folder record is refused silently.
bool CanExport(const DbStore& store, uint32_t recordRa, bool showMessages);

// Writes the text of the message at recordRa as the file name in directory, with CR LF line ends,
// straight from the mapping. The file is new whole or not at all: one that has the name already is
// replaced only by a complete new one, never truncated or written through (see NewFile). A message
// without text writes nothing. False, with why in error, when the file could not be written. text, when
// given, is the message's text read already (a text found without its record is written from it alone).
bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const OutputDirectory& directory,
                      const std::string& name, std::string& error, const MessageText* text = nullptr);
// The same at path, whose directory must be there; shows the path on the status line. A file that cannot
// be written is reported on the diagnostic channel too.
bool WriteMessageFile(const DbStore& store, uint32_t recordRa, const std::string& path, std::string& error);

}  // namespace vendrel
