#include "export/output_directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/write_faults.h"

namespace vendrel {

namespace {

std::shared_ptr<int> Held(int fd) {
  return std::shared_ptr<int>(new int(fd), [](int* held) {
    close(*held);
    delete held;
  });
}

}  // namespace

bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
         name.find('\0') == std::string::npos;
}

std::optional<OutputDirectory> OutputDirectory::Open(const std::string& path, bool make) {
  std::error_code error;
  if (make) std::filesystem::create_directories(path, error);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return OutputDirectory(Held(fd), path);
}

std::optional<OutputDirectory> OutputDirectory::Subdirectory(const std::string& name) const {
  if (!IsPlainName(name)) return std::nullopt;
  if (mkdirat(*fd_, name.c_str(), 0755) != 0 && errno != EEXIST) return std::nullopt;
  // O_NOFOLLOW: a link planted under the name is refused, not gone through.
  const int fd = openat(*fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  return OutputDirectory(Held(fd), path_ + "/" + name);
}

bool OutputDirectory::Contains(const std::string& name) const {
  struct stat info {};
  return fstatat(*fd_, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0;
}

bool OutputDirectory::HasEntries(const std::string& name) const {
  const int fd = openat(*fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  DIR* listing = fdopendir(fd);
  if (listing == nullptr) {
    close(fd);
    return false;
  }
  bool entries = false;
  while (const dirent* entry = readdir(listing)) {
    const std::string_view entryName = entry->d_name;
    if (entryName != "." && entryName != "..") {
      entries = true;
      break;
    }
  }
  closedir(listing);
  return entries;
}

bool OutputDirectory::Begin(NewFile& file, const std::string& name, NewFile::Placing placing) const {
  if (!IsPlainName(name)) return errno = EINVAL, false;
  return file.Begin(*fd_, name, placing);
}

int OutputDirectory::CreateNew(const std::string& name) const {
  if (!IsPlainName(name)) return errno = EINVAL, -1;
  if (!WritePoint()) return errno = EIO, -1;
  return openat(*fd_, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

void OutputDirectory::Remove(const std::string& name) const {
  unlinkat(*fd_, name.c_str(), 0);
}

bool OutputDirectory::MoveTo(const std::string& name, const OutputDirectory& target,
                             const std::string& targetName) const {
  return IsPlainName(targetName) && renameat(*fd_, name.c_str(), *target.fd_, targetName.c_str()) == 0;
}

}  // namespace vendrel
