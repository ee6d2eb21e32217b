#include "platform/new_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <utility>

#include "platform/file_io.h"
#include "platform/format.h"
#include "platform/write_faults.h"

namespace vendrel {

namespace {

constexpr int kCreate = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;

// Removes name from dirFd when it is still the file that ours describes: nothing else is ever removed in
// its place.
void RemoveIfOurs(int dirFd, const std::string& name, const struct stat& ours) {
  struct stat there {};
  if (fstatat(dirFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0 && there.st_dev == ours.st_dev &&
      there.st_ino == ours.st_ino) {
    unlinkat(dirFd, name.c_str(), 0);
  }
}

// Gives the temporary file its name, where no file has it: a name that was free when the writing began and
// is taken now (another program made it meanwhile) is not taken from its file.
bool PlaceWhereFree(int dirFd, const std::string& temporary, const std::string& name) {
  if (renameat2(dirFd, temporary.c_str(), dirFd, name.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // A file system that cannot rename so: a second link, which is never made over a file either.
  if (linkat(dirFd, temporary.c_str(), dirFd, name.c_str(), 0) != 0) return false;
  unlinkat(dirFd, temporary.c_str(), 0);
  return true;
}

}  // namespace

bool NewFile::Begin(int dirFd, const std::string& name, Placing placing) {
  Abandon();
  if (!WritePoint()) return errno = EIO, false;
  dirFd_ = dirFd;
  name_ = name;
  if (placing == Placing::AtOnce) {
    fd_ = openat(dirFd, name.c_str(), kCreate, 0644);
    if (fd_ != -1) return true;
    if (errno != EEXIST) return false;
    replacing_ = true;
  } else {
    struct stat there {};
    replacing_ = fstatat(dirFd, name.c_str(), &there, AT_SYMLINK_NOFOLLOW) == 0;
  }
  // The new file is made beside the name and put there once whole. The temporary name is short, so that
  // it fits wherever the name does.
  static std::mt19937_64 random{std::random_device{}()};
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporary_ =
        Format(".vendrel-%012llx.tmp", static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    fd_ = openat(dirFd, temporary_.c_str(), kCreate, 0644);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) temporary_.clear();
  return fd_ >= 0;
}

bool NewFile::Commit(bool durable) {
  if (fd_ < 0) return errno = EBADF, false;
  struct stat ours {};
  fstat(fd_, &ours);
  const std::string written = temporary_.empty() ? name_ : temporary_;
  // close reports a delayed write that failed (a full disk on a network file system).
  bool placed = !durable || SyncFile(fd_);
  placed = close(std::exchange(fd_, -1)) == 0 && placed;
  if (placed && !temporary_.empty()) {
    placed = !WritePoint()  ? (errno = EIO, false)
             : replacing_ ? renameat(dirFd_, temporary_.c_str(), dirFd_, name_.c_str()) == 0
                          : PlaceWhereFree(dirFd_, temporary_, name_);
  }
  const int error = errno;
  if (!placed) RemoveIfOurs(dirFd_, written, ours);
  if (placed && durable) fsync(dirFd_);
  temporary_.clear();
  name_.clear();
  errno = placed ? 0 : error;
  return placed;
}

void NewFile::Abandon() {
  if (fd_ < 0) return;
  struct stat ours {};
  if (fstat(fd_, &ours) == 0) RemoveIfOurs(dirFd_, temporary_.empty() ? name_ : temporary_, ours);
  close(std::exchange(fd_, -1));
  temporary_.clear();
  name_.clear();
}

}  // namespace vendrel
