// The check and the salvage of damaged databases: what the check says of each damage the builder makes,
// and what a salvage finds beside the trees (records taken out of them, texts whose record is lost, texts
// cut short).
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "dbx/database_check.h"
#include "dbx/header.h"
#include "dbx/lost_and_found.h"
#include "dbx/record.h"
#include "store/allocation.h"
#include "store/journal.h"
#include "support/db_file.h"
#include "support/dbx_builder.h"

namespace vendrel::dbx {
namespace {

using namespace testsupport;
using Ras = std::vector<uint32_t>;

// A message database: messages 2..6 of three text blocks each (16 bytes of room), and the records in tree 0.
struct Messages {
  DbxBuilder builder{DbKind::Message};
  Ras records, texts;  // the records, and the first block of each one's text

  explicit Messages(uint32_t count = 5) {
    for (uint32_t id = 2; id < count + 2; ++id) {
      texts.push_back(builder.allocatedSize());
      records.push_back(builder.AddMessage({.id = id, .text = std::string(40, static_cast<char>('a' + id)),
                                            .textBlockRoom = 16}));
    }
    builder.SetLastAssignedId(count + 1);
  }
  static uint32_t Block(uint32_t first, int n) { return first + 32 * static_cast<uint32_t>(n); }
  // Every record in tree 0.
  DbxBuilder& Tree() {
    builder.SetIndex(0, records);
    return builder;
  }
};

// Each damage, and what the check says first, at which RA.
TEST(DatabaseCheck, EachDamageIsFoundWhereItIsAndSaidInWords) {
  const struct {
    const char* what;
    std::function<uint32_t(Messages&)> damage;  // returns the RA the check must name
    std::string said;
  } cases[] = {
      {"a sound file", [](Messages& m) { return m.builder.SetIndex(0, m.records), 0u; }, ""},
      {"a node entry that names no record",
       [](Messages& m) { return m.builder.SetIndex(0, Ras{m.records[0], m.records[1] + 4}); },
       "its entry 1 names "},
      {"a child that is no node",
       [](Messages& m) {
         const uint32_t root = m.builder.SetIndex(0, m.records, 2);
         m.builder.SetU32(m.builder.U32(root + 0x18 + 4), 0);  // the first entry's child loses its tag
         return m.builder.U32(root + 0x18 + 4);
       },
       "but is not a valid index node"},
      {"a count the header gets wrong",
       [](Messages& m) { return m.Tree().SetU32(CountSlot(0), 9), CountSlot(0); },
       "tree 0 holds 5 records, the header counts 9"},
      {"a last ID below the records'",
       [](Messages& m) { return m.Tree().SetLastAssignedId(3), kLastAssignedIdField; },
       "the last ID given, 00000003, lies below the ID 00000006"},
      {"records out of order",
       [](Messages& m) {
         const uint32_t root = m.builder.SetIndex(0, Ras{m.records[1], m.records[0]});
         return root;
       },
       "is out of the tree's order"},
      {"a record named twice", [](Messages& m) { return m.builder.SetIndex(0, Ras{m.records[0], m.records[0]}); },
       "is out of the tree's order"},
      {"two trees sharing a node",
       [](Messages& m) {
         const uint32_t root = m.builder.SetIndex(0, m.records);
         m.builder.SetIndexSlot(1, root, 5);
         return root;
       },
       "is reached from tree 0 too"},
      {"a text block lost in the middle",
       [](Messages& m) {
         m.Tree().SetU32(Messages::Block(m.texts[2], 1), 0);
         return m.texts[2];
       },
       "text block: its text continues at "},
      {"a text that starts at no text block",
       [](Messages& m) { return m.Tree().SetU32(m.texts[2], 0), m.records[2]; },
       "message record: its text continues at "},
      {"two texts that run into each other",
       [](Messages& m) {
         m.Tree().SetU32(Messages::Block(m.texts[1], 2) + 12, Messages::Block(m.texts[2], 1));
         return Messages::Block(m.texts[2], 1);
       },
       "is in the text of record"},
      {"a text block that holds more than its room",
       [](Messages& m) { return m.Tree().SetU32(m.texts[4] + 8, 17), m.texts[4]; },
       "holds 17 bytes in a room of 16"},
      {"a text that loops",
       [](Messages& m) {
         m.Tree().SetU32(Messages::Block(m.texts[3], 2) + 12, m.texts[3]);
         return Messages::Block(m.texts[3], 2);
       },
       "the chain loops"},
      {"a first property that points just past the record's data",
       [](Messages& m) {
         const uint32_t ra = m.records[0], body = m.Tree().U32(ra + kRecordBodySizeField) & 0xFFFF;
         const uint32_t data = body - 4 * (m.builder.U32(ra + kRecordPropertyCountField) & 0xFF);
         return m.builder.SetU32(ra + kRecordHeadSize, data << 8), ra;
       },
       "its property 00 points 0000"},
      {"a table of properties larger than the record",
       [](Messages& m) {
         const uint32_t ra = m.records[0], body = m.Tree().U32(ra + kRecordBodySizeField) & 0xFFFF;
         return m.builder.SetU8(ra + kRecordPropertyCountField, static_cast<uint8_t>(body / 4 + 1)), ra;
       },
       "properties does not fit its"},
      {"a record that runs into the text after it",
       [](Messages& m) {
         const uint32_t body = m.Tree().U32(m.records[0] + kRecordBodySizeField) & 0xFFFF;
         m.builder.SetU16(m.records[0] + kRecordBodySizeField, static_cast<uint16_t>(body + 32));
         return m.texts[1];
       },
       "overlaps the message record at "},
      {"a heap that has used more than its chunk",
       [](Messages& m) {
         return m.Tree().SetU32(kEntryHeapDescriptor + 4, 0x10).SetU32(kEntryHeapDescriptor + 8, 0x20),
                kEntryHeapDescriptor;
       },
       "the entry heap has used 00000020 bytes of a chunk of 00000010"},
      {"an allocated size past the end",
       [](Messages& m) { return m.Tree().SetAllocatedSize(0x7FFF0000), kAllocatedSizeField; },
       "the allocated size, 7FFF0000, does not lie"},
  };
  for (const auto& c : cases) {
    Messages m;
    const uint32_t where = c.damage(m);
    DbFile db(m.builder);
    const DatabaseCheck check = CheckDatabase(db.store);
    ASSERT_TRUE(check.readable) << c.what;
    if (c.said.empty()) {
      EXPECT_TRUE(check.problems.empty()) << c.what << ": " << check.problems.front().what;
      EXPECT_EQ(std::tuple(check.trees, check.nodes, check.records, check.textBlocks), std::tuple(1u, 1u, 5u, 15u));
      continue;
    }
    ASSERT_FALSE(check.problems.empty()) << c.what;
    EXPECT_EQ(check.problems.front().ra, where) << c.what << ": " << check.problems.front().what;
    const std::string said = check.problems.front().structure + ": " + check.problems.front().what;
    EXPECT_NE(said.find(c.said), std::string::npos) << c.what << ": " << said;
  }
  EXPECT_FALSE(CheckDatabase(DbFile(DbxBuilder(DbKind::Message).SetU32(0, 0)).store).readable);
  // Only tree 0 of a message database keeps an order, by ID: another tree may hold any.
  DbxBuilder anyOrder(DbKind::Message);
  const Ras byId = {anyOrder.AddMessage({.id = 2, .subject = "b"}), anyOrder.AddMessage({.id = 3, .subject = "a"})};
  anyOrder.SetIndex(0, byId);
  anyOrder.SetIndex(1, byId);
  anyOrder.SetLastAssignedId(3);
  EXPECT_EQ(CheckDatabase(DbFile(anyOrder).store).problems.size(), 0u);
  anyOrder.SetU8(anyOrder.SetIndex(0, byId) + 0x10, 2);  // a root's place in a parent it does not have
  EXPECT_EQ(CheckDatabase(DbFile(anyOrder).store).problems.size(), 0u);
  // A record may be its table of properties alone, every value in its entries.
  const uint32_t bare = anyOrder.AddRawRecord(std::vector<uint32_t>{0x80 | 4u << 8}, {});  // ID 4, direct
  anyOrder.SetIndex(0, Ras{byId[0], byId[1], bare});
  EXPECT_EQ(CheckDatabase(DbFile(anyOrder.SetLastAssignedId(4)).store).problems.size(), 0u);
  // A folder database is sound with its records in their three trees (and no text of their own), here
  // nodes of one entry each, with children on either side.
  DbxBuilder folders(DbKind::Folder);
  const Ras ras = folders.AddFolders(
      {{1, 0, "Local Folders", "", true, 0x10}, {2, 1, "Inbox", "Inbox.dbx"}, {3, 1, "archive", ""},
       {4, 1, "ARCHIVE", ""}}, 1);
  folders.SetIndex(3, Ras{ras[1], ras[0]});  // a tree past those three keeps no order
  EXPECT_EQ(CheckDatabase(DbFile(folders).store).problems.size(), 0u);
  folders.SetIndex(2, Ras{ras[1], ras[0]});  // the third does: by parent, then name
  EXPECT_EQ(CheckDatabase(DbFile(folders).store).problems.size(), 1u);
  folders.SetIndex(1, Ras{ras[0], ras[1], ras[2], ras[3]});  // names under one parent in any letter case
  EXPECT_EQ(CheckDatabase(DbFile(folders).store).problems.size(), 2u);
}

// A journal beside the file: the check reads the file as it is, says so first, and leaves both alone.
TEST(DatabaseCheck, AFileAChangeWasCutOffInIsCheckedAsFoundAndSaidToHoldAHalfMadeChange) {
  Messages m;
  DbFile db(m.Tree());
  db.store.Close();
  const std::string path = db.path().string();
  const std::vector<uint8_t> bytes = ReadFileBytes(path), was(4, 0), becomes(4, 1);
  ASSERT_TRUE(WriteJournal(path, bytes.size(), {{0x5C, was, becomes}}));
  DbStore found;
  ASSERT_TRUE(found.OpenAsFound(path));
  const DatabaseCheck check = CheckDatabase(found);
  ASSERT_FALSE(check.problems.empty());
  EXPECT_EQ(check.problems.front().ra, 0u);
  EXPECT_NE(check.problems.front().what.find("a change to it was cut off"), std::string::npos);
  EXPECT_TRUE(ReadFileBytes(path) == bytes && std::filesystem::exists(path + "-journal"));
  DbFile clean(Messages().Tree());  // the same session opened next on a file without a journal
  clean.store.Close();
  EXPECT_TRUE(found.Open(clean.path().string()) && !found.unfinishedChange());
  std::ofstream(path + ".empty").close();  // what cannot be mapped is not found as anything
  EXPECT_FALSE(DbStore().OpenAsFound(path + ".empty"));
}

// Message 3 taken out of the tree (deleted); message 4's record lost, its text whole; message 5's record
// lost, and the second block of its text too.
TEST(LostAndFound, RecordsAndTextsNoTreeReachesAreFoundEachOnceAndTextsCutShortApart) {
  Messages m;
  m.builder.SetIndex(0, Ras{m.records[0], m.records[3], m.records[4]}, 1);  // three nodes, linked
  m.builder.SetU32(m.records[2], 0).SetU32(m.records[3], 0);  // the records of 4 and 5 lost
  m.builder.SetU32(Messages::Block(m.texts[3], 1), 0);         // and a block of 5's text
  m.builder.SetNodeEntries(m.builder.AddNode(), {{0, 0}});     // a node whose entry names no record: none
  // A record head whose property table would not fit its body (two entries, seven bytes): no record.
  const uint32_t fake = static_cast<uint32_t>(m.builder.bytes().size());
  m.builder.PadTo(fake + 24).SetU32(fake, fake).SetU16(fake + kRecordBodySizeField, 7);
  m.builder.SetU8(fake + kRecordPropertyCountField, 2).SetU32(fake + 12, 0x81).SetU32(fake + 16, 0x82);
  // Nor one whose first entry points past its data area (eight bytes, the value at 8), the second direct.
  const uint32_t pointsOut = fake + 24;
  m.builder.PadTo(pointsOut + 28).SetU32(pointsOut, pointsOut).SetU16(pointsOut + kRecordBodySizeField, 16);
  m.builder.SetU8(pointsOut + kRecordPropertyCountField, 2).SetU32(pointsOut + 12, 0x801);
  m.builder.SetU32(pointsOut + 16, 0x82);
  const uint32_t tail = pointsOut + 28;
  m.builder.PadTo(tail + 8).SetU32(tail, tail);  // tagged with its RA, but too near the end to be anything
  DbFile db(m.builder);
  const LostAndFound lost = FindLostAndFound(db.store);
  EXPECT_EQ(lost.records, Ras{m.records[1]});
  // 4's text whole; 5's last block, which no block leads to any more; 5's first, cut short.
  EXPECT_EQ(lost.chains, (Ras{m.texts[2], Messages::Block(m.texts[3], 2)}));
  EXPECT_EQ(lost.partialChains, Ras{m.texts[3]});
  EXPECT_EQ(std::tuple(lost.found.records.size(), lost.found.blocks.size(), lost.found.nodes.size()),
            std::tuple(3u, 14u, 3u));
}

}  // namespace
}  // namespace vendrel::dbx
