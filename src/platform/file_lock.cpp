#include "platform/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/format.h"

namespace vendrel {

namespace {

// The locks this process holds, by file: the descriptor that holds the flock, the thread that owns it and
// how often it took it.
struct HeldLock {
  int fd;
  std::thread::id owner;
  int count;
};

std::mutex heldLocksMutex;
std::map<FileIdentity, HeldLock>& HeldLocks() {
  static std::map<FileIdentity, HeldLock> locks;
  return locks;
}

// Takes the lock again when this thread holds it already.
bool TakeAgain(const FileIdentity& file) {
  std::lock_guard guard(heldLocksMutex);
  const auto it = HeldLocks().find(file);
  if (it == HeldLocks().end() || it->second.owner != std::this_thread::get_id()) return false;
  ++it->second.count;
  return true;
}

}  // namespace

bool FileLock::Open(const std::string& path) {
  Close();
  // O_NONBLOCK: a named pipe planted under a database's name must not hang the open.
  fd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  struct stat info {};
  if (fd_ >= 0 && fstat(fd_, &info) == 0 && !S_ISREG(info.st_mode)) errno = EINVAL;
  if (fd_ < 0 || !S_ISREG(info.st_mode)) {
    lastError_ = errno;
    Close();
    return false;
  }
  identity_ = {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino)};
  return true;
}

FileLock::WaitResult FileLock::Wait(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  if (fd_ < 0) {
    lastError_ = EBADF;
    return WaitResult::Failed;
  }
  if (TakeAgain(identity_)) {
    owned_ = true;
    return WaitResult::Acquired;
  }
  const auto deadline = Clock::now() + timeout;
  // flock has no timed wait: poll, starting fast so that a lock freed at once is taken at once.
  auto pause = std::chrono::microseconds(200);
  for (;;) {
    if (flock(fd_, LOCK_EX | LOCK_NB) == 0) {
      // The held lock belongs to the process-wide table from now on, so that it outlives this object
      // while a nested holder still counts on it.
      std::lock_guard guard(heldLocksMutex);
      HeldLocks()[identity_] = HeldLock{fd_, std::this_thread::get_id(), 1};
      fd_ = -1;
      owned_ = true;
      return WaitResult::Acquired;
    }
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) {
      lastError_ = errno;
      return WaitResult::Failed;
    }
    const auto now = Clock::now();
    if (now >= deadline) return WaitResult::TimedOut;
    std::this_thread::sleep_for(std::min<Clock::duration>(pause, deadline - now));
    pause = std::min(pause * 2, std::chrono::microseconds(20000));
  }
}

bool FileLock::Reenter(const FileLock& held) {
  Close();
  if (!held.owned_ || !TakeAgain(held.identity_)) return false;
  identity_ = held.identity_;
  owned_ = true;
  return true;
}

void FileLock::Close() {
  if (owned_) {
    std::lock_guard guard(heldLocksMutex);
    const auto it = HeldLocks().find(identity_);
    if (it != HeldLocks().end() && --it->second.count == 0) {
      flock(it->second.fd, LOCK_UN);
      close(it->second.fd);
      HeldLocks().erase(it);
    }
    owned_ = false;
  }
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

std::string FileLock::Holder() const {
  // /proc/locks: "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF", the device as major:minor in hex;
  // a waiting lock is shown as "1: -> FLOCK ...".
  const auto device = static_cast<dev_t>(identity_.device);
  const std::string file = Format("%02x:%02x:%llu", major(device), minor(device),
                                  static_cast<unsigned long long>(identity_.inode));
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);) {
    std::istringstream fields(line);
    std::string ordinal, kind, mode, access, where;
    long pid = 0;
    if (!(fields >> ordinal >> kind >> mode >> access >> pid >> where) || kind != "FLOCK" || where != file ||
        pid <= 0) {
      continue;
    }
    std::string name;
    std::getline(std::ifstream(Format("/proc/%ld/comm", pid)), name);
    return name.empty() ? Format("process %ld", pid) : Format("%s (process %ld)", name.c_str(), pid);
  }
  return {};
}

}  // namespace vendrel
