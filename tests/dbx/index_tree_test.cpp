// Index trees: the cursor's matches, hostile trees whose walks must end without reading outside the file,
// the last node, insertions that are refused without any change, and free room beside structures.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_insert.h"
#include "dbx/index_node.h"
#include "dbx/name_compare.h"
#include "dbx/parent_groups.h"
#include "dbx/record.h"
#include "dbx/record_builder.h"
#include "dbx/tree_check.h"
#include "platform/code_page.h"
#include "support/db_file.h"
#include "support/tree_reading.h"

namespace vendrel::dbx {
namespace {

using namespace testsupport;
using Ras = std::vector<uint32_t>;

Ras Messages(DbxBuilder& builder, uint32_t count) {
  Ras records;
  for (uint32_t id = 1; id <= count; ++id) records.push_back(builder.AddMessage({.id = id}));
  return records;
}

Ras Matches(const DbStore& store, uint32_t root, uint8_t mode, uint32_t target) {
  IndexCursor cursor(root, mode, target);
  Ras results;
  for (uint32_t ra; (ra = cursor.Next(store)) != 0;) results.push_back(ra);
  EXPECT_EQ(cursor.Next(store), 0u);  // and stays at its end
  EXPECT_EQ(IndexCursor(root, mode, target).Rest(store), results);
  return results;
}

TEST(IndexTree, TheCursorFindsChildrenByParentTopLevelFoldersByAllOnesAndRecordsById) {
  DbxBuilder builder(DbKind::Folder);
  std::vector<FolderFields> folders = {{1, 0, "Local Folders", ""}, {5, 1, "Inbox", ""}};
  for (uint32_t id = 6; id < 60; ++id)
    folders.push_back({id, id % 3 == 0 ? 0u : 5u, "f" + std::to_string(100 + id), ""});
  const Ras ras = builder.AddFolders(folders, 3);
  const uint32_t empty = builder.AddRawRecord({}, {}), untagged = builder.AddRawRecord({}, {});
  builder.SetU32(untagged, 1);
  const uint32_t odd = builder.AddIndexTree(Ras{empty, untagged, ras[0]});
  DbFile db(builder);
  const uint32_t root = *db.store.ReadU32(RootSlot(1));
  Ras children, topLevel;
  for (size_t i = 0; i < folders.size(); ++i)
    (folders[i].parentId == 0 ? topLevel : children).push_back(ras[i]);
  std::erase(children, ras[1]);
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchParentId, 5), children);
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchParentId, 1), Ras{ras[1]});
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchParentId, 0xFFFFFFFF).size(), topLevel.size());
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchParentId, 0), Ras{});
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchId, 7), Ras{ras[3]});
  EXPECT_EQ(Matches(db.store, root, IndexCursor::MatchId, 99), Ras{});
  for (const uint8_t mode : {3, 4, 0xFF}) EXPECT_EQ(Matches(db.store, root, mode, 1), Ras{}) << int{mode};
  // Records without properties or that do not validate are listed but never match an ID.
  EXPECT_EQ(Matches(db.store, odd, IndexCursor::MatchParentId, 0xFFFFFFFF), Ras{ras[0]});
  EXPECT_EQ(Matches(db.store, odd, IndexCursor::MatchAll, 0), (Ras{empty, untagged, ras[0]}));

  IndexCursor cursor(root, IndexCursor::MatchAll, 0);
  cursor.Next(db.store);
  EXPECT_EQ(cursor.Rest(db.store).size(), folders.size() - 1);
  cursor.Reset(root, IndexCursor::MatchParentId, 1);
  EXPECT_EQ(cursor.Next(db.store), ras[1]);
  // Names sort by their letters folded, a name before the longer ones it begins.
  EXPECT_TRUE(CompareNamesNoCase(std::string_view("abz", 2), "ABc") < 0 && CompareNamesNoCase("ab", "a") > 0 &&
              CompareNamesNoCase("Zz", "zZ") == 0);
  // In a double-byte code page a trail byte is never folded, and a lead byte that ends a name stands alone.
  ASSERT_TRUE(SetLegacyCodePage("CP932"));
  EXPECT_TRUE(CompareNamesNoCase("\x82" "a", "\x82" "A") != 0 && CompareNamesNoCase("a\x82", std::string_view("A\x82" "b", 2)) == 0);
  SetLegacyCodePage(kDefaultLegacyCodePage);
}

