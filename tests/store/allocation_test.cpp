#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_mapping.h"
#include "store/allocation.h"
#include "store/db_store.h"
#include "store/little_endian.h"
#include "support/dbx_builder.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
namespace fs = std::filesystem;

struct Descriptor {
  uint32_t chunkRa, chunkSize, used;
  bool operator==(const Descriptor&) const = default;
};

class Allocation : public testing::Test {
 protected:
  // Opens a session on what the builder made.
  DbStore& Open(const DbxBuilder& builder) {
    path = dir / "db.dbx";
    builder.WriteTo(path);
    EXPECT_TRUE(store.Open(path.string()));
    return store;
  }

  Descriptor ReadDescriptor(uint32_t offset) {
    return {*store.ReadU32(offset), *store.ReadU32(offset + 4), *store.ReadU32(offset + 8)};
  }

  uint32_t RaOf(const uint8_t* block) { return static_cast<uint32_t>(block - store.At(0, 1)); }

  testsupport::TempDir dir;
  fs::path path;
  DbStore store;
};

TEST_F(Allocation, AFiveByteRequestTakesEightZeroedBytesTaggedWithTheirRa) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t chunk = builder.Reserve(64);
  builder.SetDescriptor(kEntryHeapDescriptor, chunk, 64, 8);
  for (uint32_t i = 0; i < 64; ++i) builder.SetU8(chunk + i, 0xAA);
  Open(builder);

  const uint8_t* block = store.Allocate(5, kEntryHeapDescriptor, kEntryHeapGrowth);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(RaOf(block), chunk + 8);
  EXPECT_EQ(LoadU32(block), chunk + 8);
  for (int i = 4; i < 8; ++i) EXPECT_EQ(block[i], 0) << i;
  EXPECT_EQ(block[8], 0xAA);  // nothing past the rounded size is touched
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor), (Descriptor{chunk, 64, 16}));
  EXPECT_EQ(store.AtChecked(chunk + 8), block);
}

TEST_F(Allocation, TwoRequestsThatFitLandBackToBackWithoutGrowingTheFile) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t chunk = builder.Reserve(64);
  builder.SetDescriptor(kEntryHeapDescriptor, chunk, 64, 32);
  Open(builder);
  const uint64_t size = store.viewLength();
  const uint32_t allocated = *store.ReadU32(kAllocatedSizeField);

  const uint32_t first = RaOf(store.Allocate(16, kEntryHeapDescriptor, kEntryHeapGrowth));
  const uint32_t second = RaOf(store.Allocate(16, kEntryHeapDescriptor, kEntryHeapGrowth));
  EXPECT_EQ(first, chunk + 32);
  EXPECT_EQ(second, first + 16);
  EXPECT_EQ(store.viewLength(), size);
  EXPECT_EQ(store.ReadU32(kAllocatedSizeField), allocated);
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor), (Descriptor{chunk, 64, 64}));
}

TEST_F(Allocation, WithoutAChunkANewOneStartsAtTheAllocatedSizeAndTheFileGrows) {
  DbxBuilder builder(DbKind::Message);
  Open(builder);
  const uint32_t allocated = *store.ReadU32(kAllocatedSizeField);

  const uint8_t* block = store.Allocate(30, kEntryHeapDescriptor, kEntryHeapGrowth);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(RaOf(block), allocated);
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor), (Descriptor{allocated, 32, 32}));
  EXPECT_EQ(store.ReadU32(kAllocatedSizeField), allocated + kEntryHeapGrowth);
  EXPECT_GE(store.viewLength(), allocated + kEntryHeapGrowth);
  EXPECT_EQ(store.viewLength() % PageSize(), 0u);
  store.Close();
  EXPECT_GE(fs::file_size(path), allocated + kEntryHeapGrowth);
}

TEST_F(Allocation, TwoIndexNodesInARowLieOneGrowthApart) {
  DbxBuilder builder(DbKind::Folder);
  Open(builder);
  const uint32_t allocated = *store.ReadU32(kAllocatedSizeField);

  const uint32_t first = RaOf(store.Allocate(636, kIndexHeapDescriptor, kIndexHeapGrowth));
  const uint32_t second = RaOf(store.Allocate(636, kIndexHeapDescriptor, kIndexHeapGrowth));
  EXPECT_EQ(first, allocated);
  EXPECT_EQ(second, first + 15900);
  EXPECT_EQ(store.ReadU32(kAllocatedSizeField), allocated + 2 * 15900);
  EXPECT_EQ(store.AtChecked(second, 636), store.At(second, 636));
}

