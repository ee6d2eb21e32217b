// A file written whole under a name in a directory. A name that is free is created at once (O_EXCL: no
// extra cost), or, for a file long in the writing, only once it is complete; a file that has the name
// already is replaced only once the new one is complete, by renaming a temporary file of the same
// directory over it. So an existing file is never truncated, never written through (a link planted under
// the name stays as it was, and so does what it leads to), and is left as it was whenever the writing fails.
#pragma once

#include <string>

namespace vendrel {

class NewFile {
 public:
  NewFile() = default;
  ~NewFile() { Abandon(); }
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // AtOnce: a free name is written under at once. OnceWhole: the name shows nothing but the whole file,
  // also to a process killed while it writes (which leaves its temporary file, named as one, behind).
  enum class Placing { AtOnce, OnceWhole };

  // Opens the new file for name (a plain file name) in the directory dirFd, which must stay open until
  // Commit or Abandon. False (errno set) when it cannot be made.
  bool Begin(int dirFd, const std::string& name, Placing placing = Placing::AtOnce);
  // Where the bytes go.
  int fd() const { return fd_; }
  // Puts the file in place under its name; with durable, also through a power cut. False (errno set, and
  // nothing left but what was there before) when it cannot be.
  bool Commit(bool durable = false);
  // Drops what was written: the new file, or the temporary one, goes.
  void Abandon();

 private:
  int dirFd_ = -1;
  int fd_ = -1;
  std::string name_;
  std::string temporary_;  // empty when the file was made under its name
  bool replacing_ = false;  // the name was taken when the file was begun
};

}  // namespace vendrel
