#include "store/db_store.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/desktop.h"
#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/mapping_cache.h"
#include "platform/status_text.h"
#include "platform/write_faults.h"
#include "store/direct_db_name.h"
#include "store/journal.h"
#include "store/little_endian.h"
#include "store/quiet_sessions.h"

namespace vendrel {

namespace {

constexpr const char* kLockCaption = "Can't do it...";

void ShowLockMessage(const std::string& text) {
  if (!QuietSessions::Active()) CurrentDesktop().ShowMessage(text, kLockCaption);
}

// The sessions open on this thread, for nested ones to join.
thread_local std::vector<DbStore*> openSessions;

// What is wrong with the file at path, once it could not be mapped.
OpenFailure FileFailure(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? OpenFailure::NotFound
           : errno == EACCES                   ? OpenFailure::PermissionDenied
                                               : OpenFailure::Unreadable;
  }
  if (!S_ISREG(info.st_mode)) return OpenFailure::NotARegularFile;
  if (info.st_size == 0) return OpenFailure::EmptyFile;
  return access(path.c_str(), R_OK) != 0 ? OpenFailure::PermissionDenied : OpenFailure::Unreadable;
}

uint32_t RoundUpToPage(uint32_t length) {
  const uint64_t page = PageSize();
  const uint64_t rounded = (static_cast<uint64_t>(length) + page - 1) / page * page;
  return rounded > UINT32_MAX ? 0 : static_cast<uint32_t>(rounded);
}

}  // namespace

std::string_view Describe(OpenFailure failure) {
  switch (failure) {
    case OpenFailure::None: return "no failure";
    case OpenFailure::PathTooLong: return "the path is too long";
    case OpenFailure::NotFound: return "not found";
    case OpenFailure::PermissionDenied: return "permission denied";
    case OpenFailure::NotARegularFile: return "not a file";
    case OpenFailure::EmptyFile: return "an empty file";
    case OpenFailure::Locked: return "locked by another program";
    case OpenFailure::NoLock: return "its lock cannot be made";
    case OpenFailure::Unreadable: return "it cannot be read";
    case OpenFailure::UnfinishedChange:
      return "a change to it was interrupted";
  }
  return "unknown";
}

std::string DbStore::DescribeFailure() const {
  if (failureDetail_.empty()) return std::string(Describe(failure_));
  if (failure_ != OpenFailure::Locked) return std::string(Describe(failure_)) + ": " + failureDetail_;
  // Who holds it: another instance of this program, or some other one.
  if (failureDetail_.starts_with("vendrel")) return "locked by another Vendrel process, " + failureDetail_;
  return "locked by another program, " + failureDetail_;
}

bool DbStore::Open(const std::string& path, uint32_t requestedLength) {
  Close();
  failure_ = OpenFailure::None;
  failureDetail_.clear();
  if (requestedLength == 0 && JoinOuterSession(path)) return true;
  if (!Lock(path)) return false;
  // Before anything reads the file: a change that was cut off is undone, so every session sees the file
  // as it was or with the whole change.
  const Recovery recovery = RecoverInterruptedChange(path);
  if (recovery.outcome == Recovery::Refused) {
    Close();
    failure_ = OpenFailure::UnfinishedChange;
    failureDetail_ = recovery.reason;
    return false;
  }
  if (recovery.outcome == Recovery::RolledBack) {
    const std::string notice =
        "An interrupted change to " + path + " was undone: the file is as it was before it";
    SetStatusText(notice);
    CurrentDesktop().Diagnostic(notice + "\n");
  }
  if (!Map(path, requestedLength)) return false;
  path_ = path;
  openSessions.push_back(this);
  return true;
}

bool DbStore::OpenAsFound(const std::string& path) {
  Close();
  failure_ = OpenFailure::None;
  failureDetail_.clear();
  if (JoinOuterSession(path)) return true;
  if (!Lock(path)) return false;
  std::error_code error;
  unfinishedChange_ = std::filesystem::exists(JournalPath(path), error);
  if (!Map(path, 0)) return false;
  path_ = path;
  openSessions.push_back(this);
  return true;
}

bool DbStore::OpenCopyOf(const DbStore& source) {
  Close();
  const uint8_t* bytes = source.At(0, 0);
  auto copy = std::make_shared<FileMapping>();
  if (bytes == nullptr || !copy->OpenCopy({bytes, static_cast<size_t>(source.viewLength())})) return false;
  mapping_ = std::move(copy);
  mappedLength_ = source.mappedLength_;
  mappingName_ = source.mappingName_;
  return true;
}

bool DbStore::JoinOuterSession(const std::string& path) {
  for (const DbStore* outer : openSessions) {
    if (outer->path_ != path || !outer->IsOpen() || !mutex_.Reenter(outer->mutex_)) continue;
    mapping_ = outer->mapping_;
    mappingName_ = outer->mappingName_;
    unfinishedChange_ = outer->unfinishedChange_;
    path_ = path;
    openSessions.push_back(this);
    return true;
  }
  return false;
}

