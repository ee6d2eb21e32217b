#include "dbx/index_node.h"

#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

constexpr uint32_t kLeftChildField = 0x08;
constexpr uint32_t kParentField = 0x0C;
constexpr uint32_t kPosInParentField = 0x10;
constexpr uint32_t kEntryCountField = 0x11;
constexpr uint32_t kEntryCountInNextField = 0x14;

uint32_t EntryOffset(unsigned pos) {
  return kIndexEntriesOffset + kIndexEntrySize * pos;
}

// Points the child back at its parent. count (none when called) becomes the child's entry count; it stays
// none for a child that does not validate (which is not linked). False when the link could not be written: the caller must not
// go on as if there were no child.
bool LinkChild(DbStore& store, uint32_t childRa, uint32_t parentRa, unsigned pos,
               std::optional<uint8_t>& count) {
  if (childRa == 0 || !IndexNode::At(store, childRa)) return true;
  // A child that overlaps its parent would overwrite the parent's own fields when linked.
  if (uint64_t{childRa} < uint64_t{parentRa} + kIndexNodeSize &&
      uint64_t{parentRa} < uint64_t{childRa} + kIndexNodeSize) {
    return true;
  }
  uint8_t* child = store.AtWritable(childRa, kIndexNodeSize);
  if (child == nullptr) return false;
  StoreU32(child + kParentField, parentRa);
  child[kPosInParentField] = static_cast<uint8_t>(pos);
  count = child[kEntryCountField];
  return true;
}

uint8_t* WritableNode(DbStore& store, uint32_t nodeRa) {
  return IndexNode::At(store, nodeRa) ? store.AtWritable(nodeRa, kIndexNodeSize) : nullptr;
}

}  // namespace

std::optional<IndexNode> IndexNode::At(const DbStore& store, uint32_t ra) {
  if (ra == 0) return std::nullopt;
  const uint8_t* bytes = store.AtChecked(ra, kIndexNodeSize);
  // A count past the node's room would have every reader look beyond the node.
  if (bytes == nullptr || bytes[kEntryCountField] > kMaxIndexEntries) return std::nullopt;
  return IndexNode(bytes, ra);
}

uint32_t IndexNode::dead() const {
  return LoadU32(bytes_ + 0x04);
}
uint32_t IndexNode::leftChild() const {
  return LoadU32(bytes_ + kLeftChildField);
}
uint32_t IndexNode::parent() const {
  return LoadU32(bytes_ + kParentField);
}
uint16_t IndexNode::unk5() const {
  return LoadU16(bytes_ + 0x12);
}
uint16_t IndexNode::unk7() const {
  return LoadU16(bytes_ + 0x16);
}

IndexEntry IndexNode::entry(unsigned i) const {
  const uint8_t* e = bytes_ + EntryOffset(i);
  return {LoadU32(e), LoadU32(e + 4), LoadU32(e + 8)};
}

bool SetLeftChild(DbStore& store, uint32_t nodeRa, uint32_t childRa) {
  std::optional<uint8_t> childCount;
  if (!IndexNode::At(store, nodeRa) || !LinkChild(store, childRa, nodeRa, 0, childCount)) return false;
  uint8_t* node = WritableNode(store, nodeRa);
  if (node == nullptr) return false;
  StoreU32(node + kLeftChildField, childCount ? childRa : 0);
  node[kEntryCountInNextField] = childCount.value_or(0);
  return true;
}

bool SetEntry(DbStore& store, uint32_t nodeRa, uint32_t recordRa, uint32_t childRa, unsigned pos) {
  std::optional<uint8_t> childCount;
  if (pos >= kMaxIndexEntries || !IndexNode::At(store, nodeRa) ||
      !LinkChild(store, childRa, nodeRa, pos, childCount)) {
    return false;
  }
  uint8_t* node = WritableNode(store, nodeRa);
  if (node == nullptr) return false;
  uint8_t* entry = node + EntryOffset(pos);
  StoreU32(entry, recordRa);
  StoreU32(entry + 4, childCount ? childRa : 0);
  StoreU32(entry + 8, childCount.value_or(0));
  return true;
}

bool SetEntryCount(DbStore& store, uint32_t nodeRa, uint8_t count) {
  uint8_t* node = WritableNode(store, nodeRa);
  if (node == nullptr || count > kMaxIndexEntries) return false;
  node[kEntryCountField] = count;
  return true;
}

uint64_t NodeVisitBudget(const DbStore& store) {
  return store.viewLength() / kIndexNodeSize + 1;
}

}  // namespace vendrel::dbx
