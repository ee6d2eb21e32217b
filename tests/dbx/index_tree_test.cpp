#include <gtest/gtest.h>

#include <numeric>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_insert.h"
#include "dbx/index_node.h"
#include "dbx/record.h"
#include "support/db_file.h"
#include "support/tree_reading.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::FolderSpec;
using testsupport::TreeOrder;

std::vector<uint32_t> Messages(DbxBuilder& builder, int count) {
  std::vector<uint32_t> records;
  for (int i = 0; i < count; ++i) {
    testsupport::MessageSpec message;
    message.id = static_cast<uint32_t>(i + 1);
    records.push_back(builder.AddMessage(message));
  }
  return records;
}

std::vector<uint32_t> CursorResults(const DbStore& store, uint32_t root, uint8_t mode, uint32_t target) {
  IndexCursor cursor(root, mode, target);
  std::vector<uint32_t> results;
  for (uint32_t ra; (ra = cursor.Next(store)) != 0;) results.push_back(ra);
  return results;
}

TEST(IndexTree, MultiLevelTreesAreWalkedLeftChildFirstThenEachEntryAndItsChild) {
  for (const unsigned perNode : {1u, 2u, 3u, 51u}) {
    DbxBuilder builder(DbKind::Message);
    const std::vector<uint32_t> records = Messages(builder, 200);
    const uint32_t root = builder.SetIndex(0, records, perNode);
    DbFile db(builder);
    dbx::WalkEnd end;
    EXPECT_EQ(TreeOrder(db.store, root, &end), records) << perNode;
    EXPECT_EQ(end, WalkEnd::Completed);
    EXPECT_EQ(CursorResults(db.store, root, IndexCursor::MatchAll, 0), records) << perNode;
  }
}

TEST(IndexTree, NodeFieldsReadAsTheBuilderLinkedThem) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 10);
  const uint32_t root = builder.SetIndex(0, records, 3);
  DbFile db(builder);
  const IndexNode node = *IndexNode::At(db.store, root);
  EXPECT_EQ(node.entryCount(), 3u);
  EXPECT_EQ(node.parent(), 0u);
  ASSERT_NE(node.leftChild(), 0u);
  const IndexNode left = *IndexNode::At(db.store, node.leftChild());
  EXPECT_EQ(node.entryCountInNext(), left.entryCount());
  EXPECT_EQ(left.parent(), root);
  EXPECT_EQ(left.posInParent(), 0u);
  const IndexEntry second = node.entry(1);
  const IndexNode child = *IndexNode::At(db.store, second.childRa);
  EXPECT_EQ(second.childCount, child.entryCount());
  EXPECT_EQ(child.parent(), root);
  EXPECT_EQ(child.posInParent(), 1u);
}

class FolderCursor : public testing::Test {
 protected:
  FolderCursor() {
    ras = builder.AddFolders({{1, 0, "Local Folders", ""},
                              {5, 1, "Inbox", "Inbox.dbx"},
                              {6, 1, "Outbox", "Outbox.dbx"},
                              {7, 5, "Family", "Family.dbx"},
                              {8, 0, "News", ""}},
                             2);
  }

  DbxBuilder builder{DbKind::Folder};
  std::vector<uint32_t> ras;
};

TEST_F(FolderCursor, MatchParentIdFindsChildrenAndTargetAllOnesFindsTopLevelFolders) {
  DbFile db(builder);
  const uint32_t root1 = *db.store.ReadU32(RootSlot(1));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchParentId, 1), (std::vector{ras[1], ras[2]}));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchParentId, 5), (std::vector{ras[3]}));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchParentId, 0xFFFFFFFF),
            (std::vector{ras[0], ras[4]}));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchParentId, 0), (std::vector<uint32_t>{}));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchId, 7), (std::vector{ras[3]}));
  EXPECT_EQ(CursorResults(db.store, root1, IndexCursor::MatchId, 99), (std::vector<uint32_t>{}));
  for (const uint8_t mode : {3, 4, 0xFF}) {
    EXPECT_EQ(CursorResults(db.store, root1, mode, 1), (std::vector<uint32_t>{})) << int{mode};
  }
}

