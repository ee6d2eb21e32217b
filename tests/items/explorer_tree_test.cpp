// The explorer tree of builder-made databases as a user sees it: which nodes appear in which order,
// their captions and images, and the rows each node lists when selected.
#include <gtest/gtest.h>

#include "dbx/record_builder.h"
#include "explorer_fixture.h"
#include "items/images.h"
#include "items/index_node_item.h"
#include "items/record_item.h"
#include "support/db_file.h"
#include "support/process.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::Folder;
using testsupport::Hex8;
using testsupport::Message;
using testsupport::Row;
using testsupport::Strings;
using Images = std::vector<int>;
using Rows = std::vector<Row>;

constexpr int F = kFolderStripBase;
constexpr int M = kMessageStripBase;

class ExplorerTree : public testsupport::ExplorerTest {};

TEST_F(ExplorerTree, AMessageDatabaseShowsTheHeapAndOnlyTheIndexSlotsThatAreSet) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t message = builder.AddMessage(Message(2, "Hi"));
  builder.SetIndex(0, std::vector{message});
  builder.SetIndex(1, std::vector{message});
  const uint32_t heapNode = builder.AddNode();
  builder.SetDescriptor(0x30, heapNode, 0x1000, 0x27C);
  const std::string path = Write(builder);
  DbRootItem* root = Open(path);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree.TextOf(root->hTreeItem), "Messages DB " + path);
  EXPECT_EQ(tree.ImageOf(root->hTreeItem), 0);
  EXPECT_TRUE(root->Expand());
  EXPECT_EQ(ChildCaptions(root),
            (Strings{"00000030 Indexes heap", "000000E4 All indexes by ID", "000000E8 Watched"}));
  EXPECT_EQ(ChildImages(root), (Images{20, 21, 19}));

  // The heap shows the node at the start of its chunk, then the descriptor's words.
  EXPECT_EQ(Select(Find("00000030")), (Rows{{"Index", Hex8(heapNode), "0 + 0 sub", ""},
                                            {"size", "00000034", "00001000", "byte(s)"},
                                            {"used", "00000038", "0000027C", "byte(s)"}}));
}

TEST_F(ExplorerTree, AFolderDatabaseShowsItsTopLevelFoldersBetweenSlotTwoAndSlotThree) {
  DbxBuilder builder(DbKind::Folder);
  testsupport::FolderSpec hidden = Folder(4, "Hidden");
  hidden.subscribed = false;
  builder.AddFolders({Folder(2, "Outbox"), Folder(1, "Inbox"), Folder(3, "Sub", 1), hidden});
  builder.SetIndexSlot(3, builder.AddNode(), 0);
  const std::string path = Write(builder, "Folders.dbx");
  DbRootItem* root = Open(path);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(tree.TextOf(root->hTreeItem), "Folders DB " + path);
  EXPECT_TRUE(root->Expand());
  EXPECT_EQ(ChildCaptions(root), (Strings{"000000E4 All indexes by ID", "000000E8 All indexes by ParentID",
                                          "000000EC Subscribed indexes by ParentID", "00000001 Inbox",
                                          "00000002 Outbox", "000000F0 Unknown or error"}));
  EXPECT_EQ(ChildImages(root), (Images{21, 21, 19, F + 18, F + 18, 21}));
}

TEST_F(ExplorerTree, AttachingFailsForAnotherClassIdentifierAndWithoutShowMakesNoNode) {
  dbx::Clsid other = dbx::kClsidMessageDatabase;
  other[0] = 0;
  EXPECT_EQ(Open(Write(DbxBuilder(DbKind::Message).SetClsid(other), "other.dbx")), nullptr);
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());

  const auto hidden = MakeItem<DbRootItem>(nullptr, 0);
  EXPECT_TRUE(hidden->AttachDatabase(Write(DbxBuilder(DbKind::Folder)), &tree, &list, false, false));
  EXPECT_TRUE(hidden->caption.empty());
  EXPECT_EQ(hidden->hTreeItem, kTreeRoot);
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());
}

