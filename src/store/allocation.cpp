// Allocate and StoreBlock of DbStore: new room for index nodes and records.
#include <algorithm>
#include <cstring>

#include "store/allocation.h"
#include "store/db_store.h"
#include "store/little_endian.h"

namespace vendrel {

namespace {

struct Descriptor {
  uint32_t chunkRa;
  uint32_t chunkSize;
  uint32_t used;
};

std::optional<Descriptor> ReadDescriptor(const DbStore& store, uint32_t offset) {
  const uint8_t* p = store.At(offset, 12);
  if (p == nullptr) return std::nullopt;
  return Descriptor{LoadU32(p), LoadU32(p + 4), LoadU32(p + 8)};
}

bool WriteDescriptor(DbStore& store, uint32_t offset, const Descriptor& descriptor) {
  uint8_t* p = store.AtWritable(offset, 12);
  if (p == nullptr) return false;
  StoreU32(p, descriptor.chunkRa);
  StoreU32(p + 4, descriptor.chunkSize);
  StoreU32(p + 8, descriptor.used);
  return true;
}

}  // namespace

uint8_t* DbStore::Allocate(uint32_t size, uint32_t descriptorOffset, uint32_t growth) {
  if (size == 0 || descriptorOffset == 0 || growth == 0 || !IsWritable()) return nullptr;
  if (size > UINT32_MAX - 3) return nullptr;
  const uint32_t rounded = (size + 3) & ~3u;

  std::optional<Descriptor> descriptor = ReadDescriptor(*this, descriptorOffset);
  const std::optional<uint32_t> allocatedSize = ReadU32(kAllocatedSizeField);
  // A damaged header must not make the allocator write over the header, past the allocated part, or
  // hand out room that is not there: such a header is refused.
  if (!descriptor || !allocatedSize || *allocatedSize < kHeaderEnd || *allocatedSize > viewLength()) {
    return nullptr;
  }
  if (descriptor->used > descriptor->chunkSize) return nullptr;
  if (descriptor->chunkRa != 0 && (descriptor->chunkRa < kHeaderEnd ||
                                   uint64_t{descriptor->chunkRa} + descriptor->chunkSize > *allocatedSize)) {
    return nullptr;
  }

  const bool fits = descriptor->chunkRa != 0 && descriptor->chunkSize - descriptor->used >= rounded;
  if (!fits) {
    // The chunk must hold the block even when the request is larger than the usual growth.
    const uint64_t chunkLength = std::max(growth, rounded);
    const uint64_t newEnd = *allocatedSize + chunkLength;
    if (newEnd > UINT32_MAX) return nullptr;
    if (!Grow(static_cast<uint32_t>(newEnd))) return nullptr;
    // Checked before the header changes, so that a chunk outside the view never gets recorded.
    if (At(*allocatedSize, rounded) == nullptr) return nullptr;
    // The recorded chunk size is the rounded request: the rest of the growth is never handed out,
    // which is how the mail client's files look after such an allocation.
    descriptor = Descriptor{*allocatedSize, rounded, 0};
    if (!WriteDescriptor(*this, descriptorOffset, *descriptor) ||
        !WriteU32(kAllocatedSizeField, static_cast<uint32_t>(newEnd))) {
      return nullptr;
    }
  }

  const uint32_t blockRa = descriptor->chunkRa + descriptor->used;
  if (blockRa < descriptor->chunkRa) return nullptr;  // wrapped past 4 GiB
  uint8_t* block = AtWritable(blockRa, rounded);
  if (block == nullptr) return nullptr;
  std::memset(block, 0, rounded);
  StoreU32(block, blockRa);
  descriptor->used += rounded;
  if (!WriteDescriptor(*this, descriptorOffset, *descriptor)) return nullptr;
  allocations_.emplace_back(blockRa, rounded);
  return block;
}

bool DbStore::StoreBlock(std::span<uint8_t> block) {
  // The block's first u32 receives the RA, so it must have one.
  if (block.size() < 4 || block.size() > UINT32_MAX) return false;
  uint8_t* stored = Allocate(static_cast<uint32_t>(block.size()), kEntryHeapDescriptor, kEntryHeapGrowth);
  if (stored == nullptr) return false;
  std::memcpy(block.data(), stored, 4);
  std::memcpy(stored, block.data(), block.size());
  return true;
}

}  // namespace vendrel
