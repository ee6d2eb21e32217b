#include "shell/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace vendrel::shell {

namespace fs = std::filesystem;

namespace {

bool WriteAll(int fd, const std::string& content) {
  size_t written = 0;
  while (written < content.size()) {
    const ssize_t n = write(fd, content.data() + written, content.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return fsync(fd) == 0;
}

// base/relative's directory, made as far as missing; each step below base checked without following
// links.
bool MakeDirectoriesInside(const fs::path& base, const fs::path& directory) {
  std::error_code error;
  fs::create_directories(base, error);
  if (!fs::is_directory(base, error)) return false;
  fs::path current = base;
  for (const fs::path& part : directory) {
    if (part == "." || part.empty()) continue;
    if (part == ".." || part.has_root_path()) return false;
    current /= part;
    struct stat info {};
    if (lstat(current.c_str(), &info) != 0) {
      if (errno != ENOENT || (mkdir(current.c_str(), 0755) != 0 && errno != EEXIST)) return false;
      if (lstat(current.c_str(), &info) != 0) return false;
    }
    if (!S_ISDIR(info.st_mode)) return false;  // a link (to anywhere) or a file: not ours to go through
  }
  return true;
}

}  // namespace

bool WriteFileInside(const std::string& base, const std::string& relative, const std::string& content) {
  const fs::path target = fs::path(relative);
  if (target.empty() || target.has_root_path() || !target.has_filename()) return false;
  const fs::path directory = fs::path(base) / target.parent_path();
  if (!MakeDirectoriesInside(base, target.parent_path())) return false;
  // Appended piece by piece: GCC 12 at -O3 sees a false overlap in the one-expression form.
  std::string temporary = directory.string();
  temporary += "/.";
  temporary += target.filename().string();
  temporary += ".XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) return false;
  const bool written = fchmod(fd, 0644) == 0 && WriteAll(fd, content);
  const bool closed = close(fd) == 0;
  // rename replaces whatever has the name, a link included, and never writes through it.
  if (written && closed && rename(temporary.c_str(), (directory / target.filename()).c_str()) == 0)
    return true;
  unlink(temporary.c_str());
  return false;
}

}  // namespace vendrel::shell
