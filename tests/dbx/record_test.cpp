// Records and their properties: what RecordBuilder writes read back, damaged records, and the name and
// value text of each property as the explorer lists them; a message's text, the chain of blocks read in
// place, whatever a damaged file makes of it.
#include "dbx/record.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "dbx/property_names.h"
#include "dbx/property_value_text.h"
#include "dbx/record_builder.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using namespace testsupport;

TEST(Record, WhatTheBuilderWritesReadsBackWithTheNextIdAndTheDataAreaLaidOut) {
  DbFile db(DbxBuilder(DbKind::Message).SetLastAssignedId(0x41));
  RecordBuilder record(false);
  // The largest direct value, one too large (in the data area), and an absent one.
  EXPECT_TRUE(record.SetInteger(0x01, 0xFFFFFF) && record.SetInteger(0x03, 0x1000000) &&
              record.SetInteger(0x10, 0));
  EXPECT_TRUE(record.SetFileTime(0x02, 0x01C6F0B8A1E2C000) && record.SetFileTime(0x12, 0));
  EXPECT_TRUE(record.SetString(0x05, "abcd") && record.SetString(0x08, "first") &&
              record.SetString(0x08, "") && record.SetString(0x07, std::string("abc\0hidden", 10)) &&
              record.SetInteger(kPropTextOffset, 0x1234));
  EXPECT_FALSE(record.SetInteger(0x1D, 1) || record.SetString(0x7F, "x") || record.SetFileTime(0x20, 1));
  const uint32_t ra = record.Write(db.store);
  ASSERT_NE(ra, 0u);
  const uint32_t next = RecordBuilder(false).Write(db.store);

  EXPECT_EQ((std::pair{GetId(db.store, ra), GetId(db.store, next)}), (std::pair{0x42u, 0x43u}));
  EXPECT_EQ(db.Reopen().ReadU32(kLastAssignedIdField), 0x43u);
  EXPECT_EQ(PropertyCount(db.store, ra), 7u);  // ID, 0x01, 0x02, 0x03, 0x04, 0x05, 0x07
  EXPECT_TRUE(FindProperty(db.store, ra, 0x01)->isDirect() && !FindProperty(db.store, ra, 0x02)->isDirect());
  const auto field = [&](uint8_t id) { return FindProperty(db.store, ra, id)->field(); };  // in the data area
  EXPECT_EQ(
      (std::vector<uint64_t>{GetDword(db.store, ra, 0x01), *GetFileTime(db.store, ra, 0x02),
                             GetDword(db.store, ra, 0x03), GetTextOffset(db.store, ra), field(2), field(3)}),
      (std::vector<uint64_t>{0xFFFFFF, 0x01C6F0B8A1E2C000, 0x1000000, 0x1234, 0, 8}));
  EXPECT_EQ(GetDisplayName(db.store, ra), "abcd");
  const char* strings = reinterpret_cast<const char*>(db.store.At(DataAreaRa(db.store, ra) + 12, 12));
  EXPECT_EQ(std::string(strings, 12), std::string("abcd\0\0\0\0abc\0", 12));
  EXPECT_FALSE(FindProperty(db.store, ra, 0x08) || FindProperty(db.store, ra, 0x10) ||
               FindProperty(db.store, ra, 0x12) || GetDword(db.store, ra, 0x10) != 0);
  // The entry header: seven entries, then 8 + 4 + 8 + 4 bytes of values.
  EXPECT_EQ(db.store.ReadU16(ra + 4), 7u * 4 + 24u);
}

TEST(Record, AWriteThatCannotBeMadeWholeChangesNothing) {
  DbFile db(DbxBuilder(DbKind::Message).SetLastAssignedId(0x41));
  const uint32_t allocated = *db.store.ReadU32(kAllocatedSizeField);
  RecordBuilder tooLarge(false);
  tooLarge.SetString(0x08, std::string(0xFFF0, 'x'));
  tooLarge.SetString(0x07, std::string(100, 'y'));
  EXPECT_EQ(tooLarge.Write(db.store), 0u);
  db.store.WriteU32(kAllocatedSizeField, 0);  // the allocator has nowhere to carve
  RecordBuilder nowhere(false);
  EXPECT_TRUE(nowhere.Write(db.store) == 0 && db.store.ReadU32(kLastAssignedIdField) == 0x41u);
  db.store.WriteU32(kAllocatedSizeField, allocated);
  db.store.WriteU32(kLastAssignedIdField, 0xFFFFFFFF);  // no ID left to give
  EXPECT_TRUE(nowhere.Write(db.store) == 0 && db.store.ReadU32(kAllocatedSizeField) == allocated);
}

