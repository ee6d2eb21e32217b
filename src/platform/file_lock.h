// The lock of a database file: the stand-in for the mail client's named mutex. It is flock(2) on the file
// itself, so every way of naming the file (a symbolic link, "..", a hard link, a second mount) reaches the
// one lock, the kernel drops the lock of a process that dies, and nothing is left behind on disk.
//
// Like a mutex, the lock is recursive for the thread that holds it: an operation that opens a second
// session on a file it already has open (a refresh that expands again, a save that saves each message)
// goes on at once. Other threads and other processes wait.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/file_mapping.h"

namespace vendrel {

class FileLock {
 public:
  enum class WaitResult { Acquired, TimedOut, Failed };

  FileLock() = default;
  ~FileLock() { Close(); }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

  // Opens the existing regular file at path to lock it; never creates one, and never waits on a pipe. On
  // failure lastError() holds errno.
  bool Open(const std::string& path);
  // Waits until this thread owns the lock or the time-out passes.
  WaitResult Wait(std::chrono::milliseconds timeout);
  // Takes the lock that held (owned by this thread) holds once more, without a system call: for a
  // session nested in another on the same file. False when held does not own it.
  bool Reenter(const FileLock& held);
  // Releases ownership (if held) and closes the file.
  void Close();

  // The process that holds the lock of the opened file, as "name (process N)"; empty when the system
  // does not tell.
  std::string Holder() const;
  int lastError() const { return lastError_; }

 private:
  int fd_ = -1;
  FileIdentity identity_;
  bool owned_ = false;
  int lastError_ = 0;
};

}  // namespace vendrel
