// One short session on one database file: take the file's DirectDB lock, map the whole file, hand out
// bounds-checked access by relative address (RA), give everything back on Close. Every operation of the
// explorer opens its own. A session opened on a file while another session of the same thread has it
// open (an item's session inside the window's) shares that one's lock and mapping, without a system call.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "platform/file_lock.h"
#include "platform/file_mapping.h"

namespace vendrel {

inline constexpr std::chrono::milliseconds kDirectDbWait{20000};

// Why a session could not be opened, for the user to be told.
enum class OpenFailure {
  None,
  PathTooLong,
  NotFound,
  PermissionDenied,
  NotARegularFile,
  EmptyFile,
  Locked,
  NoLock,
  Unreadable,
  UnfinishedChange
};
std::string_view Describe(OpenFailure failure);

class DbStore {
 public:
  DbStore() = default;
  virtual ~DbStore() { Close(); }
  DbStore(const DbStore&) = delete;
  DbStore& operator=(const DbStore&) = delete;

  // Close, Lock, Map. requestedLength 0 maps the file at its current size (what every caller passes).
  bool Open(const std::string& path, uint32_t requestedLength = 0);
  // Like Open, but a change that was cut off is left as it is, for what must never write: a check, a
  // salvage. unfinishedChange() tells whether one was found.
  bool OpenAsFound(const std::string& path);
  bool unfinishedChange() const { return unfinishedChange_; }
  // A session on a private copy of what source shows, for a change that is checked whole before any of
  // it reaches the file (see CopyOnWrite). It holds no lock: source's covers it.
  bool OpenCopyOf(const DbStore& source);
  bool Lock(const std::string& path);
  bool Map(const std::string& path, uint32_t requestedLength);
  // Makes the view at least minimumLength bytes long, extending the file. Every pointer this session
  // took before a successful call is stale; other sessions keep the view they read. A failure closes the
  // session, except on a read-only file, which is refused before anything is touched.
  bool Grow(uint32_t minimumLength);
  void Unmap();
  void Close();
  // Maps the file again at its size now, after a change was written into it past the end of the view.
  bool Remap();

  // Pointer to length bytes at ra, or null when the range is not inside the view.
  const uint8_t* At(uint32_t ra, uint32_t length) const;
  // Like At, but only when the structure at ra starts with its own RA (the self-tag of index nodes,
  // records and text blocks). length covers the whole structure and is at least 4.
  const uint8_t* AtChecked(uint32_t ra, uint32_t length = 4) const;
  // Writable access for in-place updates; null on a read-only session or outside the view.
  uint8_t* AtWritable(uint32_t ra, uint32_t length);

  std::optional<uint8_t> ReadU8(uint32_t ra) const;
  std::optional<uint16_t> ReadU16(uint32_t ra) const;
  std::optional<uint32_t> ReadU32(uint32_t ra) const;
  bool WriteU32(uint32_t ra, uint32_t value);

  // Space allocation: carves a zero-filled block, tagged with its own RA, out of the chunk of the
  // allocation descriptor at descriptorOffset, or out of a new chunk at the end of the file.
  uint8_t* Allocate(uint32_t size, uint32_t descriptorOffset, uint32_t growth);
  // Places a prepared block through the entry-heap descriptor; the block's first u32 receives its RA.
  bool StoreBlock(std::span<uint8_t> block);

  // The blocks Allocate handed out in this session, as (RA, length).
  const std::vector<std::pair<uint32_t, uint32_t>>& allocations() const { return allocations_; }
  FileMapping* mapping() const { return mapping_.get(); }

  bool IsOpen() const { return mapping_ != nullptr && mapping_->data() != nullptr; }
  bool IsWritable() const { return IsOpen() && mapping_->IsWritable(); }
  uint64_t viewLength() const { return IsOpen() ? mapping_->size() : 0; }
  uint32_t mappedLength() const { return mappedLength_; }
  const std::string& mappingName() const { return mappingName_; }

  // How long Lock waits for a peer; the mail client's convention is 20 s.
  void SetLockTimeout(std::chrono::milliseconds timeout) { lockTimeout_ = timeout; }
  // Why the last Open, Lock or Map failed.
  OpenFailure lastFailure() const { return failure_; }
  // The same in words, with what the system told: who holds the lock, why a change cannot be undone.
  std::string DescribeFailure() const;
  // The path the session was opened with, as the caller typed it.
  const std::string& path() const { return path_; }

 private:
  bool JoinOuterSession(const std::string& path);

  // Shared with the process's kept mappings and with nested sessions on the same file.
  std::shared_ptr<FileMapping> mapping_;
  std::string path_;  // as the caller typed it
  FileLock mutex_;
  uint32_t mappedLength_ = 0;
  std::string mappingName_;
  std::chrono::milliseconds lockTimeout_ = kDirectDbWait;
  bool wrote_ = false;
  bool unfinishedChange_ = false;
  OpenFailure failure_ = OpenFailure::None;
  std::string failureDetail_;
  std::vector<std::pair<uint32_t, uint32_t>> allocations_;
};

}  // namespace vendrel
