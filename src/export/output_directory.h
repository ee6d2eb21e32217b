// A directory an export writes into, held open: what is made below it is made relative to it, and a
// symbolic link there is never followed, so that nothing is ever written outside the directory the user
// chose, whatever the names a database holds.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/new_file.h"

namespace vendrel {

class OutputDirectory {
 public:
  // The directory at path, made (with its parents) when it is not there and make is set.
  static std::optional<OutputDirectory> Open(const std::string& path, bool make = true);

  // The subdirectory name, made when it is not there; none when name is no plain file name or is
  // something else than a directory (a link to one included).
  std::optional<OutputDirectory> Subdirectory(const std::string& name) const;
  bool Contains(const std::string& name) const;
  // Whether the subdirectory name holds anything.
  bool HasEntries(const std::string& name) const;
  // Begins the file name in this directory (see NewFile: a file there already is replaced whole, or left
  // as it was). False (errno set) when it cannot be made.
  bool Begin(NewFile& file, const std::string& name,
             NewFile::Placing placing = NewFile::Placing::AtOnce) const;
  // A file under a name that must be free: its descriptor, or -1.
  int CreateNew(const std::string& name) const;
  void Remove(const std::string& name) const;
  bool MoveTo(const std::string& name, const OutputDirectory& target, const std::string& targetName) const;
  const std::string& path() const { return path_; }

 private:
  OutputDirectory(std::shared_ptr<int> fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

  std::shared_ptr<int> fd_;  // closed with the last copy
  std::string path_;
};

// Whether name can be made in a directory as it stands: not empty, no "/" or NUL, not "." or "..".
bool IsPlainName(const std::string& name);

}  // namespace vendrel
