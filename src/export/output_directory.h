// A directory an export writes into, held open: what is made below it is made relative to it, and a
// symbolic link there is never followed, so that nothing is ever written outside the directory the user
// chose, whatever the names a database holds.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vendrel {

class OutputDirectory {
 public:
  // The directory at path, made (with its parents) when it is not there.
  static std::optional<OutputDirectory> Open(const std::string& path);

  // The subdirectory name, made when it is not there; none when name is no plain file name or is
  // something else than a directory (a link to one included).
  std::optional<OutputDirectory> Subdirectory(const std::string& name) const;
  bool Contains(const std::string& name) const;
  // Whether the subdirectory name holds anything.
  bool HasEntries(const std::string& name) const;
  // A new file: with replace, whatever has the name goes first; without, an existing name fails. Its
  // descriptor, or -1.
  int CreateFile(const std::string& name, bool replace) const;
  bool Remove(const std::string& name) const;
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