TEST_F(ExplorerTree, TheRootListsItsChildrenFirstAndThenTheHeaderFromMagicToTheEnd) {
  DbxBuilder builder(DbKind::Message);
  builder.SetIndex(0, std::vector<uint32_t>{});
  builder.SetDescriptor(0x30, builder.AddNode(), 0x1000, 0);
  DbRootItem* root = Open(Write(builder));
  ASSERT_NE(root, nullptr);
  const Rows rows = Select(root);
  ASSERT_GE(rows.size(), 4u);
  EXPECT_EQ(rows[0], (Row{"Indexes heap", "00000030", "", ""}));
  EXPECT_EQ(rows[1], (Row{"All indexes by ID", "000000E4", "03 (00)", " "}));
  EXPECT_EQ(list.RowImage(1), 21);
  EXPECT_EQ(rows[2][0], "Magic");
  EXPECT_EQ(rows[2][2], "FE12ADCF");
  EXPECT_EQ(rows.back()[0], "To be continued...");
}

TEST_F(ExplorerTree, ANodeWithALeftChildAndThreeEntriesExpandsToFiveChildrenInTreeOrder) {
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> m;
  for (uint32_t id = 1; id <= 6; ++id) m.push_back(builder.AddMessage(Message(id, "m")));
  const uint32_t left = builder.AddNode();
  builder.SetNodeEntries(left, {{m[0]}, {m[1]}});
  const uint32_t child = builder.AddNode();
  builder.SetNodeEntries(child, {{m[4]}});
  const uint32_t top = builder.AddNode();
  builder.SetNodeEntries(top, {{m[2]}, {m[3], child}, {m[5]}});
  builder.SetNodeLeftChild(top, left).SetIndexSlot(0, top, 6);
  DbRootItem* root = Open(Write(builder));
  ASSERT_NE(root, nullptr);
  root->Expand();
  EXPECT_EQ(Select(Find("000000E4")), (Rows{{"Index", Hex8(top), "1 + 3 sub", ""},
                                            {"Total Count", "000000C4", "00000006", "total elem count"}}));

  auto* node = Find<IndexNodeItem>("Index " + Hex8(top));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(tree.ImageOf(node->hTreeItem), 4);
  const Rows rows = Select(node);
  EXPECT_EQ(ChildCaptions(node), (Strings{"Index " + Hex8(left), "00000003 m", "00000004 m",
                                          "Index " + Hex8(child), "00000006 m"}));
  EXPECT_EQ(ChildImages(node), (Images{9, M + 10, M + 10, 4, M + 10}));
  ASSERT_EQ(rows.size(), 15u);  // five children, ten rows of the node head
  EXPECT_EQ(rows[0], (Row{"Index", Hex8(left), "0 + 2 sub", ""}));
  EXPECT_EQ(list.RowImage(0), 9);
  EXPECT_EQ(rows[1], (Row{"m", Hex8(m[2]), "00000003", ""}));
  EXPECT_EQ(rows[5], (Row{"RA", "", Hex8(top), "Relative address of this struct"}));
  EXPECT_EQ(rows[7], (Row{"dwRA_Root", "", Hex8(left), ""}));
  EXPECT_EQ(rows[10], (Row{"bEntryCount", "", "03", ""}));
  EXPECT_EQ(rows[14][0], "wUnk7");

  DisplayInfo info;  // a list offering room for five characters and the terminator
  info.column = 2;
  info.capacity = 6;
  EXPECT_TRUE(node->GetDisplayInfo(info));
  EXPECT_EQ(info.text, "1 + 3");

  // A refresh rebuilds the caption but keeps the left child's own image.
  auto* leftItem = Find<IndexNodeItem>("Index " + Hex8(left));
  ASSERT_NE(leftItem, nullptr);
  EXPECT_TRUE(leftItem->Refresh());
  EXPECT_EQ(tree.ImageOf(leftItem->hTreeItem), 9);
}