TEST(IndexTree, HostileTreesEndEveryWalkAndNothingOutsideTheFileIsFollowed) {
  DbxBuilder builder(DbKind::Message);
  const Ras records = Messages(builder, 6);
  const uint32_t cyclic = builder.AddIndexTree(records, 2);
  const uint32_t child = builder.U32(cyclic + 0x18 + 4);
  builder.SetU32(child + 0x18 + 4, cyclic);  // the child's first entry leads back to the root
  builder.SetU32(cyclic + 0x08, cyclic);     // and the root is its own left child
  const uint32_t upward = builder.AddNode(), below = builder.AddNode();
  builder.SetNodeEntries(upward, {{records[0], below}});
  builder.SetNodeEntries(below, {{records[1], upward}});
  const uint32_t tooMany = builder.AddIndexTree(Ras{records[0]});
  builder.SetU8(tooMany + 0x11, 52);
  const uint32_t outside = builder.AddNode();
  builder.SetNodeEntries(outside, {{records[0], 0x7FFFFFF0}, {0xFFFFFFF0, 0xFFFFFFFC}, {records[1], 0}});
  builder.SetNodeLeftChild(outside, 0xFFFFFF00);
  // The last node below a root follows the last usable entries down.
  const uint32_t root = builder.AddNode(), last = builder.AddNode(), empty = builder.AddNode();
  builder.SetNodeEntries(last, {{records[2], 0}, {0, 0}});
  builder.SetNodeEntries(root, {{records[0], 0}, {records[1], last}, {0, 0x7FFFFFF0}});
  builder.SetNodeLeftChild(root, empty);
  const uint32_t cut = builder.AddNode();
  DbFile db(builder.Truncate(cut + kIndexNodeSize - 1));

  WalkEnd end;
  TreeOrder(db.store, cyclic, &end);
  EXPECT_TRUE(end == WalkEnd::Cut && Matches(db.store, cyclic, IndexCursor::MatchId, 12345).empty());
  EXPECT_EQ(FindLastNode(db.store, upward), std::nullopt);
  EXPECT_TRUE(!IndexNode::At(db.store, tooMany) && TreeOrder(db.store, tooMany).empty());
  // A record RA past the end is handed on: the reader of the record refuses it.
  EXPECT_EQ(TreeOrder(db.store, outside, &end), (Ras{records[0], 0xFFFFFFF0, records[1]}));
  EXPECT_EQ(end, WalkEnd::Completed);
  EXPECT_EQ(Matches(db.store, outside, IndexCursor::MatchId, 2), Ras{records[1]});
  EXPECT_FALSE(IndexNode::At(db.store, cut).has_value());
  const auto lastBelow = [&](uint32_t node) { return FindLastNode(db.store, node); };
  EXPECT_TRUE(lastBelow(root) == last && lastBelow(empty) == empty && !lastBelow(0x7FFFFFF0));
}

