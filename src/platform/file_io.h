// The calls that change files, each passing a write point (see write_faults.h) and each checked: a short
// write is finished, an interrupted one retried, and a failure leaves errno for the caller to report.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vendrel {

bool WriteAll(int fd, std::span<const uint8_t> bytes);
bool WriteAllAt(int fd, uint64_t offset, std::span<const uint8_t> bytes);
bool TruncateFile(int fd, uint64_t length);
bool SyncFile(int fd);
// Makes the entries of a directory durable: a file made, renamed or removed there survives a power cut.
bool SyncDirectory(const std::string& directory);
bool RemoveFile(const std::string& path);

// The one spelling of a file's path: absolute, with symbolic links, "." and ".." resolved (as far as the
// path exists).
std::string CanonicalPath(const std::string& path);

}  // namespace vendrel
