#pragma once

#include <optional>
#include <string>

#include "store/db_store.h"

namespace vendrel {

// "eml" for prototype byte 2 or 3, "nws" for 0, "txt" for anything else; none when the header cannot be
// read.
std::optional<std::string> GetExportExtension(const DbStore& store);

// "<safe subject> <FolderID>_<ID>.<extension>" for the message record at recordRa, the subject made safe
// and decoded to UTF-8. None when the record is not valid or the header cannot be read.
std::optional<std::string> ExportFileName(const DbStore& store, uint32_t recordRa);
// The same for a message: a text found without its record (recordRa 0) is named after the RA of its first
// block, "Text at <RA>.<extension>".
std::optional<std::string> ExportFileName(const DbStore& store, uint32_t recordRa, uint32_t firstBlockRa);
// directory/ExportFileName. None also when the directory is empty or the path would be longer than a path
// can be.
std::optional<std::string> MakeExportPath(const DbStore& store, uint32_t recordRa,
                                          const std::string& directory);

// Creates one directory level (an existing one is fine). True when path is then a directory of its
// own, not a symbolic link that could lead a save elsewhere.
bool MakeDirectory(const std::string& path);

// The directory a database's "Save default" writes into: directory/FolderDirectoryName.
std::optional<std::string> FolderDirectory(const DbStore& store, const std::string& directory);
// The folder name of a message database's header, made safe for a directory name.
std::string FolderDirectoryName(const DbStore& store);

}  // namespace vendrel