TEST(InsertIntoIndex, UnusableRecordsTreesAndAllocationsAreRefusedWithoutAnyChange) {
  // Tree 1 is one full node of the 51 folders n00 to n50 under parent 1, with a guard node right behind it.
  DbxBuilder builder(DbKind::Folder);
  Ras records;
  for (uint32_t id = 1; id <= 51; ++id)
    records.push_back(builder.AddFolder({id, 1, "n" + std::to_string(99 + id).substr(1), ""}));
  builder.SetIndex(1, records);
  builder.SetNodeEntries(builder.AddNode(), {{0x4444, 0}});
  const uint32_t lastLost = builder.AddNode();  // tree 0: its last entry leads back to itself
  builder.SetNodeEntries(lastLost, {{records[0], lastLost}}).SetIndexSlot(0, lastLost, 1);
  DbFile db(builder.SetIndexSlot(2, 0x7FFFFFF0, 0).SetLastAssignedId(100));
  const auto newFolder = [&](uint32_t parent, const std::string& name) {
    RecordBuilder record(true);
    record.SetInteger(kPropParentOrFlags, parent);
    record.SetString(kPropFolderDisplayName, name);
    return record.Write(db.store);
  };
  const uint32_t noKey = newFolder(0, "x"), allOnes = newFolder(0xFFFFFFFF, "x"), noName = newFolder(1, "");
  const uint32_t good = newFolder(1, "n25x");
  db.store.WriteU32(kAllocatedSizeField, 0xFFFFF000);  // no room for the node a full one needs
  db.store.Close();
  const std::vector<uint8_t> before = ReadFileBytes(db.path());
  db.Reopen();
  // Tree 2's root does not validate, tree 3 is none, slot 8 does not exist, and good + 4 holds no record.
  const std::pair<uint32_t, int> cases[] = {{noKey, 1}, {allOnes, 1}, {noName, 1}, {good, 0},    {good, 1},
                                            {good, 2},  {good, 3},    {good, 8},   {good + 4, 1}};
  for (const auto& [ra, k] : cases)
    EXPECT_FALSE(InsertIntoIndex(db.store, ra, k)) << ra << " into tree " << k;
  db.store.Close();
  EXPECT_EQ(ReadFileBytes(db.path()), before);
}

// Free room may lie right next to a structure, but must not share a byte with one.
TEST(TreeCheck, AnExtentOverlapsAStructureOnlyWhenTheyShareAByte) {
  const std::vector<Extent> structures = {{0x100, 0x20}, {0xFFFFFFF0, 0x10}};
  const std::tuple<uint32_t, uint32_t, bool> extents[] = {{0xF0, 0x10, false}, {0xF0, 0x11, true},
                                                          {0x11F, 1, true},    {0x120, 0x80, false},
                                                          {0x80, 0x200, true}, {0xFFFFFFFF, 1, true}};
  for (const auto& [ra, length, overlaps] : extents)
    EXPECT_EQ(Overlaps(structures, ra, length), overlaps) << ra;
}

// The grouping by parent is kept while the file is as it was: a change made in place by another program,
// within one tick of the file's clock and without changing its size, is seen all the same.
TEST(ParentGroups, AChangeToATreeInPlaceIsSeenThoughTheFileKeepsItsSizeAndTime) {
  TempDir dir;
  const std::string path = (dir / "Folders.dbx").string();
  const auto Build = [&](bool withOutbox) {
    DbxBuilder builder(DbKind::Folder);
    const uint32_t top = builder.AddFolder({1, 0, "Local Folders", ""});
    const uint32_t inbox = builder.AddFolder({5, 1, "Inbox", ""}),
                   outbox = builder.AddFolder({6, 1, "Outbox", ""});
    builder.SetIndex(2, withOutbox ? Ras{top, inbox, outbox} : Ras{top, inbox});
    return builder;
  };
  Build(false).WriteTo(path);
  struct stat before {};
  ASSERT_EQ(stat(path.c_str(), &before), 0);
  DbStore store;
  ASSERT_TRUE(store.Open(path));
  const uint32_t root = *store.ReadU32(RootSlot(2));
  EXPECT_EQ(RecordsUnderParent(store, root, 1).size(), 1u);
  store.Close();
  const std::vector<uint8_t> changed = Build(true).bytes();
  ASSERT_EQ(changed.size(), ReadFileBytes(path).size());
  WriteFileBytes(path, changed);
  const timespec times[2] = {before.st_atim, before.st_mtim};
  ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(RecordsUnderParent(store, root, 1).size(), 2u);
}

}  // namespace
}  // namespace vendrel::dbx
