#include "dbx/record.h"

#include <gtest/gtest.h>

#include "dbx/header.h"
#include "dbx/record_builder.h"
#include "store/little_endian.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;

// What RecordBuilder::Write puts into a message database, read back through the readers.
class RecordRoundTrip : public testing::Test {
 protected:
  uint32_t Write(RecordBuilder& record) {
    const uint32_t ra = record.Write(db.store);
    EXPECT_NE(ra, 0u);
    return ra;
  }

  DbFile db{DbxBuilder(DbKind::Message).SetLastAssignedId(0x41)};
};

TEST_F(RecordRoundTrip, IntegersUpTo0xFFFFFFAreDirectAndLargerOnesGoToTheDataArea) {
  RecordBuilder record(false);
  record.SetInteger(0x01, 0xFFFFFF);
  record.SetInteger(0x03, 0x1000000);
  record.SetInteger(0x10, 0);  // absent
  const uint32_t ra = Write(record);

  EXPECT_EQ(PropertyCount(db.store, ra), 3u);  // ID, 0x01, 0x03
  EXPECT_TRUE(FindProperty(db.store, ra, 0x01)->isDirect());
  EXPECT_EQ(GetDword(db.store, ra, 0x01), 0xFFFFFFu);
  EXPECT_FALSE(FindProperty(db.store, ra, 0x03)->isDirect());
  EXPECT_EQ(FindProperty(db.store, ra, 0x03)->field(), 0u);  // first value of the data area
  EXPECT_EQ(GetDword(db.store, ra, 0x03), 0x1000000u);
  EXPECT_FALSE(FindProperty(db.store, ra, 0x10).has_value());
  EXPECT_EQ(GetDword(db.store, ra, 0x10), 0u);
  // Entry header size: three entries and one u32.
  EXPECT_EQ(db.store.ReadU16(ra + 4), 16u);
}

TEST_F(RecordRoundTrip, TheRecordGetsLastAssgIdPlusOneAndAdvancesIt) {
  RecordBuilder first(false), second(false);
  const uint32_t a = Write(first);
  const uint32_t b = Write(second);
  EXPECT_EQ(GetId(db.store, a), 0x42u);
  EXPECT_EQ(GetId(db.store, b), 0x43u);
  EXPECT_EQ(db.store.ReadU32(kLastAssignedIdField), 0x43u);
  EXPECT_EQ(db.Reopen().ReadU32(kLastAssignedIdField), 0x43u);
  EXPECT_NE(RecordAt(db.store, b), nullptr);
}

TEST_F(RecordRoundTrip, StringsTakeTheirLengthAndTerminatorRoundedToFourWithZeroPadding) {
  RecordBuilder three(false), four(false);
  three.SetString(0x08, "abc");
  four.SetString(0x08, "abcd");
  const uint32_t a = Write(three);
  const uint32_t b = Write(four);
  // ID (direct, 4) + entry and data of the string.
  EXPECT_EQ(db.store.ReadU16(a + 4), 4u + 4u + 4u);
  EXPECT_EQ(db.store.ReadU16(b + 4), 4u + 4u + 8u);
  const uint32_t data = DataAreaRa(db.store, b);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(db.store.At(data, 8)), 8),
            std::string("abcd\0\0\0\0", 8));
  EXPECT_EQ(GetDisplayName(db.store, a), std::nullopt);  // a message's display name is property 5
}

TEST_F(RecordRoundTrip, DisplayNameAndTextOffsetDependOnTheKindOfDatabase) {
  RecordBuilder record(false);
  record.SetString(kPropMessageDisplayName, "Subject");
  record.SetString(kPropFolderDisplayName, "not the name");
  record.SetInteger(kPropTextOffset, 0x1234);
  const uint32_t ra = Write(record);
  EXPECT_EQ(GetDisplayName(db.store, ra), "Subject");
  EXPECT_EQ(GetTextOffset(db.store, ra), 0x1234u);

  DbFile folders(DbxBuilder(DbKind::Folder));
  RecordBuilder folder(true);
  folder.SetString(kPropFolderDisplayName, "Inbox");
  folder.SetInteger(kPropTextOffset, 0x1234);
  const uint32_t folderRa = folder.Write(folders.store);
  EXPECT_EQ(GetDisplayName(folders.store, folderRa), "Inbox");
  EXPECT_EQ(GetTextOffset(folders.store, folderRa), 0u);
}

