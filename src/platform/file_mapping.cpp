#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/file_io.h"
#include "platform/write_faults.h"

namespace vendrel {

uint32_t PageSize() {
  static const uint32_t size = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
  return size;
}

bool FileMapping::Open(const std::string& path) {
  Close();
  fd_ = open(path.c_str(), O_RDWR | O_CLOEXEC);
  writable_ = fd_ >= 0;
  if (fd_ < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
    fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  }
  if (fd_ < 0) return false;
  struct stat info {};
  if (fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
    Close();
    return false;
  }
  return true;
}

bool FileMapping::OpenCopy(std::span<const uint8_t> bytes) {
  Close();
  copy_.assign(bytes.begin(), bytes.end());
  isCopy_ = true;
  writable_ = true;
  return Map();
}

bool FileMapping::Map() {
  Unmap();
  if (isCopy_) {
    view_ = copy_;
    return !view_.empty();
  }
  if (fd_ < 0) return false;
  struct stat info {};
  if (fstat(fd_, &info) != 0 || info.st_size <= 0) return false;
  const int protection = writable_ ? PROT_READ | PROT_WRITE : PROT_READ;
  void* view = mmap(nullptr, static_cast<size_t>(info.st_size), protection, MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) return false;
  view_ = {static_cast<uint8_t*>(view), static_cast<size_t>(info.st_size)};
  return true;
}

bool FileMapping::Extend(uint64_t length) {
  if (!IsOpen() || !writable_) return false;
  if (isCopy_) {
    if (!WritePoint()) return false;
    copy_.resize(std::max<uint64_t>(copy_.size(), length));
    return Map();
  }
  struct stat info {};
  if (fstat(fd_, &info) != 0 ||
      (static_cast<uint64_t>(info.st_size) < length && !TruncateFile(fd_, length))) {
    return false;
  }
  return Map() && view_.size() >= length;
}

void FileMapping::Flush() {
  if (!view_.empty() && writable_ && !isCopy_) msync(view_.data(), view_.size(), MS_SYNC);
}

bool FileMapping::WriteFile(uint64_t offset, std::span<const uint8_t> bytes) {
  return fd_ >= 0 && writable_ && WriteAllAt(fd_, offset, bytes);
}

bool FileMapping::Truncate(uint64_t length) {
  return fd_ >= 0 && writable_ && TruncateFile(fd_, length);
}

bool FileMapping::Sync() {
  return fd_ >= 0 && SyncFile(fd_);
}

std::optional<FileStamp> FileMapping::Stamp() const {
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino),
                   static_cast<uint64_t>(info.st_size), info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
}

void FileMapping::Unmap() {
  if (!isCopy_ && !view_.empty()) munmap(view_.data(), view_.size());
  view_ = {};
}

void FileMapping::Close() {
  Unmap();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  isCopy_ = false;
  copy_ = {};  // frees the copy's memory too
  writable_ = false;
}

}  // namespace vendrel
