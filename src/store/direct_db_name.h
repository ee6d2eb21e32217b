#pragma once

#include <string>
#include <string_view>

namespace vendrel {

inline constexpr std::string_view kMutexSuffix = "_DirectDBMutex";
inline constexpr std::string_view kFileMapSuffix = "_DirectDBFileMap";
// Object names live in 260-character buffers (259 and the terminator).
inline constexpr size_t kMaxDirectDbName = 259;
// The longest path whose mapping name still fits: 259 - length of "_DirectDBFileMap".
inline constexpr size_t kMaxDbPathLength = kMaxDirectDbName - kFileMapSuffix.size();

// The name under which the mail client and every instance of this program know the lock (or mapping)
// of one database file: path and suffix, lower-cased, with every path separator made an underscore, so
// that C:\Mail\Inbox.dbx gives c:_mail_inbox.dbx_directdbmutex. The path is used as given. False when
// the name would not fit its buffer.
bool MakeDirectDbName(std::string& name, std::string_view path, std::string_view suffix);
// The same name for a path of any length.
std::string DirectDbName(std::string_view path, std::string_view suffix);

}  // namespace vendrel
