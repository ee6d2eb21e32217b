// Names made from what a database says (subjects, folder names) before they become file names.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vendrel {

inline constexpr size_t kSafeNameCapacity = 40;  // 39 characters and the terminator
inline constexpr const char* kNoSubject = "(No subject)";

// The display name of a message as a file-name stem, in raw legacy bytes: "(No subject)" when there is
// none, else at most capacity - 1 characters (a double-byte character is never split) with each of
// < > : " / \ | * ? CR LF TAB replaced by '_'. Nothing else is changed.
std::string GetSafeDispName(std::optional<std::string_view> source, size_t capacity = kSafeNameCapacity);

// A folder name from a database header as a directory name: the same replacements, and a name that
// would mean this or the parent directory ("", ".", "..") replaced too, so that no database can send a
// save outside the directory the user chose. Raw legacy bytes in, raw legacy bytes out.
std::string SafeFolderName(std::string_view name);

}  // namespace vendrel