TEST_F(ExplorerTree, AMessageListsItsTextThenSixHeaderRowsThenOneRowPerProperty) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t message = builder.AddMessage(Message(7, "Hello", "Subject: Hello\r\n\r\nHi"));
  builder.SetIndex(0, std::vector{message});
  DbRootItem* root = Open(Write(builder));
  ASSERT_NE(root, nullptr);
  Walk(root);
  auto* record = Find<RecordItem>("00000007 Hello");
  ASSERT_NE(record, nullptr);
  EXPECT_EQ(tree.ImageOf(record->hTreeItem), M + 10);
  const Rows rows = Select(record);
  ASSERT_EQ(rows.size(), 1u + 6u + 16u);  // the builder writes 16 properties for this message
  EXPECT_EQ(rows[0][0], "Section");
  EXPECT_EQ(rows[0][2], "20 byte(s)");
  EXPECT_EQ(rows[0][3], "00000200");
  EXPECT_EQ(rows[1], (Row{"RA", "", Hex8(message), "Relative address of this struct"}));
  EXPECT_EQ(rows[2][0], "Entry header size");
  EXPECT_EQ(rows[3], (Row{"w0000", "", "0000", "Always zero?"}));
  EXPECT_EQ(rows[4][0], "Can grow");
  EXPECT_EQ(rows[5], (Row{"Property count", "", "10", ""}));
  EXPECT_EQ(rows[6], (Row{"Part count?", "", "01", "?"}));
  EXPECT_EQ(rows[7][0], "ID");
  EXPECT_EQ(rows[8][0], "Flags");
  EXPECT_EQ(list.RowImage(7), 6);
}

TEST_F(ExplorerTree, RecordsWithoutNameOrPropertiesAreCaptionedByIdAloneAndListedAsNoName) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t bare = builder.AddRawRecord({}, {});
  const uint32_t untitled = builder.AddMessage(Message(3));
  // Id 0x1F has no known kind; a direct "Received" shows eight digits and a blank.
  const std::vector<uint32_t> entries = {0x1F, 0x86 | 0x1234u << 8};
  const uint32_t odd = builder.AddRawRecord(entries, std::vector<uint8_t>(4, 0));
  builder.SetIndex(0, std::vector{bare, untitled, odd});
  DbRootItem* root = Open(Write(builder));
  ASSERT_NE(root, nullptr);
  Walk(root);
  ExplorerItem* node = Find("Index ");
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(ChildCaptions(node), (Strings{"00000000 ", "00000003 ", "00000000 "}));
  const Rows nodeRows = Select(node);
  EXPECT_EQ(nodeRows[0], (Row{"NoName", Hex8(bare), "00000000", ""}));
  EXPECT_EQ(nodeRows[1], (Row{"NoName", Hex8(untitled), "00000003", ""}));

  const Rows bareRows = Select(Find("00000000 "));
  ASSERT_EQ(bareRows.size(), 6u);
  EXPECT_EQ(bareRows[4], (Row{"Property count", "", "00", ""}));
  const Rows oddRows = Select(tree.ItemOf(tree.Children(node->hTreeItem)[2]));
  ASSERT_EQ(oddRows.size(), 8u);
  EXPECT_EQ(oddRows[6], (Row{"1F(1F)", "", "", ""}));
  EXPECT_EQ(oddRows[7], (Row{"Received", "", "00001234 ", ""}));
}

TEST_F(ExplorerTree, ATextChainGoesOneLevelDeeperPerBlockAndShowsEachBlocksHead) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t firstBlock = builder.allocatedSize();  // the text goes in before its record
  const uint32_t message = builder.AddMessage(Message(2, "s", std::string(0x200 + 0x200 + 0x1F0, 'x')));
  builder.SetIndex(0, std::vector{message});
  const uint32_t lastBlock = builder.U32(builder.U32(firstBlock + 12) + 12);
  DbRootItem* root = Open(Write(builder));
  ASSERT_NE(root, nullptr);
  int recordLevel = -1;
  std::vector<WalkedNode> sections;
  for (const WalkedNode& node : Walk(root)) {
    if (node.caption == "00000002 s") recordLevel = node.level;
    if (node.caption.starts_with("Section ")) sections.push_back(node);
  }
  ASSERT_EQ(sections.size(), 3u);
  for (size_t i = 0; i < sections.size(); ++i) {
    EXPECT_EQ(sections[i].level, recordLevel + 1 + static_cast<int>(i));
    EXPECT_EQ(sections[i].image, 8);
  }
  EXPECT_EQ(sections[0].caption, "Section " + Hex8(firstBlock) + " 512 byte(s)");
  EXPECT_EQ(sections[2].caption, "Section " + Hex8(lastBlock) + " 496 byte(s)");
  EXPECT_EQ(sections[2].rows, (Rows{{"RA", "", Hex8(lastBlock), "Relative address of this struct"},
                                    {"Allocated", "", "00000200 byte(s)", "This section"},
                                    {"Used", "", "000001F0 byte(s)", "This section"},
                                    {"RA next section", "", "00000000", "Relative address of next struct"}}));
  EXPECT_EQ(sections[1].rows[0], (Row{"Section", Hex8(lastBlock), "496 byte(s)", "00000200"}));
}