TEST_F(RecordRoundTrip, EmptyStringsAndZeroTimesAreAbsentAndUnknownIdsAreRefused) {
  RecordBuilder record(false);
  EXPECT_TRUE(record.SetString(0x08, "first"));
  EXPECT_TRUE(record.SetString(0x08, ""));
  EXPECT_TRUE(record.SetFileTime(0x02, 0));
  EXPECT_FALSE(record.SetInteger(0x1D, 1));
  EXPECT_FALSE(record.SetString(0x7F, "x"));
  const uint32_t ra = Write(record);
  EXPECT_EQ(PropertyCount(db.store, ra), 1u);
}

TEST_F(RecordRoundTrip, ABodyLargerThan0xFFFFBytesIsRefusedAndNothingIsAdvanced) {
  RecordBuilder record(false);
  record.SetString(0x08, std::string(0xFFF0, 'x'));
  record.SetString(0x07, std::string(100, 'y'));
  EXPECT_GT(record.BodySize(), 0xFFFFu);
  const uint64_t allocatedBefore = *db.store.ReadU32(0x7C);
  EXPECT_EQ(record.Write(db.store), 0u);
  EXPECT_EQ(db.store.ReadU32(kLastAssignedIdField), 0x41u);
  EXPECT_EQ(*db.store.ReadU32(0x7C), allocatedBefore);
}

TEST_F(RecordRoundTrip, AFailedAllocationLeavesLastAssgIdAlone) {
  db.store.WriteU32(0x7C, 0);  // the allocator has nowhere to carve
  RecordBuilder record(false);
  EXPECT_EQ(record.Write(db.store), 0u);
  EXPECT_EQ(db.store.ReadU32(kLastAssignedIdField), 0x41u);
}

TEST(Record, APropertyCountOfZeroPutsTheDataAreaRightAfterTheHead) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t ra = builder.AddRawRecord({}, {});
  DbFile db(builder);
  ASSERT_NE(RecordAt(db.store, ra), nullptr);
  EXPECT_EQ(DataAreaRa(db.store, ra), ra + 12);
  EXPECT_FALSE(FindProperty(db.store, ra, 0).has_value());
  EXPECT_EQ(GetId(db.store, ra), 0u);
}

TEST(Record, TheFirstEntryOfAnIdWinsWhateverTheOrder) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t entries[] = {0x80 | 0x11 | 7 << 8, 0x80 | 0x00 | 9 << 8, 0x80 | 0x00 | 8 << 8};
  const uint32_t ra = builder.AddRawRecord(entries, {});
  DbFile db(builder);
  EXPECT_EQ(GetId(db.store, ra), 9u);
  EXPECT_EQ(GetDword(db.store, ra, 0x11), 7u);
}

TEST(Record, ARecordThatDoesNotStartWithItsRaIsAbsent) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t entries[] = {0x80 | 5 << 8};
  const uint32_t ra = builder.AddRawRecord(entries, {});
  builder.SetU32(ra, ra + 1);
  DbFile db(builder);
  EXPECT_EQ(RecordAt(db.store, ra), nullptr);
  EXPECT_EQ(RecordAt(db.store, 0), nullptr);
  EXPECT_EQ(GetId(db.store, ra), 0u);
  EXPECT_EQ(PropertyCount(db.store, ra), 0u);
}

// Damaged records: every value that would lie outside the file reads as absent.
TEST(Record, ValuesPastTheEndOfTheFileReadAsAbsentAndStringsAreCutAtTheEnd) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t entries[] = {
      0x00 | 0x00FFF0 << 8,  // ID at an offset far past the end
      0x05 | 0x000000 << 8,  // a subject that runs to the end of the file without terminator
  };
  const uint8_t subject[] = {'c', 'u', 't'};
  const uint32_t ra = builder.AddRawRecord(entries, subject);
  builder.Truncate(ra + 12 + 8 + 3);
  DbFile db(builder);
  EXPECT_EQ(GetId(db.store, ra), 0u);
  EXPECT_EQ(GetDisplayName(db.store, ra), "cut");
}

TEST(Record, APropertyTableThatRunsPastTheEndStopsThere) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t entries[] = {0x80 | 0x01 | 1 << 8, 0x80 | 0x00 | 2 << 8};
  const uint32_t ra = builder.AddRawRecord(entries, {});
  builder.SetU8(ra + 0x0A, 200);  // claims 200 entries
  builder.Truncate(ra + 12 + 8);
  DbFile db(builder);
  EXPECT_EQ(GetDword(db.store, ra, 0x01), 1u);
  EXPECT_EQ(GetId(db.store, ra), 2u);
  EXPECT_FALSE(FindProperty(db.store, ra, 0x10).has_value());
  EXPECT_FALSE(PropertyAt(db.store, ra, 2).has_value());
}

}  // namespace
}  // namespace vendrel::dbx
