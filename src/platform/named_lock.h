// Cross-process lock known by name: the stand-in for a named mutex. Each name is a lock file in a
// per-user directory, held with flock(2). The kernel drops the lock of a process that dies, so a crashed
// holder never blocks later sessions and no stale state outlives it.
//
// Like a mutex, the lock is recursive for the thread that holds it: an operation that opens a second
// session on a file it already has open (a refresh that expands again, a save that saves each message)
// goes on at once. Other threads and other processes wait.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

namespace vendrel {

class NamedLock {
 public:
  enum class WaitResult { Acquired, TimedOut, Failed };

  NamedLock() = default;
  ~NamedLock() { Close(); }
  NamedLock(const NamedLock&) = delete;
  NamedLock& operator=(const NamedLock&) = delete;

  // Creates the lock object, or opens the one a peer created. On failure lastError() holds errno.
  bool Create(std::string_view name);
  // Waits until this process owns the lock or the time-out passes.
  WaitResult Wait(std::chrono::milliseconds timeout);
  // Takes the lock that held (owned by this thread) holds once more, without a system call: for a
  // session nested in another on the same file. False when held does not own it.
  bool Reenter(const NamedLock& held);
  // Releases ownership (if held) and closes the object.
  void Close();

  int lastError() const { return lastError_; }

 private:
  std::string fileName_;
  int fd_ = -1;
  bool owned_ = false;
  int lastError_ = 0;
};

// Where the lock files live: $XDG_RUNTIME_DIR/vendrel, else /tmp/vendrel-<uid>.
std::string LockDirectory();
// The file name that stands for a lock name; long names are shortened with a hash of the whole name.
std::string LockFileName(std::string_view name);

}  // namespace vendrel