TEST_F(Allocation, ARequestThatDoesNotFitTheRestOfTheChunkStartsANewOneAndLeavesTheRest) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t chunk = builder.Reserve(64);
  builder.SetDescriptor(kEntryHeapDescriptor, chunk, 64, 56);
  for (uint32_t i = 56; i < 64; ++i) builder.SetU8(chunk + i, 0x55);
  Open(builder);
  const uint32_t allocated = *store.ReadU32(kAllocatedSizeField);

  const uint32_t ra = RaOf(store.Allocate(12, kEntryHeapDescriptor, kEntryHeapGrowth));
  EXPECT_EQ(ra, allocated);
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor), (Descriptor{allocated, 12, 12}));
  for (uint32_t i = 56; i < 64; ++i) EXPECT_EQ(store.ReadU8(chunk + i), 0x55) << i;
}

TEST_F(Allocation, ANewChunkIsAtLeastAsLargeAsARequestAboveTheGrowthAmount) {
  DbxBuilder builder(DbKind::Message);
  Open(builder);
  const uint32_t allocated = *store.ReadU32(kAllocatedSizeField);

  const uint8_t* block = store.Allocate(20001, kEntryHeapDescriptor, 100);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(store.ReadU32(kAllocatedSizeField), allocated + 20004);
  EXPECT_NE(store.At(allocated, 20004), nullptr);
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor), (Descriptor{allocated, 20004, 20004}));
}

TEST_F(Allocation, DamagedOrImpossibleRequestsAreRefusedWithoutChangingTheHeader) {
  struct Case {
    const char* what;
    uint32_t chunkRa, chunkSize, used, allocatedSize;
  };
  const Case cases[] = {
      {"used count above the chunk size", 0x2800, 16, 64, 0x2840},
      {"allocated size 0", 0, 0, 0, 0},
      {"allocated size near 4 GiB", 0, 0, 0, 0xFFFFF000},
      {"chunk outside the file", 0x7FFF0000, 64, 0, 0x2840},
      {"chunk inside the header", 0x10, 0x1000, 0, 0x2840},
      {"chunk past the allocated size", 0x2800, 0x100, 0, 0x2840},
      {"allocated size inside the header", 0, 0, 0, 0xE0},
      {"allocated size past the end of the file", 0, 0, 0, 0x10000},
  };
  for (const Case& c : cases) {
    DbxBuilder builder(DbKind::Message);
    builder.PadTo(0x2840);
    builder.SetDescriptor(kEntryHeapDescriptor, c.chunkRa, c.chunkSize, c.used);
    builder.SetAllocatedSize(c.allocatedSize);
    Open(builder);
    const std::vector<uint8_t> header(store.At(0, 0x100), store.At(0, 0x100) + 0x100);
    EXPECT_EQ(store.Allocate(8, kEntryHeapDescriptor, kEntryHeapGrowth), nullptr) << c.what;
    if (store.IsOpen()) {
      EXPECT_EQ(std::vector<uint8_t>(store.At(0, 0x100), store.At(0, 0x100) + 0x100), header) << c.what;
    }
    store.Close();
  }
}

TEST_F(Allocation, ZeroArgumentsGiveNothing) {
  Open(DbxBuilder(DbKind::Message));
  EXPECT_EQ(store.Allocate(0, kEntryHeapDescriptor, kEntryHeapGrowth), nullptr);
  EXPECT_EQ(store.Allocate(8, 0, kEntryHeapGrowth), nullptr);
  EXPECT_EQ(store.Allocate(8, kEntryHeapDescriptor, 0), nullptr);
  EXPECT_EQ(store.Allocate(0xFFFFFFFF, kEntryHeapDescriptor, kEntryHeapGrowth), nullptr);
}

TEST_F(Allocation, StoreBlockGivesTheCallerTheRaOfTheCopyAndZeroesTheRounding) {
  Open(DbxBuilder(DbKind::Message));
  std::vector<uint8_t> block = {0, 0, 0, 0, 'r', 'e', 'c', 'o', 'r', 'd'};
  ASSERT_TRUE(store.StoreBlock(block));
  const uint32_t ra = LoadU32(block.data());
  const uint8_t* copy = store.AtChecked(ra, 12);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), copy));
  EXPECT_EQ(copy[10], 0);
  EXPECT_EQ(copy[11], 0);
  EXPECT_EQ(ReadDescriptor(kEntryHeapDescriptor).used, 12u);

  std::vector<uint8_t> tooSmall = {1, 2, 3};
  EXPECT_FALSE(store.StoreBlock(tooSmall));
  EXPECT_FALSE(store.StoreBlock({}));
}

TEST_F(Allocation, BlocksAllocatedInOneSessionAreThereInTheNext) {
  Open(DbxBuilder(DbKind::Message));
  std::vector<uint8_t> block(40, 0x11);
  ASSERT_TRUE(store.StoreBlock(block));
  const uint32_t ra = LoadU32(block.data());
  store.Close();

  DbStore next;
  ASSERT_TRUE(next.Open(path.string()));
  const uint8_t* copy = next.AtChecked(ra, 40);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy[39], 0x11);
  EXPECT_EQ(next.ReadU32(kEntryHeapDescriptor), ra);
}

}  // namespace
}  // namespace vendrel
