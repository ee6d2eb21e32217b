#include "platform/file_io.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/write_faults.h"

namespace vendrel {

namespace {

// write or pwrite until every byte is out.
template <class WriteSome>
bool WriteLoop(std::span<const uint8_t> bytes, WriteSome&& writeSome) {
  if (!WritePoint()) return errno = EIO, false;
  for (size_t written = 0; written < bytes.size();) {
    const ssize_t n = writeSome(bytes.data() + written, bytes.size() - written, written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return errno = EIO, false;
    written += static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  return WriteLoop(bytes,
                   [fd](const uint8_t* data, size_t length, size_t) { return write(fd, data, length); });
}

bool WriteAllAt(int fd, uint64_t offset, std::span<const uint8_t> bytes) {
  return WriteLoop(bytes, [fd, offset](const uint8_t* data, size_t length, size_t done) {
    return pwrite(fd, data, length, static_cast<off_t>(offset + done));
  });
}

bool TruncateFile(int fd, uint64_t length) {
  if (!WritePoint()) return errno = EIO, false;
  return ftruncate(fd, static_cast<off_t>(length)) == 0;
}

bool SyncFile(int fd) {
  if (!WritePoint()) return errno = EIO, false;
  return fsync(fd) == 0;
}

bool SyncDirectory(const std::string& directory) {
  if (!WritePoint()) return errno = EIO, false;
  const int fd = open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced;
}

bool RemoveFile(const std::string& path) {
  if (!WritePoint()) return errno = EIO, false;
  return unlink(path.c_str()) == 0;
}

std::string CanonicalPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::canonical(path, error);
  if (!error) return canonical.string();
  const std::filesystem::path absolute = std::filesystem::absolute(path, error);
  return error ? path : absolute.lexically_normal().string();
}

}  // namespace vendrel
