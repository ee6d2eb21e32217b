// Items whose file changed under them, hostile files that loop, and the items a whole walk leaves
// behind: the model reports failure instead of reading stale places, ends every walk, and leaks nothing.
#include <gtest/gtest.h>

#include <algorithm>

#include "dbx/record_builder.h"
#include "explorer_fixture.h"

namespace vendrel {
namespace {

using namespace testsupport;

// A message database with one message whose text is one block, in a one-node tree 0; walked.
class ChangedFile : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    block = builder.allocatedSize();
    message = builder.AddMessage(Message(2, "Hello", "Hi"));
    node = builder.SetIndex(0, std::vector{message});
    path = builder.WriteTo(dir / "db.dbx");
    root = Open(path);
    Walk(root);
    // Deepest first: expanding an item deletes the items below it.
    items = {Find("Section "), Find("00000002 Hello"), Find("Index "), Find("000000E4"), root};
  }

  static void ExpectEveryReadFails(ExplorerItem* item) {
    for (int column = 0; column < 4; ++column) {
      DisplayInfo info;
      info.column = column;
      EXPECT_FALSE(item->GetDisplayInfo(info)) << item->caption << ", column " << column;
    }
    EXPECT_FALSE(item->Explore() || item->Refresh() || item->Expand()) << item->caption;
  }

  DbxBuilder builder{DbKind::Message};
  uint32_t block = 0, message = 0, node = 0;
  std::string path;
  DbRootItem* root = nullptr;
  std::vector<ExplorerItem*> items;
};

TEST_F(ChangedFile, ABlockARecordAndANodeOverwrittenInPlaceFailEveryRead) {
  builder.SetU32(block, 0).SetU32(message, message + 0x100).SetU32(node, 0).WriteTo(path);
  for (size_t i = 0; i < 3; ++i) ExpectEveryReadFails(items[i]);  // expanding each deletes those before it
}

TEST_F(ChangedFile, EveryItemFailsOnceTheFileIsGoneAndAWalkThenStopsAtTheRoot) {
  DbxBuilder(DbKind::Message).SetU8(dbx::kClsidField, 0).WriteTo(path);
  DisplayInfo info;
  EXPECT_FALSE(root->GetDisplayInfo(info));  // its caption's texts are of a message database
  std::filesystem::remove(path);
  for (ExplorerItem* item : items) ExpectEveryReadFails(item);
  EXPECT_EQ(Walk(root).size(), 1u);
  EXPECT_EQ(desktop.desktop.statusLines().back(),
            "Failed to explore, possible database changed or locked: " + path + ": not found");
}

class HostileFile : public ExplorerTest {
 protected:
  // The captions of a whole walk, each with the number of rows its node listed.
  std::vector<std::pair<std::string, size_t>> WalkFile(const DbxBuilder& builder) {
    list.DeleteAllRows();
    tree.DeleteAll();
    std::vector<std::pair<std::string, size_t>> nodes;
    for (const WalkedNode& node : Walk(Open(builder.WriteTo(dir / "db.dbx"))))
      nodes.emplace_back(node.caption, node.rows.size());
    return nodes;
  }
};

TEST_F(HostileFile, NodesAndChainsThatLoopShowOnceBelowThemselvesAndBrokenOnesAreLeftOut) {
  DbxBuilder looped(DbKind::Message);
  const uint32_t top = looped.AddNode();
  looped.SetNodeEntries(top, {{looped.AddMessage(Message(2, "s")), top}}).SetIndexSlot(0, top, 1);
  const auto loop = WalkFile(looped);
  ASSERT_EQ(loop.size(), 5u);
  EXPECT_EQ(loop[2].first + "|" + loop[3].first, "Index " + Hex8(top) + "|00000002 s");
  EXPECT_EQ(loop[4], std::make_pair("Index " + Hex8(top), size_t{0}));  // shown, not followed

  DbxBuilder chain(DbKind::Message);
  const uint32_t first = chain.AddTextBlock(16, 4, "abcd");
  const uint32_t second = chain.AddTextBlock(16, 4, "efgh", first);
  chain.SetU32(first + 12, second).SetU32(second + 8, 0xFFFFFFF0);  // and a hostile count of its bytes
  dbx::RecordBuilder record(/*folderDatabase=*/false);
  record.SetInteger(0x00, 2);
  record.SetInteger(0x04, first);
  chain.SetIndex(0, std::vector{chain.AddRecord(record)});
  const auto nodes = WalkFile(chain);
  ASSERT_EQ(nodes.size(), 7u);
  EXPECT_EQ(nodes[4].first, "Section " + Hex8(first) + " 4 byte(s)");
  EXPECT_EQ(nodes[5].first, "Section " + Hex8(second) + " 4294967280 byte(s)");
  EXPECT_EQ(nodes[6], std::make_pair("Section " + Hex8(first) + " 4 byte(s)", size_t{0}));

  DbxBuilder tooMany(DbKind::Message);
  const uint32_t claimed = tooMany.AddNode();
  tooMany.SetU8(claimed + 0x11, 52).SetIndexSlot(0, claimed, 52);
  const auto none = WalkFile(tooMany);
  ASSERT_EQ(none.size(), 2u);
  EXPECT_EQ(none[1], std::make_pair(std::string("000000E4 All indexes by ID"), size_t{1}));  // "Total Count"

  DbxBuilder cut(DbKind::Message);
  const uint32_t node = cut.AddNode();
  const uint32_t kept = cut.AddMessage(Message(2, "kept")), lost = cut.AddMessage(Message(3, "cut"));
  cut.SetNodeEntries(node, {{kept}, {lost}}).SetIndexSlot(0, node, 2).Truncate(lost + 8);
  const auto shortened = WalkFile(cut);
  EXPECT_TRUE(shortened.size() == 4 && shortened[3].first == "00000002 kept");
}

TEST_F(HostileFile, ASubscribedFolderTreeThatLoopsShowsItsFolderOnce) {
  DbxBuilder builder(DbKind::Folder);
  const uint32_t folder = builder.AddFolder(Folder(1, "Inbox"));
  const uint32_t top = builder.AddNode();
  builder.SetNodeEntries(top, {{folder, top}}).SetIndexSlot(2, top, 1);
  DbRootItem* root = Open(builder.WriteTo(dir / "db.dbx"));
  EXPECT_TRUE(root->Expand() && std::ranges::count(ChildCaptions(root), std::string("00000001 Inbox")) == 1);
}

}  // namespace
}  // namespace vendrel
