// Names made from what a database says (subjects, folder names) before they become file names. Both work
// on the text decoded from the legacy code page: a check on the raw bytes could be passed by a code page
// whose decoder turns other bytes into '/' or '.'.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vendrel {

inline constexpr size_t kSafeNameCapacity = 40;  // 39 characters and the terminator
inline constexpr const char* kNoSubject = "(No subject)";

// The display name of a message (raw legacy bytes) as a UTF-8 file-name stem: "(No subject)" when there
// is none, else its first capacity - 1 characters with each of < > : " / \ | * ? CR LF TAB replaced by
// '_'. Nothing else is changed.
std::string GetSafeDispName(std::optional<std::string_view> legacySource,
                            size_t capacity = kSafeNameCapacity);

// A folder name from a database header (raw legacy bytes) as a UTF-8 directory name: the same
// replacements, and a name that would mean this or the parent directory ("", ".", "..") replaced too,
// so that no database can send a save outside the directory the user chose.
std::string SafeFolderName(std::string_view legacyName);

}  // namespace vendrel