TEST_F(FolderCursor, NextAfterTheLastMatchKeepsAnsweringZeroAndResetStartsOver) {
  DbFile db(builder);
  IndexCursor cursor(*db.store.ReadU32(RootSlot(0)), IndexCursor::MatchParentId, 5);
  EXPECT_EQ(cursor.Next(db.store), ras[3]);
  EXPECT_EQ(cursor.Next(db.store), 0u);
  EXPECT_EQ(cursor.Next(db.store), 0u);
  EXPECT_TRUE(cursor.Reset(*db.store.ReadU32(RootSlot(0)), IndexCursor::MatchAll, 0));
  EXPECT_EQ(cursor.Next(db.store), ras[0]);
}

TEST_F(FolderCursor, RecordsWithoutPropertiesOrThatDoNotValidateNeverMatchAnId) {
  const uint32_t empty = builder.AddRawRecord({}, {});
  const uint32_t bad = builder.AddRawRecord({}, {});
  builder.SetU32(bad, 1);
  const uint32_t root = builder.AddIndexTree(std::vector{empty, bad, ras[0]});
  DbFile db(builder);
  EXPECT_EQ(CursorResults(db.store, root, IndexCursor::MatchParentId, 0xFFFFFFFF), (std::vector{ras[0]}));
  EXPECT_EQ(CursorResults(db.store, root, IndexCursor::MatchAll, 0), (std::vector{empty, bad, ras[0]}));
}

// Hostile trees: every walk ends, and reads nothing outside the file.
TEST(IndexTree, ChildLinksThatFormACycleEndTheWalk) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 6);
  const uint32_t root = builder.AddIndexTree(records, 2);
  const uint32_t child = builder.U32(root + 0x18 + 4);
  builder.SetU32(child + 0x18 + 4, root);  // the child's first entry leads back to the root
  builder.SetU32(root + 0x08, root);       // and the root is its own left child
  builder.SetIndexSlot(0, root, 6);
  DbFile db(builder);
  WalkEnd end;
  TreeOrder(db.store, root, &end);
  EXPECT_EQ(end, WalkEnd::Cut);
  IndexCursor cursor(root, IndexCursor::MatchId, 12345);
  EXPECT_EQ(cursor.Next(db.store), 0u);
}

TEST(IndexTree, ALastEntryChildThatLeadsBackUpMakesFindLastNodeGiveUp) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 2);
  const uint32_t root = builder.AddNode();
  const uint32_t child = builder.AddNode();
  builder.SetNodeEntries(root, {{records[0], child}});
  builder.SetNodeEntries(child, {{records[1], root}});
  DbFile db(builder);
  EXPECT_EQ(FindLastNode(db.store, root), std::nullopt);
}

TEST(IndexTree, ANodeClaimingMoreThan51EntriesIsInvalid) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 3);
  const uint32_t root = builder.AddIndexTree(records);
  builder.SetU8(root + 0x11, 52);
  DbFile db(builder);
  EXPECT_FALSE(IndexNode::At(db.store, root).has_value());
  EXPECT_TRUE(TreeOrder(db.store, root).empty());
}

TEST(IndexTree, RasPastTheEndOfTheFileAreSkipped) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 2);
  const uint32_t root = builder.AddNode();
  builder.SetNodeEntries(root, {{records[0], 0x7FFFFFF0}, {0xFFFFFFF0, 0xFFFFFFFC}, {records[1], 0}});
  builder.SetNodeLeftChild(root, 0xFFFFFF00);
  DbFile db(builder);
  WalkEnd end;
  // The record RA past the end is still handed on: the reader of the record refuses it.
  EXPECT_EQ(TreeOrder(db.store, root, &end), (std::vector<uint32_t>{records[0], 0xFFFFFFF0, records[1]}));
  EXPECT_EQ(end, WalkEnd::Completed);
  EXPECT_EQ(RecordAt(db.store, 0xFFFFFFF0), nullptr);
  EXPECT_EQ(CursorResults(db.store, root, IndexCursor::MatchId, 2), (std::vector{records[1]}));
}

TEST(IndexTree, ANodeCutByTheEndOfTheFileIsInvalid) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t root = builder.AddNode();
  builder.Truncate(root + kIndexNodeSize - 1);
  DbFile db(builder);
  EXPECT_FALSE(IndexNode::At(db.store, root).has_value());
}

