#include "store/copy_on_write.h"

namespace vendrel {

bool CopyOnWrite::Begin(DbStore& session) {
  session_ = nullptr;
  if (!session.IsWritable() || session.mapping()->IsCopy() || session.viewLength() > kMaxCopiedDatabase) {
    return false;
  }
  const uint8_t* bytes = session.At(0, 0);
  original_.assign(bytes, bytes + session.viewLength());
  if (!copy_.OpenCopyOf(session)) return false;
  session_ = &session;
  return true;
}

bool CopyOnWrite::Write(const Range& range, const uint8_t* bytes) {
  return session_->mapping()->WriteFile(range.offset, {bytes, static_cast<size_t>(range.length)});
}

void CopyOnWrite::PutBack(const std::vector<Range>& written) {
  // Best effort: the writes that got through are undone, the tail cut off.
  for (const Range& range : written) {
    if (range.offset < original_.size()) Write(range, original_.data() + range.offset);
  }
  session_->mapping()->Truncate(original_.size());
  session_->mapping()->Sync();
}

bool CopyOnWrite::Commit() {
  if (session_ == nullptr || !copy_.IsOpen()) return false;
  const uint8_t* changed = copy_.At(0, 0);
  const uint64_t length = copy_.viewLength();
  std::vector<Range> ranges;
  // What the change adds at the end goes first: nothing in the file points there yet.
  if (length > original_.size()) ranges.push_back({original_.size(), length - original_.size()});
  for (uint64_t i = 0; i < original_.size() && i < length;) {
    if (changed[i] == original_[i]) {
      ++i;
      continue;
    }
    const uint64_t start = i;
    while (i < original_.size() && i < length && changed[i] != original_[i]) ++i;
    ranges.push_back({start, i - start});
  }
  std::vector<Range> written;
  for (const Range& range : ranges) {
    written.push_back(range);  // a write that fails may have written part of its range
    if (!Write(range, changed + range.offset)) {
      PutBack(written);
      return false;
    }
  }
  if (!session_->mapping()->Sync()) {
    PutBack(written);
    return false;
  }
  return true;
}

}  // namespace vendrel
