#include "platform/file_mapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

bool FileMapping::Map() {
  Unmap();
  if (fd_ < 0) return false;
  struct stat info {};
  if (fstat(fd_, &info) != 0 || info.st_size <= 0) return false;
  const int protection = writable_ ? PROT_READ | PROT_WRITE : PROT_READ;
  void* view = mmap(nullptr, static_cast<size_t>(info.st_size), protection, MAP_SHARED, fd_, 0);
  if (view == MAP_FAILED) return false;
  view_ = static_cast<uint8_t*>(view);
  size_ = static_cast<uint64_t>(info.st_size);
  return true;
}

bool FileMapping::Extend(uint64_t length) {
  if (fd_ < 0 || !writable_) return false;
  Unmap();
  struct stat info {};
  if (fstat(fd_, &info) != 0) return false;
  if (static_cast<uint64_t>(info.st_size) < length && ftruncate(fd_, static_cast<off_t>(length)) != 0) {
    return false;
  }
  return Map() && size_ >= length;
}

void FileMapping::Flush() {
  if (view_ != nullptr && writable_) msync(view_, size_, MS_SYNC);
}

void FileMapping::Unmap() {
  if (view_ != nullptr) munmap(view_, size_);
  view_ = nullptr;
  size_ = 0;
}

void FileMapping::Close() {
  Unmap();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  writable_ = false;
}

}  // namespace vendrel
