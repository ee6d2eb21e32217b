#include "dbx/structure_scan.h"

#include "dbx/index_node.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "store/allocation.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

// Room for text no block of the mail client's comes near (it gives each 512 bytes).
constexpr uint32_t kMaxBlockRoom = 1u << 20;

// Whether ra is 0 or a place that starts with its own RA.
bool LinkOrNone(const DbStore& store, uint32_t ra) {
  return ra == 0 || (ra % 4 == 0 && store.AtChecked(ra) != nullptr);
}

}  // namespace

bool LooksLikeTextBlock(const DbStore& store, uint32_t ra) {
  const std::optional<TextBlock> block = TextBlockAt(store, ra);
  return block && block->allocated != 0 && block->allocated <= kMaxBlockRoom && block->used <= block->allocated &&
         store.At(ra, kTextBlockHeadSize + block->allocated) != nullptr && block->next % 4 == 0;
}

bool LooksLikeIndexNode(const DbStore& store, uint32_t ra) {
  const std::optional<IndexNode> node = IndexNode::At(store, ra);
  if (!node || !LinkOrNone(store, node->leftChild()) || !LinkOrNone(store, node->parent())) return false;
  // A record an entry names may have been damaged since: it need only be a place in the file.
  for (unsigned i = 0; i < node->entryCount(); ++i) {
    const IndexEntry entry = node->entry(i);
    if (entry.recordRa == 0 || entry.recordRa % 4 != 0 || entry.recordRa >= store.viewLength() ||
        !LinkOrNone(store, entry.childRa)) {
      return false;
    }
  }
  return true;
}

bool LooksLikeRecord(const DbStore& store, uint32_t ra) {
  const uint8_t* record = RecordAt(store, ra);
  if (record == nullptr) return false;
  const uint32_t body = LoadU16(record + kRecordBodySizeField);
  const unsigned count = record[kRecordPropertyCountField];
  const uint32_t table = 4 * count;
  if (count == 0 || table > body || store.At(ra, kRecordHeadSize + body) == nullptr) return false;
  // Every value a table entry points to lies in the data area.
  for (unsigned i = 0; i < count; ++i) {
    const PropertyEntry entry{LoadU32(record + kRecordHeadSize + 4 * i)};
    if (!entry.isDirect() && entry.field() >= body - table) return false;
  }
  return true;
}

FoundStructures ScanStructures(const DbStore& store) {
  FoundStructures found;
  const uint64_t length = store.viewLength();
  const uint8_t* bytes = store.At(0, 0);
  if (bytes == nullptr || length < kHeaderEnd + 4) return found;
  // The hot loop: one comparison a word, the rest only where a word holds its own RA.
  const uint32_t end = static_cast<uint32_t>(std::min<uint64_t>(length - 4, UINT32_MAX - 4));
  for (uint32_t ra = kHeaderEnd; ra <= end; ra += 4) {
    if (LoadU32(bytes + ra) != ra) continue;
    if (LooksLikeTextBlock(store, ra)) {
      found.blocks.push_back(ra);
    } else if (LooksLikeIndexNode(store, ra)) {
      found.nodes.push_back(ra);
    } else if (LooksLikeRecord(store, ra)) {
      found.records.push_back(ra);
    }
  }
  return found;
}

}  // namespace vendrel::dbx
