#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vendrel {

// The file called name in directory, for a name read from a database (a folder's "FileName"). A name
// that is not a plain file name (a path separator, "." or "..") is refused, so that a database never
// leads outside its directory. Archives copied from Windows often differ in letter case from the stored
// name: when the exact name does not exist, the one file of the directory whose name matches without
// regard to case is taken. None when there is no such file or more than one.
std::optional<std::string> ResolveSiblingFile(const std::string& directory, const std::string& name);

// The message database a folder names (its "FileName": text of the legacy code page) in directory. On
// disk it may carry the UTF-8 form of the name (a copy from a Windows disk) or the stored bytes as they
// are (an archive unpacked without converting names): the UTF-8 form is looked for first, then the raw
// bytes, then either without regard to case.
std::optional<std::string> ResolveFolderFile(const std::string& directory, std::string_view legacyName);

// The directory part of a path, with its final separator ("" for a bare file name).
std::string DirectoryOf(const std::string& path);

}  // namespace vendrel
