#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "store/db_store.h"

namespace vendrel::dbx {

// The record query of the explorer: the n-th call of Next returns the n-th matching record of the tree in
// tree order. It keeps only RAs and counts between calls, so it stays valid when the file grows; each
// Next walks again from the root.
class IndexCursor {
 public:
  enum Mode : uint8_t {
    MatchAll = 0,       // every record, unread
    MatchParentId = 1,  // property 1 equals target; records without it match target 0xFFFFFFFF
    MatchId = 2,        // property 0 equals target
  };

  IndexCursor() = default;
  IndexCursor(uint32_t root, uint8_t mode, uint32_t target) { Reset(root, mode, target); }
  virtual ~IndexCursor() = default;

  void Reset(uint32_t root, uint8_t mode, uint32_t target);
  // What MatchParentId compares with its target: the parent field as stored, 0xFFFFFFFF for a record
  // without one; none for a record without properties (it matches nothing).
  static std::optional<uint32_t> ParentKey(const DbStore& store, uint32_t recordRa);
  // RA of the next matching record, or 0 when there is none.
  uint32_t Next(const DbStore& store);
  // Every match from the current one on, in order, found in a single walk: what calling Next until it
  // gives 0 would return, without walking the tree again for each match. The cursor ends after them.
  std::vector<uint32_t> Rest(const DbStore& store);

 private:
  bool Matches(const DbStore& store, uint32_t recordRa) const;

  uint8_t mode_ = MatchAll;
  uint32_t root_ = 0;
  uint32_t ordinal_ = 0;
  uint32_t target_ = 0;
};

}  // namespace vendrel::dbx