bool DbStore::Lock(const std::string& path) {
  WaitCursor waitCursor;
  std::string name;
  // The mapping name is the longer one: refusing here keeps a too-long path from ever being locked.
  if (path.size() > kMaxDbPathLength || !MakeDirectDbName(name, path, kMutexSuffix)) {
    Close();
    failure_ = OpenFailure::PathTooLong;
    return false;
  }
  // The lock belongs to the file: every name of one file reaches it. The name is the one the mail client
  // would know it by, for the messages.
  name = DirectDbName(CanonicalPath(path), kMutexSuffix);
  if (!mutex_.Open(path)) {
    // The lock is the file's own: a file that cannot be opened is refused as one that cannot be mapped.
    Close();
    failure_ = FileFailure(path);
    return false;
  }
  const bool quiet = QuietSessions::Active();
  const FileLock::WaitResult result = mutex_.Wait(quiet ? std::chrono::milliseconds(0) : lockTimeout_);
  switch (result) {
    case FileLock::WaitResult::Acquired:
      return true;
    case FileLock::WaitResult::TimedOut:
      if (quiet) QuietSessions::NoteBusy();
      // Asked only where someone waited: a row painted while the file is busy must answer at once.
      if (!quiet) failureDetail_ = mutex_.Holder();
      ShowLockMessage(Format("Wait for mutex %s timeout!\nPossible locked by Outlook Express", name.c_str()));
      break;
    case FileLock::WaitResult::Failed:
      ShowLockMessage(
          Format("Wait for mutex %s failed!\nPossible locked by Outlook Express\n"
                 "GetLastError return %08X.",
                 name.c_str(), static_cast<unsigned>(mutex_.lastError())));
      break;
  }
  Close();
  failure_ = result == FileLock::WaitResult::TimedOut ? OpenFailure::Locked : OpenFailure::NoLock;
  return false;
}

bool DbStore::Map(const std::string& path, uint32_t requestedLength) {
  if (!MakeDirectDbName(mappingName_, path, kFileMapSuffix)) {
    Close();
    return false;
  }
  const uint32_t rounded = RoundUpToPage(requestedLength);
  // Never create the file: a path that names nothing fails and leaves nothing behind.
  mapping_ = requestedLength != 0 && rounded == 0 ? nullptr : AcquireMapping(path);
  if (mapping_ == nullptr || (rounded != 0 && !mapping_->Extend(rounded))) {
    Close();
    failure_ = FileFailure(path);
    return false;
  }
  mappedLength_ = rounded;
  return true;
}

bool DbStore::Grow(uint32_t minimumLength) {
  if (minimumLength == 0 || !IsWritable()) return false;
  if (mappedLength_ >= minimumLength) return true;
  const uint32_t rounded = RoundUpToPage(minimumLength);
  // A mapping of its own: the view that other sessions (an outer one, the kept mappings) hold is never
  // unmapped under them. Extend checks that the new view covers the length; a peer's longer file is kept.
  // A private copy is this session's alone: it grows in place.
  auto grown = mapping_->IsCopy() ? mapping_ : std::make_shared<FileMapping>();
  if (rounded == 0 || (!grown->IsCopy() && !grown->Open(path_)) || !grown->Extend(rounded)) {
    Close();
    return false;
  }
  mapping_ = std::move(grown);
  mappedLength_ = rounded;
  return true;
}

bool DbStore::Remap() {
  std::shared_ptr<FileMapping> fresh = AcquireMapping(path_);
  if (fresh == nullptr) {
    Close();
    return false;
  }
  mapping_ = std::move(fresh);
  return true;
}

void DbStore::Unmap() {
  mappedLength_ = 0;
  if (wrote_ && mapping_ != nullptr) mapping_->Flush();
  wrote_ = false;
  mapping_.reset();
}

void DbStore::Close() {
  std::erase(openSessions, this);
  unfinishedChange_ = false;
  allocations_.clear();
  Unmap();
  mappingName_.clear();
  path_.clear();
  mutex_.Close();
}

const uint8_t* DbStore::At(uint32_t ra, uint32_t length) const {
  if (!IsOpen()) return nullptr;
  if (static_cast<uint64_t>(ra) + length > mapping_->size()) return nullptr;
  return mapping_->data() + ra;
}

const uint8_t* DbStore::AtChecked(uint32_t ra, uint32_t length) const {
  const uint8_t* p = At(ra, std::max(length, 4u));
  return p != nullptr && LoadU32(p) == ra ? p : nullptr;
}

uint8_t* DbStore::AtWritable(uint32_t ra, uint32_t length) {
  if (!IsWritable() || At(ra, length) == nullptr || !WritePoint()) return nullptr;
  wrote_ = true;
  return mapping_->data() + ra;
}

std::optional<uint8_t> DbStore::ReadU8(uint32_t ra) const {
  const uint8_t* p = At(ra, 1);
  return p != nullptr ? std::optional<uint8_t>(*p) : std::nullopt;
}

std::optional<uint16_t> DbStore::ReadU16(uint32_t ra) const {
  const uint8_t* p = At(ra, 2);
  return p != nullptr ? std::optional<uint16_t>(LoadU16(p)) : std::nullopt;
}

std::optional<uint32_t> DbStore::ReadU32(uint32_t ra) const {
  const uint8_t* p = At(ra, 4);
  return p != nullptr ? std::optional<uint32_t>(LoadU32(p)) : std::nullopt;
}

bool DbStore::WriteU32(uint32_t ra, uint32_t value) {
  uint8_t* p = AtWritable(ra, 4);
  if (p == nullptr) return false;
  StoreU32(p, value);
  return true;
}

}  // namespace vendrel