TEST(FindLastNode, FollowsTheLastUsableEntriesDownAndStopsAtANodeWithoutThem) {
  DbxBuilder builder(DbKind::Message);
  const std::vector<uint32_t> records = Messages(builder, 4);
  const uint32_t root = builder.AddNode();
  const uint32_t last = builder.AddNode();
  const uint32_t empty = builder.AddNode();
  builder.SetNodeEntries(last, {{records[2], 0}, {0, 0}});
  builder.SetNodeEntries(root, {{records[0], 0}, {records[1], last}, {0, 0x7FFFFFF0}});
  builder.SetNodeLeftChild(root, empty);
  DbFile db(builder);
  EXPECT_EQ(FindLastNode(db.store, root), last);
  EXPECT_EQ(FindLastNode(db.store, empty), empty);
  EXPECT_EQ(FindLastNode(db.store, 0x7FFFFFF0), std::nullopt);
}

TEST(SetLinks, AChildThatDoesNotValidateIsNotLinked) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t node = builder.AddNode();
  const uint32_t child = builder.AddNode();
  builder.SetNodeEntries(child, {{0x1234, 0}});
  DbFile db(builder);
  EXPECT_TRUE(SetLeftChild(db.store, node, 0x7FFFFFF0));
  EXPECT_EQ(IndexNode::At(db.store, node)->leftChild(), 0u);
  EXPECT_TRUE(SetEntry(db.store, node, 0x55, 0x7FFFFFF0, 3));
  EXPECT_EQ(IndexNode::At(db.store, node)->entry(3).childRa, 0u);
  EXPECT_EQ(IndexNode::At(db.store, node)->entry(3).recordRa, 0x55u);

  EXPECT_TRUE(SetEntry(db.store, node, 0x56, child, 4));
  EXPECT_EQ(IndexNode::At(db.store, node)->entry(4).childCount, 1u);
  EXPECT_EQ(IndexNode::At(db.store, child)->parent(), node);
  EXPECT_EQ(IndexNode::At(db.store, child)->posInParent(), 4u);

  EXPECT_FALSE(SetEntry(db.store, node, 1, 0, 51));  // past the node's room
  EXPECT_FALSE(SetEntry(db.store, 0x7FFFFFF0, 1, 0, 0));
  EXPECT_FALSE(SetLeftChild(db.store, 0x7FFFFFF0, 0));
}

TEST(SetLinks, AChildThatOverlapsItsParentIsNotLinkedAndTheParentStaysValid) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t node = builder.AddNode();
  builder.AddNode();
  builder.SetU32(node + 4, node + 4);  // a "node" tagged inside the parent, whose head covers its count
  DbFile db(builder);
  EXPECT_TRUE(SetEntry(db.store, node, 0x55, node + 4, 0));
  EXPECT_TRUE(SetLeftChild(db.store, node, node + 4));
  ASSERT_TRUE(IndexNode::At(db.store, node).has_value());
  EXPECT_EQ(IndexNode::At(db.store, node)->entry(0).childRa, 0u);
  EXPECT_EQ(IndexNode::At(db.store, node)->leftChild(), 0u);
}

}  // namespace
}  // namespace vendrel::dbx

namespace vendrel::dbx {
namespace {

TEST(IndexCursorRest, GivesWhatNextWouldGiveUntilZeroInOneWalk) {
  DbxBuilder builder(DbKind::Folder);
  std::vector<FolderSpec> folders;
  for (uint32_t i = 1; i <= 60; ++i)
    folders.push_back({i, i % 3 == 0 ? 0u : 1u, "f" + std::to_string(i), ""});
  builder.AddFolders(folders, 3);
  DbFile db(builder);
  const uint32_t root = *db.store.ReadU32(RootSlot(1));
  for (const auto& [mode, target] :
       std::vector<std::pair<uint8_t, uint32_t>>{{IndexCursor::MatchAll, 0},
                                                 {IndexCursor::MatchParentId, 1},
                                                 {IndexCursor::MatchParentId, 0xFFFFFFFF},
                                                 {IndexCursor::MatchId, 7},
                                                 {5, 1}}) {
    IndexCursor stepped(root, mode, target), whole(root, mode, target);
    std::vector<uint32_t> expected;
    for (uint32_t ra; (ra = stepped.Next(db.store)) != 0;) expected.push_back(ra);
    EXPECT_EQ(whole.Rest(db.store), expected) << int{mode};
    EXPECT_EQ(whole.Next(db.store), 0u);
  }
  // From the middle on: what is left.
  IndexCursor cursor(root, IndexCursor::MatchAll, 0);
  cursor.Next(db.store);
  cursor.Next(db.store);
  EXPECT_EQ(cursor.Rest(db.store).size(), 58u);
}

}  // namespace
}  // namespace vendrel::dbx
