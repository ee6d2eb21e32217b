#include "dbx/index_insert.h"

#include <gtest/gtest.h>

#include "dbx/header.h"
#include "dbx/index_node.h"
#include "dbx/record.h"
#include "dbx/record_builder.h"
#include "store/allocation.h"
#include "support/db_file.h"
#include "support/tree_reading.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::FolderSpec;
using testsupport::NamesInOrder;
using Names = std::vector<std::string>;

// A folder database whose trees the test lays out node by node; new folders are written with the
// program's RecordBuilder and entered with InsertIntoIndex, as folder creation does.
class InsertIntoIndexTest : public testing::Test {
 protected:
  uint32_t Folder(uint32_t id, uint32_t parent, const std::string& name) {
    return builder.AddFolder(FolderSpec{id, parent, name, ""});
  }

  uint32_t Node(const std::vector<testsupport::NodeEntry>& entries, uint32_t left = 0) {
    const uint32_t node = builder.AddNode();
    builder.SetNodeEntries(node, entries);
    if (left != 0) builder.SetNodeLeftChild(node, left);
    return node;
  }

  void Open(int k, uint32_t root, uint32_t count) {
    builder.SetIndexSlot(k, root, count).SetLastAssignedId(100);
    db = std::make_unique<DbFile>(builder);
  }

  DbStore& store() { return db->store; }

  uint32_t NewFolder(uint32_t parent, const std::string& name) {
    RecordBuilder record(true);
    record.SetInteger(kPropParentOrFlags, parent);
    record.SetString(kPropFolderDisplayName, name);
    return record.Write(store());
  }

  IndexNode NodeAt(uint32_t ra) { return *IndexNode::At(store(), ra); }
  uint32_t Root(int k) { return *store().ReadU32(RootSlot(k)); }
  uint32_t Count(int k) { return *store().ReadU32(CountSlot(k)); }

  DbxBuilder builder{DbKind::Folder};
  std::unique_ptr<DbFile> db;
};

TEST_F(InsertIntoIndexTest, IntoTheEmptyRootOfTree0TheRecordBecomesEntry0) {
  Open(0, builder.AddNode(), 0);
  const uint32_t ra = NewFolder(1, "A");
  ASSERT_TRUE(InsertIntoIndex(store(), ra, 0));
  EXPECT_EQ(NodeAt(Root(0)).entryCount(), 1u);
  EXPECT_EQ(NodeAt(Root(0)).entry(0).recordRa, ra);
  EXPECT_EQ(Count(0), 1u);
}

TEST_F(InsertIntoIndexTest, Tree0AppendsToTheDeepestLastNodeAndRefreshesItsParentsCount) {
  const uint32_t a = Folder(1, 0, "A"), b = Folder(2, 0, "B"), c = Folder(3, 0, "C");
  const uint32_t deep = Node({{c, 0}});
  const uint32_t root = Node({{a, 0}, {b, deep}});
  Open(0, root, 3);
  const uint32_t ra = NewFolder(1, "D");
  ASSERT_TRUE(InsertIntoIndex(store(), ra, 0));
  EXPECT_EQ(NodeAt(deep).entryCount(), 2u);
  EXPECT_EQ(NodeAt(deep).entry(1).recordRa, ra);
  EXPECT_EQ(NodeAt(root).entry(1).childCount, 2u);
  EXPECT_EQ(NodeAt(root).entryCount(), 2u);
  EXPECT_EQ(Count(0), 4u);
  EXPECT_EQ(NamesInOrder(store(), 0), (Names{"A", "B", "C", "D"}));
}

TEST_F(InsertIntoIndexTest, ARecordThatSortsAfterAllIsAppendedToTheRootAfterTheLastSubtree) {
  const uint32_t a = Folder(1, 1, "a"), b = Folder(2, 1, "b");
  const uint32_t root = Node({{a, Node({{b, 0}})}});
  Open(1, root, 2);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "z"), 1));
  EXPECT_EQ(NodeAt(root).entryCount(), 2u);
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"a", "b", "z"}));
  EXPECT_EQ(Count(1), 3u);
}

TEST_F(InsertIntoIndexTest, BeforeEveryRecordOfARootWithoutLeftChildANewLeftChildHoldsTheRecord) {
  const uint32_t root = Node({{Folder(1, 1, "B"), 0}, {Folder(2, 1, "C"), 0}});
  Open(1, root, 2);
  const uint32_t allocated = *store().ReadU32(kAllocatedSizeField);
  const uint32_t ra = NewFolder(1, "A");
  const uint32_t allocatedAfterRecord = *store().ReadU32(kAllocatedSizeField);
  ASSERT_TRUE(InsertIntoIndex(store(), ra, 1));

  const IndexNode top = NodeAt(root);
  ASSERT_NE(top.leftChild(), 0u);
  EXPECT_EQ(top.leftChild(), allocatedAfterRecord);  // carved from the index heap at the end
  EXPECT_EQ(top.entryCountInNext(), 1u);
  const IndexNode left = NodeAt(top.leftChild());
  EXPECT_EQ(left.entryCount(), 1u);
  EXPECT_EQ(left.entry(0).recordRa, ra);
  EXPECT_EQ(left.parent(), root);
  EXPECT_EQ(left.posInParent(), 0u);
  EXPECT_EQ(*store().ReadU32(kIndexHeapDescriptor), allocatedAfterRecord);
  EXPECT_GT(allocatedAfterRecord, allocated);
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"A", "B", "C"}));
}

