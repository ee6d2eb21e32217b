#include "shell/safe_write.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/file_io.h"
#include "platform/new_file.h"

namespace vendrel::shell {

namespace fs = std::filesystem;

namespace {

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
      if (errno != ENOENT) return false;
      mkdir(current.c_str(), 0755);  // or another program made it meanwhile: what is there is looked at
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
  const int dirFd = open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (dirFd < 0) return false;
  // A new file renamed over what has the name, a link included: never written through, and durable.
  NewFile file;
  const bool written =
      file.Begin(dirFd, target.filename().string()) &&
      WriteAll(file.fd(), {reinterpret_cast<const uint8_t*>(content.data()), content.size()}) &&
      file.Commit(true);
  file.Abandon();
  close(dirFd);
  return written;
}

}  // namespace vendrel::shell
