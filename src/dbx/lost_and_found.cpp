#include "dbx/lost_and_found.h"

#include <algorithm>

#include "dbx/header.h"
#include "dbx/index_walk.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "platform/write_faults.h"

namespace vendrel::dbx {

namespace {

// Marks on a sorted list of RAs: one flag a place, found by binary search.
class Marks {
 public:
  explicit Marks(const std::vector<uint32_t>& sorted) : sorted_(sorted), marks_(sorted.size(), false) {}
  // The place of ra in the list, or none.
  std::optional<size_t> Find(uint32_t ra) const {
    const auto it = std::lower_bound(sorted_.begin(), sorted_.end(), ra);
    if (it == sorted_.end() || *it != ra) return std::nullopt;
    return static_cast<size_t>(it - sorted_.begin());
  }
  // Marks ra; false when it is not in the list or was marked already.
  bool Mark(uint32_t ra) {
    const std::optional<size_t> at = Find(ra);
    if (!at || marks_[*at]) return false;
    marks_[*at] = true;
    return true;
  }
  bool Marked(size_t at) const { return marks_[at]; }

 private:
  const std::vector<uint32_t>& sorted_;
  std::vector<bool> marks_;
};

}  // namespace

LostAndFound FindLostAndFound(const DbStore& store) {
  LostAndFound lost;
  lost.found = ScanStructures(store);
  const FoundStructures& found = lost.found;

  // What the trees reach.
  Marks reached(found.records);
  std::vector<uint32_t> reachedRecords;
  for (int k = 0; k < kIndexSlotCount; ++k) {
    WalkIndexTree(store, TreeRoot(store, k), [&](const IndexNode&, unsigned, uint32_t ra) {
      if (reached.Mark(ra)) reachedRecords.push_back(ra);
      return false;
    });
  }
  // The blocks each text goes through, the reached records' first, each block owned once.
  Marks owned(found.blocks);
  const auto own = [&](uint32_t record) {
    const uint32_t first = GetTextOffset(store, record);
    if (first == 0) return true;
    if (!owned.Mark(first)) return !owned.Find(first);  // another record's text already
    for (std::optional<TextBlock> block = TextBlockAt(store, first); block && owned.Mark(block->next);) {
      block = TextBlockAt(store, block->next);
    }
    return true;
  };
  for (const uint32_t record : reachedRecords) own(record);
  for (size_t i = 0; i < found.records.size(); ++i) {
    if (reached.Marked(i)) continue;
    if (own(found.records[i])) {
      lost.records.push_back(found.records[i]);
    } else {
      ++lost.sameText;
    }
  }

  // Chains no record owns start at a block that no other block leads to.
  std::vector<bool> hasPrevious(found.blocks.size(), false);
  for (const uint32_t ra : found.blocks) {
    if (const std::optional<size_t> next = owned.Find(TextBlockAt(store, ra)->next)) hasPrevious[*next] = true;
  }
  const auto follow = [&](uint32_t first) {
    bool whole = true;
    for (uint32_t ra = first;;) {
      const uint32_t next = TextBlockAt(store, ra)->next;
      if (next == 0) break;
      if (!owned.Find(next) || !owned.Mark(next)) {  // not there, or met again: a loop
        whole = false;
        break;
      }
      ra = next;
    }
    (whole ? lost.chains : lost.partialChains).push_back(first);
  };
  for (size_t i = 0; i < found.blocks.size(); ++i) {
    if (!owned.Marked(i) && !hasPrevious[i] && owned.Mark(found.blocks[i])) follow(found.blocks[i]);
  }
  // Blocks left over lie on a ring of their own: each ring comes out once, from its first block.
  for (size_t i = 0; i < found.blocks.size(); ++i) {
    if (owned.Mark(found.blocks[i])) follow(found.blocks[i]);
  }
  return lost;
}

const LostAndFound& CachedLostAndFound(const DbStore& store) {
  struct Kept {
    std::optional<FileStamp> stamp;
    uint64_t writes;
    LostAndFound lost;
  };
  static std::optional<Kept> kept;
  const std::optional<FileStamp> stamp = store.mapping() != nullptr ? store.mapping()->Stamp() : std::nullopt;
  if (!kept || !stamp || kept->stamp != stamp || kept->writes != WritesSoFar()) {
    kept = Kept{stamp, WritesSoFar(), FindLostAndFound(store)};
  }
  return kept->lost;
}

}  // namespace vendrel::dbx
