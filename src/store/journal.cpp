#include "store/journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/file_io.h"
#include "platform/format.h"
#include "store/little_endian.h"

namespace vendrel {

namespace {

constexpr char kMagic[8] = {'V', 'D', 'R', 'L', 'J', 'N', 'L', '1'};
constexpr size_t kHeadSize = 20;
constexpr size_t kRangeHeadSize = 16;
// A journal is made of the bytes a change overwrites; no change comes near this.
constexpr uint64_t kMaxJournal = uint64_t{256} << 20;

uint64_t Fnv1a(std::span<const uint8_t> bytes) {
  uint64_t hash = 14695981039346656037ull;  // FNV-1a, 64 bits
  for (const uint8_t byte : bytes) {
    hash ^= byte;
    hash *= 1099511628211ull;
  }
  return hash;
}

// The whole file at path, or none (errno set) when it cannot be read or is larger than limit.
std::optional<std::vector<uint8_t>> ReadWhole(const std::string& path, uint64_t limit) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::vector<uint8_t>> bytes;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && static_cast<uint64_t>(info.st_size) <= limit) {
    bytes.emplace(static_cast<size_t>(info.st_size));
    size_t done = 0;
    while (done < bytes->size()) {
      const ssize_t n = pread(fd, bytes->data() + done, bytes->size() - done, static_cast<off_t>(done));
      if (n <= 0) break;
      done += static_cast<size_t>(n);
    }
    if (done != bytes->size()) bytes.reset();
  } else {
    errno = EFBIG;
  }
  close(fd);
  return bytes;
}

struct ParsedJournal {
  uint64_t originalLength;
  std::vector<ChangedRange> ranges;  // pointing into the journal's bytes
};

// The journal's content when it is whole (its checksum holds); none for one cut short.
std::optional<ParsedJournal> Parse(std::span<const uint8_t> bytes) {
  if (bytes.size() < kHeadSize + 8 || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0)
    return std::nullopt;
  const std::span<const uint8_t> body = bytes.first(bytes.size() - 8);
  if (Fnv1a(body) != LoadU64(bytes.data() + body.size())) return std::nullopt;
  ParsedJournal journal{.originalLength = LoadU64(body.data() + 8), .ranges = {}};
  const uint32_t count = LoadU32(body.data() + 16);
  size_t at = kHeadSize;
  for (uint32_t i = 0; i < count; ++i) {
    if (body.size() - at < kRangeHeadSize) return std::nullopt;
    const uint64_t offset = LoadU64(body.data() + at), length = LoadU64(body.data() + at + 8);
    at += kRangeHeadSize;
    if (length > (body.size() - at) / 2) return std::nullopt;
    const size_t n = static_cast<size_t>(length);
    journal.ranges.push_back({offset, body.subspan(at, n), body.subspan(at + n, n)});
    at += 2 * n;
  }
  return at == body.size() ? std::optional(journal) : std::nullopt;
}

// Why the file at fd is not the one the journal was written for; empty when it is.
std::string Mismatch(int fd, const ParsedJournal& journal) {
  struct stat info {};
  if (fstat(fd, &info) != 0) return std::strerror(errno);
  if (static_cast<uint64_t>(info.st_size) < journal.originalLength)
    return "the file is shorter than before the change";
  std::vector<uint8_t> now;
  for (const ChangedRange& range : journal.ranges) {
    if (range.offset > journal.originalLength ||
        range.before.size() > journal.originalLength - range.offset) {
      return "the journal names bytes past the file's old end";
    }
    now.resize(range.before.size());
    if (pread(fd, now.data(), now.size(), static_cast<off_t>(range.offset)) !=
        static_cast<ssize_t>(now.size())) {
      return "the file cannot be read";
    }
    for (size_t i = 0; i < now.size(); ++i) {
      if (now[i] != range.before[i] && now[i] != range.after[i]) {
        return Format("its bytes at %llX are neither as they were nor as the change made them",
                      static_cast<unsigned long long>(range.offset + i));
      }
    }
  }
  return {};
}

}  // namespace

std::string JournalPath(const std::string& databasePath) {
  return CanonicalPath(databasePath) + "-journal";
}

bool WriteJournal(const std::string& databasePath, uint64_t originalLength,
                  const std::vector<ChangedRange>& ranges) {
  std::vector<uint8_t> bytes(kHeadSize);
  std::memcpy(bytes.data(), kMagic, sizeof kMagic);
  StoreU64(bytes.data() + 8, originalLength);
  StoreU32(bytes.data() + 16, static_cast<uint32_t>(ranges.size()));
  for (const ChangedRange& range : ranges) {
    const size_t at = bytes.size();
    bytes.resize(at + kRangeHeadSize);
    StoreU64(bytes.data() + at, range.offset);
    StoreU64(bytes.data() + at + 8, range.before.size());
    bytes.insert(bytes.end(), range.before.begin(), range.before.end());
    bytes.insert(bytes.end(), range.after.begin(), range.after.end());
  }
  bytes.resize(bytes.size() + 8);
  StoreU64(bytes.data() + bytes.size() - 8, Fnv1a(std::span(bytes).first(bytes.size() - 8)));

  const std::string path = JournalPath(databasePath);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, bytes) && SyncFile(fd);
  const int error = errno;
  const bool closed = close(fd) == 0;
  if (written && closed && SyncDirectory(std::filesystem::path(path).parent_path())) return true;
  unlink(path.c_str());
  errno = written && closed ? errno : error;
  return false;
}

bool RemoveJournal(const std::string& databasePath) {
  const std::string path = JournalPath(databasePath);
  // The directory's sync makes the change lasting; the change is whole in the file already, so a
  // failure there leaves the file sound either way.
  if (!RemoveFile(path)) return false;
  SyncDirectory(std::filesystem::path(path).parent_path());
  return true;
}

Recovery RecoverInterruptedChange(const std::string& databasePath) {
  const std::string path = JournalPath(databasePath);
  std::error_code error;
  if (!std::filesystem::exists(path, error) && !error) return {};
  const std::optional<std::vector<uint8_t>> bytes = ReadWhole(path, kMaxJournal);
  if (!bytes)
    return {Recovery::Refused,
            Format("its journal %s cannot be read: %s", path.c_str(), std::strerror(errno))};
  const std::optional<ParsedJournal> journal = Parse(*bytes);
  if (!journal) {
    // Cut short while it was written: the file was not touched yet.
    RemoveFile(path);
    return {};
  }
  const int fd = open(CanonicalPath(databasePath).c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    return {
        Recovery::Refused,
        Format("an interrupted change cannot be undone, the file cannot be written (%s); its journal is %s",
               std::strerror(errno), path.c_str())};
  }
  Recovery recovery{Recovery::RolledBack, {}};
  if (const std::string mismatch = Mismatch(fd, *journal); !mismatch.empty()) {
    recovery = {Recovery::Refused, Format("the journal %s of an interrupted change does not belong to it: %s",
                                          path.c_str(), mismatch.c_str())};
  } else {
    bool undone = true;
    for (const ChangedRange& range : journal->ranges)
      undone = undone && WriteAllAt(fd, range.offset, range.before);
    undone =
        undone && TruncateFile(fd, journal->originalLength) && SyncFile(fd) && RemoveJournal(databasePath);
    if (!undone) {
      recovery = {Recovery::Refused, Format("an interrupted change cannot be undone: %s; its journal is %s",
                                            std::strerror(errno), path.c_str())};
    }
  }
  close(fd);
  return recovery;
}

}  // namespace vendrel
