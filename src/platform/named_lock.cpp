#include "platform/named_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <thread>

#include "platform/format.h"

namespace vendrel {

namespace {

// Leaves room below NAME_MAX (255) for the hash suffix.
constexpr size_t kMaxPlainFileName = 200;

// A hash that every build of the program computes alike, so that all instances agree on the file.
uint64_t Fnv1a(std::string_view text) {
  uint64_t hash = 1469598103934665603ull;
  for (const unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

// The directory must be ours: a directory planted by another user in /tmp could otherwise be used to
// see or block our locks.
bool EnsurePrivateDirectory(const std::string& path) {
  struct stat info {};
  if (lstat(path.c_str(), &info) != 0) {
    if (errno != ENOENT || (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)) return false;
    if (lstat(path.c_str(), &info) != 0) return false;
  }
  if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid()) {
    errno = EACCES;
    return false;
  }
  return true;
}

// The locks this process holds, by lock file: the file descriptor that holds the flock, the thread that
// owns it and how often it took it.
struct HeldLock {
  int fd;
  std::thread::id owner;
  int count;
};

std::mutex heldLocksMutex;
std::map<std::string, HeldLock>& HeldLocks() {
  static std::map<std::string, HeldLock> locks;
  return locks;
}

// Takes the lock again when this thread holds it already.
bool TakeAgain(const std::string& fileName) {
  std::lock_guard guard(heldLocksMutex);
  const auto it = HeldLocks().find(fileName);
  if (it == HeldLocks().end() || it->second.owner != std::this_thread::get_id()) return false;
  ++it->second.count;
  return true;
}

}  // namespace

std::string LockDirectory() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && runtime[0] == '/') return std::string(runtime) + "/vendrel";
  return Format("/tmp/vendrel-%u", static_cast<unsigned>(geteuid()));
}

std::string LockFileName(std::string_view name) {
  if (name.size() <= kMaxPlainFileName) return std::string(name);
  return std::string(name.substr(0, kMaxPlainFileName - 17)) +
         Format("-%016llx", static_cast<unsigned long long>(Fnv1a(name)));
}

bool NamedLock::Create(std::string_view name) {
  Close();
  // Checked every time (one lstat): the directory may have been cleaned away or planted since.
  const std::string directory = LockDirectory();
  if (!EnsurePrivateDirectory(directory)) {
    lastError_ = errno;
    return false;
  }
  fileName_ = directory + "/" + LockFileName(name);
  fd_ = open(fileName_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd_ < 0) {
    lastError_ = errno;
    return false;
  }
  return true;
}

NamedLock::WaitResult NamedLock::Wait(std::chrono::milliseconds timeout) {
  using Clock = std::chrono::steady_clock;
  if (fd_ < 0) {
    lastError_ = EBADF;
    return WaitResult::Failed;
  }
  if (TakeAgain(fileName_)) {
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
      HeldLocks()[fileName_] = HeldLock{fd_, std::this_thread::get_id(), 1};
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

bool NamedLock::Reenter(const NamedLock& held) {
  Close();
  if (!held.owned_ || !TakeAgain(held.fileName_)) return false;
  fileName_ = held.fileName_;
  owned_ = true;
  return true;
}

void NamedLock::Close() {
  if (owned_) {
    std::lock_guard guard(heldLocksMutex);
    const auto it = HeldLocks().find(fileName_);
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

}  // namespace vendrel
