// A change to a database made whole on a private copy, then written to the file: first what it adds at
// the end, then the bytes it changed in place, each write checked. A write that fails puts back what was
// written before it and cuts the file to its old length, so that the file is either as it was or holds
// the whole change. The session's lock is held throughout.
#pragma once

#include <cstdint>
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
  // Writes the change into the file; false (and the file as before) when it could not be written whole.
  bool Commit();

 private:
  struct Range {
    uint64_t offset;
    uint64_t length;
  };
  bool Write(const Range& range, const uint8_t* bytes);
  void PutBack(const std::vector<Range>& written);

  DbStore* session_ = nullptr;
  std::vector<uint8_t> original_;
  DbStore copy_;
};

}  // namespace vendrel