TEST(Record, DamagedRecordsReadAsAbsentWhereverTheyLeaveTheFile) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t empty = builder.AddRawRecord({}, {});
  const uint32_t twice[] = {0x80 | 0x11 | 7 << 8, 0x80 | 9 << 8, 0x80 | 8 << 8};
  const uint32_t repeated = builder.AddRawRecord(twice, {});
  const uint32_t untagged = builder.AddRawRecord(twice, {});
  builder.SetU32(untagged, untagged + 1);
  const uint32_t tableEntries[] = {0x80 | 0x01 | 1 << 8, 0x80 | 2 << 8};
  const uint32_t longTable = builder.AddRawRecord(tableEntries, {});
  builder.SetU8(longTable + 0x0A, 200);              // claims 200 entries
  const uint32_t outside[] = {0x00FFF0 << 8, 0x05};  // an ID far past the end, an unterminated subject
  const uint8_t subject[] = {'c', 'u', 't'};
  const uint32_t cut = builder.AddRawRecord(outside, subject);
  DbFile db(builder.Truncate(cut + 12 + 8 + 3));

  EXPECT_TRUE(DataAreaRa(db.store, empty) == empty + 12 && !FindProperty(db.store, empty, 0));
  EXPECT_EQ(GetId(db.store, repeated), 9u);  // the first entry of an ID wins
  EXPECT_TRUE(PropertyAt(db.store, repeated, 2).has_value() &&
              !PropertyAt(db.store, repeated, 3).has_value());
  EXPECT_EQ(GetDword(db.store, repeated, 0x11), 7u);
  EXPECT_FALSE(GetFileTime(db.store, repeated, 0x11) || GetString(db.store, repeated, 0x11));  // no place given
  EXPECT_FALSE(RecordAt(db.store, untagged) || RecordAt(db.store, 0));
  EXPECT_EQ(GetId(db.store, untagged) + PropertyCount(db.store, untagged), 0u);
  EXPECT_TRUE(GetDword(db.store, longTable, 0x01) == 1u && GetId(db.store, longTable) == 2u);
  EXPECT_TRUE(GetId(db.store, cut) == 0u && GetDisplayName(db.store, cut) == "cut");
  const uint32_t truncated = builder.AddRawRecord(tableEntries, {});  // the file ends 3 bytes into entry 2
  DbFile end(builder.SetU8(truncated + 0x0A, 200).PadTo(truncated + 23).Truncate(truncated + 23));
  EXPECT_FALSE(FindProperty(end.store, truncated, 0x10) || PropertyAt(end.store, truncated, 2));
  const uint32_t fileTime[] = {0x02};  // its 8 bytes at the data area's start, where the file has 7
  const uint32_t lastSeven = builder.AddRawRecord(fileTime, std::vector<uint8_t>(7, 1));
  DbFile seven(builder.Truncate(lastSeven + 12 + 4 + 7));
  EXPECT_FALSE(GetFileTime(seven.store, lastSeven, 0x02));
}

constexpr auto Direct = [](uint8_t id, uint32_t value) -> uint32_t { return id | 0x80u | value << 8; };
constexpr auto Indirect = [](uint8_t id, uint32_t offset) -> uint32_t { return id | offset << 8; };

// "name=value" of each entry of a raw record.
std::vector<std::string> PropertyRows(DbKind kind, std::span<const uint32_t> entries,
                                      std::span<const uint8_t> data = {}) {
  DbxBuilder builder(kind);
  const uint32_t ra = builder.AddRawRecord(entries, data);
  DbFile db(builder);
  std::vector<std::string> rows;
  for (unsigned i = 0; i < entries.size(); ++i) {
    const PropertyEntry entry = *PropertyAt(db.store, ra, i);
    rows.push_back(PropertyName(db.store, entry) + "=" +
                   PropertyValueText(db.store, entry, DataAreaRa(db.store, ra)));
  }
  return rows;
}
using Rows = std::vector<std::string>;

TEST(PropertyText, NamesAndValuesFollowTheTableOfTheKindOfDatabase) {
  const uint8_t data[] = {0x78, 0x56, 0x34, 0x12, 'R', 0xE9, 's', 0, 0x10, 0, 0, 0};
  const uint32_t folder[] = {Direct(0x02, 0xAB), Direct(0x15, 0x10),      Direct(0x06, 0x10),
                             Direct(0x01, 0),    Indirect(0x00, 0),       Indirect(0x03, 4),
                             Indirect(0x06, 8),  Indirect(0x14, 4),       Indirect(0x1C, 0),
                             Indirect(0x0B, 0),  Indirect(0x00, 0xFFFFF0)};
  EXPECT_EQ(PropertyRows(DbKind::Folder, folder, data),
            (Rows{"DisplayName=0000AB", "15(95)=000010(16)", "Any info=00000010 ", "ParentID=000000",
                  "FolderID=12345678", "FileName=Rés", "Any info=00000010 ", "HttpFolderID?=Rés",
                  "WatchMsgCount=12345678", "0B(0B)=12345678", "FolderID="}));
  const uint32_t message[] = {Indirect(0x11, 0),    Indirect(0x05, 4),       Indirect(0x1D, 0),
                              Direct(0x1F, 1),      Indirect(0x03, 0),       Indirect(0x0F, 4),
                              Indirect(0x1A, 4),    Indirect(0x1C, 0),       Indirect(0x10, 0),
                              Direct(0x06, 0x1234), Indirect(0x05, 0xFFFFF0), Direct(0x1D, 2)};
  EXPECT_EQ(PropertyRows(DbKind::Message, message, data),
            (Rows{"MsgTextSize=12345678", "Subject(Original)=Rés", "1D(1D)=", "1F(9F)=000001(1)",
                  "03(03)=12345678", "CP=Rés", "OutAccount=Rés", "SomeData=12345678", "Priority=12345678",
                  "Received=00001234 ", "Subject(Original)=", "1D(9D)=000002(2)"}));
}