TEST_F(InsertIntoIndexTest, BeforeEveryRecordWithALeftChildTheSearchGoesDownIntoIt) {
  const uint32_t left = Node({{Folder(2, 1, "C"), 0}});
  const uint32_t root = Node({{Folder(3, 1, "E"), 0}}, left);
  Open(1, root, 2);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "A"), 1));
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "D"), 1));
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"A", "C", "D", "E"}));
  EXPECT_EQ(NodeAt(root).leftChild(), left);
  EXPECT_EQ(NodeAt(root).entryCountInNext(), 2u);  // C, D
  EXPECT_EQ(NodeAt(left).entryCountInNext(), 1u);  // A in a new left child of the left child
}

TEST_F(InsertIntoIndexTest, EqualKeysAndNamesDifferingInCaseGoAfterTheExistingRecord) {
  const uint32_t inbox = Folder(1, 7, "inbox");
  const uint32_t root = Node({{Folder(2, 3, "Zeta"), 0}, {inbox, 0}, {Folder(4, 9, "Alpha"), 0}});
  Open(1, root, 3);
  const uint32_t ra = NewFolder(7, "INBOX");
  ASSERT_TRUE(InsertIntoIndex(store(), ra, 1));
  EXPECT_EQ(NodeAt(root).entry(1).recordRa, inbox);
  EXPECT_EQ(NodeAt(root).entry(2).recordRa, ra);
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"Zeta", "inbox", "INBOX", "Alpha"}));
}

TEST_F(InsertIntoIndexTest, BetweenRecordsTheLaterEntriesMoveUpWithTheirChildrenRenumbered) {
  const uint32_t sub = Node({{Folder(2, 1, "Cc"), 0}});
  const uint32_t root = Node({{Folder(1, 1, "A"), 0}, {Folder(3, 1, "C"), sub}, {Folder(4, 1, "E"), 0}});
  Open(1, root, 4);
  const uint32_t ra = NewFolder(1, "b");
  ASSERT_TRUE(InsertIntoIndex(store(), ra, 1));
  EXPECT_EQ(NodeAt(root).entryCount(), 4u);
  EXPECT_EQ(NodeAt(root).entry(1).recordRa, ra);
  EXPECT_EQ(NodeAt(root).entry(2).childRa, sub);
  EXPECT_EQ(NodeAt(root).entry(2).childCount, 1u);
  EXPECT_EQ(NodeAt(sub).posInParent(), 2u);
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"A", "b", "C", "Cc", "E"}));
}

TEST_F(InsertIntoIndexTest, AfterAnEntryWithAChildTheRecordIsAppendedToThatChild) {
  const uint32_t sub = Node({{Folder(2, 1, "Aa"), 0}});
  const uint32_t root = Node({{Folder(1, 1, "A"), sub}, {Folder(3, 1, "C"), 0}});
  Open(1, root, 3);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "B"), 1));
  EXPECT_EQ(NodeAt(sub).entryCount(), 2u);
  EXPECT_EQ(NodeAt(root).entry(0).childCount, 2u);
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"A", "Aa", "B", "C"}));
}

TEST_F(InsertIntoIndexTest, EntriesWithoutAUsableKeyOrNameAreNotComparedButTheirChildrenAreSearched) {
  const uint32_t topLevel = Folder(1, 0, "Top");  // no parent ID: key 0
  const uint32_t nameless = Folder(5, 2, "");
  const uint32_t sub = Node({{nameless, 0}, {Folder(3, 2, "b"), 0}});
  const uint32_t root = Node({{topLevel, sub}});
  Open(1, root, 3);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(2, "a"), 1));
  EXPECT_EQ(NamesInOrder(store(), 1), (Names{"Top", "?", "a", "b"}));
}

TEST_F(InsertIntoIndexTest, UnusableRecordsAndTreesAreRefusedWithoutAnyChange) {
  const uint32_t root = Node({{Folder(1, 1, "A"), 0}});
  builder.SetIndexSlot(2, 0x7FFFFFF0, 0);
  Open(1, root, 1);
  const uint32_t noKey = NewFolder(0, "x");
  const uint32_t allOnes = NewFolder(0xFFFFFFFF, "x");
  const uint32_t noName = NewFolder(1, "");
  const uint32_t good = NewFolder(1, "B");
  store().Close();
  const std::vector<uint8_t> before = testsupport::ReadFileBytes(db->path());
  db->Reopen();
  EXPECT_FALSE(InsertIntoIndex(store(), noKey, 1));
  EXPECT_FALSE(InsertIntoIndex(store(), allOnes, 1));
  EXPECT_FALSE(InsertIntoIndex(store(), noName, 1));
  EXPECT_FALSE(InsertIntoIndex(store(), good, 2));  // the root does not validate
  EXPECT_FALSE(InsertIntoIndex(store(), good, 3));  // no tree
  EXPECT_FALSE(InsertIntoIndex(store(), good, 8));
  EXPECT_FALSE(InsertIntoIndex(store(), good + 4, 1));  // no record there
  store().Close();
  EXPECT_EQ(testsupport::ReadFileBytes(db->path()), before);
}

