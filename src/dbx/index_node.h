// Index nodes: the multiway trees in which a database keeps its records, one tree per index slot.
//
//   offset  type      label                meaning
//   0x00    u32       (RA)                 the node's own RA (self-tag)
//   0x04    u32       "dwDead?"            not interpreted
//   0x08    u32       "dwRA_Root"          left child: the subtree before entry 0; 0 = none
//   0x0C    u32       "dwRA_Prev"          parent node; 0 for a root
//   0x10    u8        "bPosInPrevTable"    the parent entry whose child this is (0 for a left child)
//   0x11    u8        "bEntryCount"        entries in use, 0 to 51
//   0x12    u16       "wUnk5"              not interpreted
//   0x14    u8        "bEntryCountInNext"  entry count of the left child
//   0x15    u8        "bUnk6"              not interpreted
//   0x16    u16       "wUnk7"              not interpreted
//   0x18    51 x 12   IndexEntry: u32 record RA, u32 child RA (the subtree after this entry's record),
//                     u32 entry count of that child
//
// Tree order of the subtree at N: the subtree at N's left child, then for each entry the record and the
// subtree at the entry's child.
#pragma once

#include <cstdint>
#include <optional>

#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr uint32_t kIndexNodeSize = 636;
inline constexpr unsigned kMaxIndexEntries = 51;
inline constexpr uint32_t kIndexEntrySize = 12;
inline constexpr uint32_t kIndexEntriesOffset = 0x18;

struct IndexEntry {
  uint32_t recordRa;
  uint32_t childRa;
  uint32_t childCount;
};

// A read view of one validated node. It points into the mapping: take it again after anything that may
// grow the file.
class IndexNode {
 public:
  // The node at ra when it is tagged with its own RA, lies wholly inside the view and claims no more
  // than 51 entries; none otherwise.
  static std::optional<IndexNode> At(const DbStore& store, uint32_t ra);

  uint32_t ra() const { return ra_; }
  uint32_t dead() const;
  uint32_t leftChild() const;
  uint32_t parent() const;
  uint8_t posInParent() const { return bytes_[0x10]; }
  uint8_t entryCount() const { return bytes_[0x11]; }
  uint16_t unk5() const;
  uint8_t entryCountInNext() const { return bytes_[0x14]; }
  uint8_t unk6() const { return bytes_[0x15]; }
  uint16_t unk7() const;
  // Any of the 51 entries; only the first entryCount() are in use.
  IndexEntry entry(unsigned i) const;

 private:
  IndexNode(const uint8_t* bytes, uint32_t ra) : bytes_(bytes), ra_(ra) {}

  const uint8_t* bytes_;
  uint32_t ra_;
};

// Links childRa as the node's left child and refreshes the count the node keeps of it. A child that does
// not validate is not linked (the left child becomes 0). False when the node does not validate.
bool SetLeftChild(DbStore& store, uint32_t nodeRa, uint32_t childRa);
// Writes entry pos as (record, child, the child's entry count) and links the child to the node at pos.
// A child that does not validate is not linked. False when the node does not validate or pos is past
// the node's 51 entries.
bool SetEntry(DbStore& store, uint32_t nodeRa, uint32_t recordRa, uint32_t childRa, unsigned pos);
bool SetEntryCount(DbStore& store, uint32_t nodeRa, uint8_t count);

// How many nodes a walk may visit: no sound tree holds more nodes than fit in the file, so a walk that
// needs more has met a loop and stops there.
uint64_t NodeVisitBudget(const DbStore& store);

}  // namespace vendrel::dbx