class FolderTree : public testsupport::ExplorerTest {
 protected:
  // Folders.dbx at path with Inbox (ID 1, stored FileName fileName) and its subfolder Sub (ID 2); the
  // item of Inbox, expanded.
  ExplorerItem* ExpandedInbox(const std::string& fileName, const std::string& path) {
    DbxBuilder builder(DbKind::Folder);
    builder.AddFolders({Folder(1, "Inbox", 0, fileName), Folder(2, std::string(300, 's'), 1)});
    builder.WriteTo(path);
    DbRootItem* root = Open(path);
    if (root == nullptr) return nullptr;
    root->Expand();
    ExplorerItem* inbox = Find("00000001 Inbox", root->hTreeItem);
    if (inbox != nullptr) inbox->Expand();
    return inbox;
  }
  ExplorerItem* ExpandedInbox(const std::string& fileName) {
    return ExpandedInbox(fileName, (dir / "Folders.dbx").string());
  }

  const std::string sub = "00000002 " + std::string(250, 's');  // cut to 259 characters
};

TEST_F(FolderTree, AFolderShowsItsMessageDatabaseFirstAndThenItsSubfolders) {
  const std::string inboxPath = Write(DbxBuilder(DbKind::Message), "Inbox.dbx");
  ExplorerItem* inbox = ExpandedInbox("Inbox.dbx");
  ASSERT_NE(inbox, nullptr);
  EXPECT_EQ(ChildCaptions(inbox), (Strings{"Messages DB " + inboxPath, sub}));
  EXPECT_EQ(ChildImages(inbox), (Images{0, F + 17}));
  const Rows rows = Select(inbox);
  EXPECT_EQ(rows[0], (Row{"Inbox (LocalStore)", "00000000", "03 (00)", inboxPath}));
  EXPECT_EQ(rows[1][2], "00000002");
  EXPECT_EQ(rows[2][0], "RA");

  // The same folder reached through an index tree shows its database but no subfolders.
  ExplorerItem* slot = Find("000000E4");
  ASSERT_NE(slot, nullptr);
  slot->Expand();
  ExplorerItem* node = Find("Index ", slot->hTreeItem);
  ASSERT_NE(node, nullptr);
  node->Expand();
  ExplorerItem* indexed = Find("00000001 Inbox", node->hTreeItem);
  ASSERT_NE(indexed, nullptr);
  indexed->Expand();
  EXPECT_EQ(ChildCaptions(indexed), Strings{"Messages DB " + inboxPath});
}

