#include "store/copy_on_write.h"

#include <cerrno>
#include <cstring>

#include "store/journal.h"

namespace vendrel {

bool CopyOnWrite::Begin(DbStore& session) {
  session_ = nullptr;
  error_.clear();
  if (!session.IsWritable() || session.mapping()->IsCopy() || session.viewLength() > kMaxCopiedDatabase) {
    return false;
  }
  const uint8_t* bytes = session.At(0, 0);
  original_.assign(bytes, bytes + session.viewLength());
  session_ = copy_.OpenCopyOf(session) ? &session : nullptr;
  return session_ != nullptr;
}

bool CopyOnWrite::Write(const Range& range, const uint8_t* bytes) {
  return session_->mapping()->WriteFile(range.offset, {bytes, static_cast<size_t>(range.length)});
}

bool CopyOnWrite::PutBack(const std::vector<Range>& written) {
  bool putBack = true;
  for (const Range& range : written) {
    if (range.offset < original_.size()) putBack = Write(range, original_.data() + range.offset) && putBack;
  }
  return session_->mapping()->Truncate(original_.size()) && session_->mapping()->Sync() && putBack;
}

bool CopyOnWrite::Fail(const std::string& what) {
  error_ = what + ": " + std::strerror(errno);
  return false;
}

bool CopyOnWrite::Commit() {
  if (session_ == nullptr || !copy_.IsOpen()) return false;
  const uint8_t* changed = copy_.At(0, 0);
  const uint64_t length = copy_.viewLength();
  std::vector<Range> ranges;
  std::vector<ChangedRange> journaled;
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
    const size_t n = static_cast<size_t>(i - start);
    journaled.push_back({start, {original_.data() + start, n}, {changed + start, n}});
  }
  if (ranges.empty()) return true;
  if (!WriteJournal(session_->path(), original_.size(), journaled)) {
    return Fail("the journal of the change cannot be written beside the file");
  }
  std::vector<Range> written;
  bool whole = true;
  for (const Range& range : ranges) {
    written.push_back(range);  // a write that fails may have written part of its range
    if (!(whole = Write(range, changed + range.offset))) break;
  }
  if (whole && session_->mapping()->Sync() && RemoveJournal(session_->path())) {
    // What the change added at the end is in the session's view from now on.
    return length <= original_.size() || session_->Remap();
  }
  Fail("the change cannot be written into the file");
  // The journal goes only once the file is as it was; otherwise the next session puts it back.
  if (PutBack(written)) RemoveJournal(session_->path());
  return false;
}

}  // namespace vendrel
