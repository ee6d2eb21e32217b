#include "dbx/index_cursor.h"

#include "dbx/index_walk.h"
#include "dbx/record.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kNoParent = 0xFFFFFFFF;

}  // namespace

void IndexCursor::Reset(uint32_t root, uint8_t mode, uint32_t target) {
  root_ = root;
  mode_ = mode;
  target_ = target;
  ordinal_ = 0;
}

std::optional<uint32_t> IndexCursor::ParentKey(const DbStore& store, uint32_t recordRa) {
  if (PropertyCount(store, recordRa) == 0) return std::nullopt;
  // The 24-bit field is compared as stored, direct or not.
  const std::optional<PropertyEntry> entry = FindProperty(store, recordRa, kPropParentOrFlags);
  return entry ? entry->field() : kNoParent;
}

bool IndexCursor::Matches(const DbStore& store, uint32_t recordRa) const {
  if (mode_ == MatchAll) return true;
  if (mode_ == MatchParentId) return ParentKey(store, recordRa) == target_;
  if (mode_ != MatchId) return false;
  const std::optional<PropertyEntry> entry = FindProperty(store, recordRa, kPropId);
  return entry && entry->field() == target_;
}

uint32_t IndexCursor::Next(const DbStore& store) {
  uint32_t seen = 0;
  uint32_t found = 0;
  WalkIndexTree(store, root_, [&](const IndexNode&, unsigned, uint32_t recordRa) {
    if (!Matches(store, recordRa) || ++seen <= ordinal_) return false;
    found = recordRa;
    return true;
  });
  if (found != 0) ++ordinal_;
  return found;
}

std::vector<uint32_t> IndexCursor::Rest(const DbStore& store) {
  std::vector<uint32_t> matches;
  uint32_t seen = 0;
  WalkIndexTree(store, root_, [&](const IndexNode&, unsigned, uint32_t recordRa) {
    if (Matches(store, recordRa) && ++seen > ordinal_) matches.push_back(recordRa);
    return false;
  });
  ordinal_ += static_cast<uint32_t>(matches.size());
  return matches;
}

}  // namespace vendrel::dbx