TEST_F(FolderTree, AFolderThatAnotherProgramAddsShowsAtTheNextExpansionAtOnce) {
  ExplorerItem* inbox = ExpandedInbox("");
  ASSERT_NE(inbox, nullptr);
  const auto made =
      testsupport::RunCommand({VENDREL_CLI, "new-folder", (dir / "Folders.dbx").string(), "1", "Later"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  inbox->Expand();
  EXPECT_EQ(ChildCaptions(inbox), (Strings{"00000003 Later", sub}));
}

TEST_F(FolderTree, AStoredFileNameIsFoundAsUtf8AsRawBytesOrInAnotherLetterCase) {
  // (the name on disk, the name the folder stores in its code page)
  const std::pair<std::string, std::string> cases[] = {
      {"inbox.dbx", "Inbox.dbx"},
      {"Bo\xC3\xAEte.dbx", "Bo\xEEte.dbx"},  // copied from Windows: UTF-8
      {"Bo\xEEte.dbx", "Bo\xEEte.dbx"},      // unpacked without converting names: the stored bytes
      {"BO\xEETE.DBX", "Bo\xEEte.dbx"},
  };
  for (const auto& [onDisk, stored] : cases) {
    const std::string inboxPath = Write(DbxBuilder(DbKind::Message), onDisk);
    ExplorerItem* inbox = ExpandedInbox(stored);
    ASSERT_NE(inbox, nullptr) << onDisk;
    EXPECT_EQ(ChildCaptions(inbox), (Strings{"Messages DB " + inboxPath, sub})) << onDisk;
    tree.DeleteAll();
    std::filesystem::remove(inboxPath);
  }
}

TEST_F(FolderTree, AFileNameThatLeavesTheDirectoryOrNamesNoDatabaseOpensNothing) {
  std::filesystem::create_directories(dir / "store" / "sub");
  DbxBuilder(DbKind::Message).WriteTo(dir / "x.dbx");
  DbxBuilder(DbKind::Message).WriteTo(dir / "store" / "sub" / "x.dbx");
  testsupport::WriteFileBytes(dir / "store" / "notes.dbx", std::vector<uint8_t>(64, 'n'));
  for (const std::string name : {"../x.dbx", "sub/x.dbx", "missing.dbx", "notes.dbx"}) {
    ExplorerItem* inbox = ExpandedInbox(name, (dir / "store" / "Folders.dbx").string());
    ASSERT_NE(inbox, nullptr) << name;
    EXPECT_EQ(ChildCaptions(inbox), Strings{sub}) << name;
    tree.DeleteAll();
  }
}

TEST(RecordImage, AFolderTakesItsImageFromIdTypeProtocolParentAndInfo) {
  struct Case {
    uint32_t id, type, protocol, parent, info;
    int image;
  };
  const std::vector<Case> cases = {
      {0, 3, 0, 0, 0, F + 21},     {0xFFFFFFFF, 0, 0, 0, 0, -1}, {5, 0xFFFFFFFF, 0, 0, 0, -1},
      {5, 3, 0, 0, 0, F + 9},      {5, 3, 0, 0, 0x100, F + 27},  {5, 9, 0, 0, 0, F + 6},
      {5, 9, 0, 0, 0x200, F + 24}, {5, 9, 0, 0, 0x4000, F + 6},  {5, 0, 0, 0, 1, F + 16},
      {5, 0, 0, 0, 0, F + 18},     {5, 0, 0, 1, 0, F + 17},      {5, 0, 0, 1, 0x101, F + 22},
      {5, 0, 0, 1, 1, F + 15},     {5, 0, 2, 0, 1, F + 33},      {5, 0, 2, 0, 0, F + 18},
      {5, 0, 2, 1, 0, F + 13},     {5, 0, 2, 1, 0x101, F + 24},  {5, 0, 2, 1, 1, F + 6},
      {5, 0, 3, 0, 1, F + 20},     {5, 0, 3, 0, 0, F + 18},      {5, 0, 3, 1, 1, F + 6},
      {5, 0, 5, 0, 1, 1},
  };
  DbxBuilder builder(DbKind::Folder);
  std::vector<uint32_t> records;
  for (const Case& c : cases) {
    dbx::RecordBuilder record(/*folderDatabase=*/true);
    record.SetInteger(0x00, c.id);
    record.SetInteger(0x01, c.parent);
    record.SetInteger(0x06, c.info);
    record.SetInteger(0x09, c.type);
    record.SetInteger(0x0A, c.protocol);
    records.push_back(builder.AddRecord(record));
  }
  testsupport::DbFile file(builder);
  for (size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    EXPECT_EQ(RecordImage(file.store, records[i]), c.image)
        << std::hex << "id " << c.id << " type " << c.type << " protocol " << c.protocol << " parent "
        << c.parent << " info " << c.info;
  }
}

TEST(RecordImage, AMessageTakesItsImageFromItsFlags) {
  const std::vector<std::pair<uint32_t, int>> cases = {{0x800, M + 24}, {0x880, M + 25}, {0x801, M + 26},
                                                       {0x881, M + 27}, {0x01, M + 9},   {0x81, M + 10},
                                                       {0x80, M + 30},  {0, M + 30}};
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> records;
  for (const auto& [flags, image] : cases) {
    testsupport::MessageSpec message = Message(1);
    message.flags = flags;
    records.push_back(builder.AddMessage(message));
  }
  testsupport::DbFile file(builder);
  for (size_t i = 0; i < cases.size(); ++i) {
    EXPECT_EQ(RecordImage(file.store, records[i]), cases[i].second) << std::hex << cases[i].first;
  }
}

}  // namespace
}  // namespace vendrel
