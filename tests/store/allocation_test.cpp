// Room for new structures: carved from the current chunk of a heap, or from a new chunk at the
// allocated size, which grows the file; never from a damaged header.
#include <gtest/gtest.h>

#include "platform/file_mapping.h"
#include "store/allocation.h"
#include "store/db_store.h"
#include "support/db_file.h"

namespace vendrel {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;
using Descriptor = std::array<uint32_t, 3>;  // chunk RA, chunk size, used

Descriptor ReadDescriptor(const DbStore& store, uint32_t offset) {
  return {*store.ReadU32(offset), *store.ReadU32(offset + 4), *store.ReadU32(offset + 8)};
}

TEST(Allocation, RequestsAreCarvedFromTheChunkWhileTheyFitAndFromANewChunkAtTheAllocatedSizeElse) {
  constexpr uint32_t kChunk = testsupport::kBuilderHeaderSize, kAt = kChunk + 64;  // the allocated size
  const struct {
    const char* what;
    uint32_t used;  // of a 64-byte chunk at kChunk; 0xFFFFFFFF: no chunk
    uint32_t size, growth;
    std::vector<uint32_t> ras;  // of as many requests in a row
    Descriptor after;
    uint32_t grown;  // the allocated size past kAt afterwards
  } cases[] = {
      {"five bytes take eight", 8, 5, kEntryHeapGrowth, {kChunk + 8}, {kChunk, 64, 16}, 0},
      {"back to back", 32, 16, kEntryHeapGrowth, {kChunk + 32, kChunk + 48}, {kChunk, 64, 64}, 0},
      {"the rest of a chunk too small", 56, 12, kEntryHeapGrowth, {kAt}, {kAt, 12, 12}, kEntryHeapGrowth},
      {"no chunk yet", 0xFFFFFFFF, 30, kEntryHeapGrowth, {kAt}, {kAt, 32, 32}, kEntryHeapGrowth},
      {"index nodes",
       0xFFFFFFFF,
       636,
       kIndexHeapGrowth,
       {kAt, kAt + 15900},
       {kAt + 15900, 636, 636},
       2 * kIndexHeapGrowth},
      {"more than the growth", 0xFFFFFFFF, 20001, 100, {kAt}, {kAt, 20004, 20004}, 20004},
  };
  for (const auto& c : cases) {
    DbxBuilder builder(DbKind::Message);
    builder.Reserve(64);
    for (uint32_t i = 0; i < 64; ++i) builder.SetU8(kChunk + i, 0xAA);
    if (c.used != 0xFFFFFFFF) builder.SetDescriptor(kEntryHeapDescriptor, kChunk, 64, c.used);
    DbFile db(builder);
    const uint32_t descriptor = c.size == 636 ? kIndexHeapDescriptor : kEntryHeapDescriptor;
    const uint32_t rounded = (c.size + 3) & ~3u;
    for (const uint32_t expected : c.ras) {
      const uint8_t* block = db.store.Allocate(c.size, descriptor, c.growth);
      ASSERT_NE(block, nullptr) << c.what;
      EXPECT_EQ(db.store.AtChecked(expected, rounded), block) << c.what;  // tagged with its RA, then zeroed
      EXPECT_EQ(std::count(block + 4, block + rounded, 0), static_cast<std::ptrdiff_t>(rounded - 4))
          << c.what;
    }
    EXPECT_EQ(ReadDescriptor(db.store, descriptor), c.after) << c.what;
    EXPECT_EQ(db.store.ReadU32(kAllocatedSizeField), kAt + c.grown) << c.what;
    // Nothing past what was asked for is touched, nor the rest of a chunk left behind.
    const uint32_t end = c.ras.back() + rounded;
    EXPECT_TRUE(end >= kAt || db.store.ReadU8(end) == 0xAA) << c.what;
    EXPECT_TRUE(c.after[0] == kChunk || db.store.ReadU8(kChunk + 63) == 0xAA) << c.what;
    EXPECT_EQ(db.store.viewLength() % PageSize(), c.grown == 0 ? kAt % PageSize() : 0) << c.what;
    EXPECT_GE(db.store.viewLength(), kAt + c.grown) << c.what;
  }
}

TEST(Allocation, DamagedOrImpossibleRequestsAreRefusedWithoutChangingTheHeader) {
  const struct {
    const char* what;
    uint32_t chunkRa, chunkSize, used, allocatedSize, size, descriptor, growth;
  } cases[] = {
      {"used count above the chunk size", 0x2800, 16, 64, 0x2840, 8, 0x24, 0x10},
      {"allocated size 0", 0, 0, 0, 0, 8, 0x24, 0x10},
      {"allocated size near 4 GiB", 0, 0, 0, 0xFFFFF000, 8, 0x24, 0x10},
      {"chunk outside the file", 0x7FFF0000, 64, 0, 0x2840, 8, 0x24, 0x10},
      {"chunk inside the header", 0x10, 0x1000, 0, 0x2840, 8, 0x24, 0x10},
      {"chunk past the allocated size", 0x2800, 0x100, 0, 0x2840, 8, 0x24, 0x10},
      {"allocated size inside the header", 0, 0, 0, 0xE0, 8, 0x24, 0x10},
      {"allocated size past the end of the file", 0, 0, 0, 0x10000, 8, 0x24, 0x10},
      {"nothing asked for", 0, 0, 0, 0x2840, 0, 0x24, 0x10},
      {"no descriptor", 0, 0, 0, 0x2840, 8, 0, 0x10},
      {"no growth", 0, 0, 0, 0x2840, 8, 0x24, 0},
      {"4 GiB asked for", 0, 0, 0, 0x2840, 0xFFFFFFFF, 0x24, 0x10},
  };
  for (const auto& c : cases) {
    DbxBuilder builder(DbKind::Message);
    builder.PadTo(0x2840).SetDescriptor(kEntryHeapDescriptor, c.chunkRa, c.chunkSize, c.used);
    DbFile db(builder.SetAllocatedSize(c.allocatedSize));
    EXPECT_EQ(db.store.Allocate(c.size, c.descriptor, c.growth), nullptr) << c.what;
    db.store.Close();
    EXPECT_EQ(testsupport::ReadFileBytes(db.path()), builder.bytes()) << c.what;
  }
}

}  // namespace
}  // namespace vendrel