// Full nodes: the record goes into a new child node where it belongs; nothing is written past a node.
class FullNodes : public InsertIntoIndexTest {
 protected:
  // A root of 51 folders "n00" .. "n50" under parent 1, with a guard node right behind it.
  void OpenFullRoot(int k) {
    std::vector<testsupport::NodeEntry> entries;
    for (int i = 0; i < 51; ++i) {
      entries.push_back({Folder(static_cast<uint32_t>(i + 1), 1, Format(i)), 0});
      expected.push_back(Format(i));
    }
    root = Node(entries);
    guard = Node({{0x4444, 0}});
    Open(k, root, 51);
  }

  static std::string Format(int i) { return std::string("n") + char('0' + i / 10) + char('0' + i % 10); }

  void ExpectRootAndGuardIntact() {
    EXPECT_EQ(NodeAt(root).entryCount(), 51u);
    const IndexNode g = NodeAt(guard);
    EXPECT_EQ(g.entryCount(), 1u);
    EXPECT_EQ(g.entry(0).recordRa, 0x4444u);
    EXPECT_EQ(g.parent(), 0u);
  }

  uint32_t root = 0, guard = 0;
  Names expected;
};

TEST_F(FullNodes, BetweenTwoRecordsOfAFullNodeANewChildOfTheEntryBeforeHoldsTheRecord) {
  OpenFullRoot(1);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "n25x"), 1));
  expected.insert(expected.begin() + 26, "n25x");
  EXPECT_EQ(NamesInOrder(store(), 1), expected);
  const IndexEntry entry = NodeAt(root).entry(25);
  ASSERT_NE(entry.childRa, 0u);
  EXPECT_EQ(entry.childCount, 1u);
  EXPECT_EQ(NodeAt(entry.childRa).posInParent(), 25u);
  ExpectRootAndGuardIntact();
  EXPECT_EQ(Count(1), 52u);
}

TEST_F(FullNodes, AfterTheLastRecordOfAFullNodeTheRecordsGoBelowItsLastEntry) {
  OpenFullRoot(1);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "z1"), 1));
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "z2"), 1));
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "n00a"), 1));
  expected.insert(expected.begin() + 1, "n00a");
  expected.push_back("z1");
  expected.push_back("z2");
  EXPECT_EQ(NamesInOrder(store(), 1), expected);
  EXPECT_EQ(NodeAt(root).entry(50).childCount, 2u);
  ExpectRootAndGuardIntact();
}

TEST_F(FullNodes, Tree0AppendsBelowTheLastEntryOfAFullLastNode) {
  OpenFullRoot(0);
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "new"), 0));
  expected.push_back("new");
  EXPECT_EQ(NamesInOrder(store(), 0), expected);
  ExpectRootAndGuardIntact();
  // The next one lands in the same child, now the last node.
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "newer"), 0));
  EXPECT_EQ(NodeAt(root).entry(50).childCount, 2u);
}

TEST_F(FullNodes, AFullLeftChildTakesTheRecordBelowItsLastEntry) {
  std::vector<testsupport::NodeEntry> entries;
  for (int i = 0; i < 51; ++i) {
    entries.push_back({Folder(static_cast<uint32_t>(i + 1), 1, Format(i)), 0});
    expected.push_back(Format(i));
  }
  const uint32_t left = Node(entries);
  root = Node({{Folder(60, 1, "zz"), 0}}, left);
  guard = Node({{0x4444, 0}});
  Open(1, root, 52);
  expected.push_back("z");
  expected.push_back("zz");
  ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, "z"), 1));
  EXPECT_EQ(NamesInOrder(store(), 1), expected);
  EXPECT_EQ(NodeAt(left).entryCount(), 51u);
}

TEST_F(InsertIntoIndexTest, ManyInsertionsThatGrowTheFileKeepTheTreeInOrderAndCounted) {
  Open(1, Node({{Folder(1, 1, "zzz"), 0}}), 1);
  Names expected = {"zzz"};
  // Each name sorts before all others: every insertion hangs a new left child, 60 nodes in all.
  for (int i = 59; i >= 0; --i) {
    const std::string name = std::string("m") + char('a' + i / 26) + char('a' + i % 26);
    ASSERT_TRUE(InsertIntoIndex(store(), NewFolder(1, name), 1)) << name;
    expected.insert(expected.begin(), name);
  }
  EXPECT_EQ(Count(1), 61u);
  EXPECT_EQ(NamesInOrder(db->Reopen(), 1), expected);
}

}  // namespace
}  // namespace vendrel::dbx
