// A change to a database made whole on a private copy, checked there, then written to the file under a
// rollback journal (see journal.h): first what it adds at the end, then the bytes it changed in place.
// A write that fails puts back what was written before it; whatever happens (a failing disk, a crash, a
// power cut), the file is as it was or holds the whole change once the next session has opened it. The
// session's lock is held throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_store.h"

namespace vendrel {

// Copies of files larger than this are not made: no folder database comes near it.
inline constexpr uint64_t kMaxCopiedDatabase = uint64_t{64} << 20;

class CopyOnWrite {
 public:
  // Copies what session shows; false when it is not open and writable, or too large to copy.
  bool Begin(DbStore& session);
  // The session on the copy: every read and write of the change goes here.
  DbStore& copy() { return copy_; }
  // Writes the change into the file; false (and error() says why) when it is not the file's. The file is
  // as before then, at once or, when even putting it back failed, from the next session on.
  bool Commit();
  const std::string& error() const { return error_; }

 private:
  struct Range {
    uint64_t offset;
    uint64_t length;
  };
  bool Write(const Range& range, const uint8_t* bytes);
  bool PutBack(const std::vector<Range>& written);
  bool Fail(const std::string& what);

  DbStore* session_ = nullptr;
  std::vector<uint8_t> original_;
  DbStore copy_;
  std::string error_;
};

}  // namespace vendrel