TEST(PropertyText, FileTimesShowInLocalTimeDayFirst) {
  const uint64_t ticks = (1172984767ull + 11644473600ull) * 10000000ull;  // 2007-03-04 05:06:07 UTC
  setenv("TZ", "CET-1", 1);  // left so: ctest runs each test in a process of its own
  tzset();
  uint8_t data[8];
  for (int i = 0; i < 8; ++i) data[i] = static_cast<uint8_t>(ticks >> (8 * i));
  const uint32_t entries[] = {Indirect(0x02, 0), Indirect(0x12, 0), Indirect(0x06, 0), Indirect(0x02, 1)};
  EXPECT_EQ(PropertyRows(DbKind::Message, entries, data),  // the last has 7 bytes left
            (Rows{"Sent=04/03/2007 06:06:07", "TimeCreated=04/03/2007 06:06:07",
                  "Received=04/03/2007 06:06:07", "Sent="}));
}

std::string ReadAll(const DbStore& store, uint32_t first) {
  std::string text;
  const uint64_t delivered = ReadMessageText(store, first, [&](std::span<const uint8_t> bytes) {
    text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  });
  EXPECT_EQ(delivered, text.size());
  return text;
}

TEST(MessageText, ADamagedChainEndsAtItsFirstInvalidBlockOrWhereItLoops) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t broken = builder.AddTextChain(std::string(600, 'a') + std::string(600, 'b'), 600);
  builder.SetU32(builder.U32(broken + 12), 0);  // the second block no longer starts with its RA
  const uint32_t tooMuch = builder.AddTextBlock(8, 0xFFFFFFFF, "12345678");  // more used than room
  const uint32_t a = builder.AddTextBlock(4, 4, "aaaa"), b = builder.AddTextBlock(4, 4, "bbbb"),
                 c = builder.AddTextBlock(4, 4, "cccc");
  builder.SetU32(a + 12, b).SetU32(b + 12, c).SetU32(c + 12, b);  // a -> b -> c -> b ...
  const uint32_t y = builder.AddTextBlock(4, 4, "yyyy");
  builder.SetU32(y + 12, a);  // a chain that steps back at once, into a, after a's has been read
  const uint32_t d = builder.AddTextBlock(4, 4, "dddd"), e = builder.AddTextBlock(4, 4, "eeee");
  builder.SetU32(d + 12, e).SetU32(e + 12, e);  // d -> e -> e ...
  std::vector<uint32_t> lead;                   // a long loop after a long lead
  for (int i = 0; i < 300; ++i) lead.push_back(builder.AddTextBlock(1, 1, std::string(1, 'a' + i % 26)));
  for (int i = 0; i + 1 < 300; ++i) builder.SetU32(lead[i] + 12, lead[i + 1]);
  builder.SetU32(lead[299] + 12, lead[120]);
  const uint32_t last = builder.AddTextBlock(4, 4, "tail");
  builder.SetU32(last + 4, 0xFFFFFFFF).SetU32(last + 8, 0x7FFFFFFF);  // claims room past the file
  DbFile db(builder.Truncate(last + 16 + 4));

  EXPECT_EQ(ReadAll(db.store, broken) + "|" + ReadAll(db.store, tooMuch),
            std::string(600, 'a') + "|12345678");
  EXPECT_EQ(ReadAll(db.store, a) + "|" + ReadAll(db.store, b) + "|" + ReadAll(db.store, d),
            "aaaabbbbcccc|bbbbcccc|ddddeeee");
  EXPECT_EQ(ReadAll(db.store, lead[0]).size(), 300u);
  ReadAll(db.store, a);  // what a chain has seen is no part of the next one's
  EXPECT_EQ(ReadAll(db.store, y), "yyyyaaaabbbbcccc");
  EXPECT_EQ(ReadAll(db.store, last) + "|" + ReadAll(db.store, 0xFFFFFFF0), "tail|");
  EXPECT_FALSE(TextBlockAt(db.store, 0xFFFFFFFC).has_value());
}

}  // namespace
}  // namespace vendrel::dbx
