// The explorer tree of builder-made databases as a user sees it: which nodes appear in which order,
// their captions and images, the rows each node lists when selected, and the commands each offers; and
// what every item shares (reference counting, callback rows) with the in-memory tree and list.
#include <gtest/gtest.h>

#include "dbx/record_builder.h"
#include "explorer_fixture.h"
#include "items/command_ids.h"
#include "items/field_item.h"
#include "items/image_indexes.h"
#include "items/index_node_item.h"
#include "items/record_item.h"
#include "support/db_file.h"
#include "support/process.h"

namespace vendrel {
namespace {

using namespace testsupport;
using Images = std::vector<int>;
using Ids = std::vector<int>;
using Rows = std::vector<Row>;

constexpr int F = kFolderStripBase;
constexpr int M = kMessageStripBase;

class ExplorerTree : public ExplorerTest {};

TEST_F(ExplorerTree, AMessageDatabaseShowsTheHeapAndTheSlotsThatAreSetAndListsThemBeforeTheHeader) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t message = builder.AddMessage(Message(2, "Hi"));
  for (const int k : {0, 1, 2}) builder.SetIndex(k, std::vector{message});
  const uint32_t heapNode = builder.AddNode();
  builder.SetDescriptor(0x30, heapNode, 0x1000, 0x27C).SetU32(0x104, heapNode);  // past the eight slots
  const std::string path = builder.WriteTo(dir / "db.dbx");
  DbRootItem* root = Open(path);
  EXPECT_TRUE(tree.TextOf(root->hTreeItem) == "Messages DB " + path && tree.ImageOf(root->hTreeItem) == 0);
  const Rows rows = Select(root);
  EXPECT_EQ(ChildCaptions(root), (Strings{"00000030 Indexes heap", "000000E4 All indexes by ID",
                                          "000000E8 Watched", "000000EC Unknown or error"}));
  EXPECT_EQ(ChildImages(root), (Images{20, 21, 19, 21}));
  // A node not opened yet holds one child without an item, so that the tree offers to open it.
  const std::vector<TreeNodeHandle> unopened = tree.Children(Find("000000E4")->hTreeItem);
  EXPECT_TRUE(unopened.size() == 1 && tree.ItemOf(unopened[0]) == nullptr);
  ASSERT_EQ(rows.size(), 4u + 44u);
  EXPECT_EQ(rows[0], (Row{"Indexes heap", "00000030", "", ""}));
  EXPECT_TRUE(rows[1] == (Row{"All indexes by ID", "000000E4", "03 (00)", " "}) && list.RowImage(1) == 21);
  EXPECT_TRUE(rows[4][0] == "Magic" && rows.back()[0] == "To be continued...");
  // The heap shows the node at the start of its chunk, then the descriptor's words.
  EXPECT_EQ(Select(Find("00000030")), (Rows{{"Index", Hex8(heapNode), "0 + 0 sub", ""},
                                            {"size", "00000034", "00001000", "byte(s)"},
                                            {"used", "00000038", "0000027C", "byte(s)"}}));
  // A slot or a heap that names no node: the expansion fails, saying so, and the rows are the same.
  builder.SetIndexSlot(3, message, 1).SetDescriptor(0x30, message, 0x1000, 0x27C).WriteTo(path);
  tree.DeleteAll();
  Select(root = Open(path));
  for (const auto& [slot, why] :
       {std::pair{"000000F0",
                  "the slot names " + Hex8(message) + " as the root of its tree, and that is no index node"},
        {"00000030", "the heap's chunk at " + Hex8(message) + " starts with no index node"}}) {
    ExplorerItem* item = Find(slot);
    EXPECT_FALSE(tree.ExpandNode(item->hTreeItem)) << slot;
    EXPECT_EQ(item->failure, why);
  }
  EXPECT_EQ(Select(Find("00000030")),
            (Rows{{"size", "00000034", "00001000", "byte(s)"}, {"used", "00000038", "0000027C", "byte(s)"}}));
}

// Message 3 is out of the tree, message 4 has lost its record: both are found, listed and saved.
TEST_F(ExplorerTree, WhatTheTreesDoNotReachIsListedUnderLostAndFoundAndSavedAsTheSalvageSavesIt) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t kept = builder.AddMessage(Message(2, "Kept", "two")), out = builder.AddMessage(Message(3, "Out", "three"));
  const uint32_t text = builder.allocatedSize(), lost = builder.AddMessage(Message(4, "Lost", "four"));
  builder.SetIndex(0, std::vector{kept, out, lost});
  const std::string path = builder.WriteTo(dir / "db.dbx");
  DbRootItem* root = Open(path);
  Select(root);
  EXPECT_EQ(ChildCaptions(root).back(), "000000E4 All indexes by ID");  // nothing lost yet
  builder.SetIndex(0, std::vector{kept});
  builder.SetU32(lost, 0).WriteTo(path);
  ASSERT_TRUE(root->Refresh());
  Select(root);
  ExplorerItem* found = Find("Lost and found");
  EXPECT_EQ(Select(found), (Rows{{"Out", Hex8(out), "00000003", ""},
                                 {"Text", Hex8(text), "4 byte(s)", "00000200"},
                                 {"Records", "", "1", "No tree reaches them"},
                                 {"Texts", "", "1", "No record owns them"},
                                 {"Texts cut short", "", "0", "A block of theirs is not there, or they loop"},
                                 {"Same text", "", "0", "Records whose text a reached one has"}}));
  ExplorerItem* foundText = list.ItemOf(1);  // saved, refreshed, and no more
  ASSERT_TRUE(foundText != nullptr && list.ItemOf(list.RowCount()) == nullptr);
  for (ExplorerItem* item : {found, foundText}) {
    for (const int command : {kCmdSave, kCmdSaveDefault, kCmdRefresh, kCmdSaveAs, kCmdPreview, kCmdNewFolder})
      EXPECT_EQ(item->IsCommandEnabled(command),
                command == kCmdSave || command == kCmdSaveDefault || command == kCmdRefresh) << command;
  }
  ASSERT_TRUE(found->SaveDefault((dir / "out").string(), true));
  EXPECT_EQ(ReadText(dir / "out/Inbox (recovered)/Out 00000005_00000003.eml"), "three");
  EXPECT_EQ(ReadText(dir / ("out/Inbox (recovered)/Text at " + Hex8(text) + ".eml")), "four");
  testsupport::WriteFileBytes(dir / "blocked", std::vector<uint8_t>{'x'});  // no directory can be made there
  EXPECT_FALSE(found->SaveDefault((dir / "blocked").string(), true));
  desktop.desktop.AddFolderAnswer((dir / "chosen").string());  // Save asks where
  EXPECT_TRUE(foundText->Save() && std::filesystem::exists(dir / ("chosen/Inbox (recovered)/Text at " + Hex8(text) + ".eml")));
  builder.SetIndex(0, std::vector{kept, out});  // Out is back in the tree
  builder.WriteTo(path);
  ASSERT_TRUE(found->Refresh());
  EXPECT_EQ(Select(found)[0][0], "Text");
}

TEST_F(ExplorerTree, ANodeWithALeftChildAndThreeEntriesExpandsToFiveChildrenInTreeOrder) {
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> m;
  for (uint32_t id = 1; id <= 6; ++id) m.push_back(builder.AddMessage(Message(id, "m")));
  const uint32_t left = builder.AddNode(), child = builder.AddNode(), top = builder.AddNode();
  builder.SetNodeEntries(left, {{m[0]}, {m[1]}}).SetNodeEntries(child, {{m[4]}});
  builder.SetNodeEntries(top, {{m[2]}, {m[3], child}, {m[5]}}).SetNodeLeftChild(top, left);
  builder.SetU32(top + 0x18 + 3 * 12, m[0]).SetU32(top + 4, 0x1234);  // a stale fourth entry, past the count
  builder.SetIndexSlot(0, top, 6);
  DbRootItem* root = Open(builder.WriteTo(dir / "db.dbx"));
  root->Expand();
  EXPECT_EQ(Select(Find("000000E4")), (Rows{{"Index", Hex8(top), "1 + 3 sub", ""},
                                            {"Total Count", "000000C4", "00000006", "total elem count"}}));

  auto* node = Find<IndexNodeItem>("Index " + Hex8(top));
  EXPECT_EQ(tree.ImageOf(node->hTreeItem), 4);
  const Rows rows = Select(node);
  EXPECT_EQ(ChildCaptions(node), (Strings{"Index " + Hex8(left), "00000003 m", "00000004 m",
                                          "Index " + Hex8(child), "00000006 m"}));
  EXPECT_EQ(ChildImages(node), (Images{9, M + 10, M + 10, 4, M + 10}));
  ASSERT_EQ(rows.size(), 15u);  // five children, ten rows of the node head
  EXPECT_TRUE(rows[0] == (Row{"Index", Hex8(left), "0 + 2 sub", ""}) && list.RowImage(0) == 9);
  EXPECT_EQ(rows[1], (Row{"m", Hex8(m[2]), "00000003", ""}));
  EXPECT_EQ(rows[5], (Row{"RA", "", Hex8(top), "Relative address of this struct"}));
  EXPECT_TRUE(rows[6][2] == "00001234" && rows[7] == (Row{"dwRA_Root", "", Hex8(left), ""}));
  EXPECT_EQ(rows[10], (Row{"bEntryCount", "", "03", ""}));
  EXPECT_TRUE(rows[11] == (Row{"wUnk5", "", "0000", ""}) && rows[14][0] == "wUnk7");

  DisplayInfo info;  // room for five characters and the terminator, asked column by column (4: none)
  info.capacity = 6;
  info.mask |= DisplayInfo::kImage;  // which only the first column has
  for (const auto& [column, text, image] : {std::tuple{0, "Index", 4}, {2, "1 + 3", -1}, {4, "1 + 3", -1}}) {
    info.column = column;
    info.image = -1;
    EXPECT_TRUE(node->GetDisplayInfo(info) && info.text == text && info.image == image) << column;
  }
  // A refresh rebuilds the caption but keeps the left child's own image.
  auto* leftItem = Find<IndexNodeItem>("Index " + Hex8(left));
  tree.SetNode(leftItem->hTreeItem, "stale", 0, leftItem);  // as shown before
  EXPECT_TRUE(leftItem->Refresh() && tree.TextOf(leftItem->hTreeItem) == "Index " + Hex8(left));
  EXPECT_TRUE(tree.ImageOf(leftItem->hTreeItem) == 9 && list.RowCount() == 15);  // not the list it is not in
}

TEST_F(ExplorerTree, ARecordListsItsTextThenItsHeadThenOneRowPerPropertyAndNamelessOnesByIdAlone) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t block = builder.allocatedSize();  // the text goes in before its record
  const uint32_t message = builder.AddMessage(Message(7, "Hello", "Subject: Hello\r\n\r\nHi"));
  const uint32_t bare = builder.SetU16(message + 6, 0x1234).AddRawRecord({}, {});
  const uint32_t untitled = builder.AddMessage(Message(3));
  builder.SetIndex(0, std::vector{message, bare, untitled});
  DbRootItem* root = Open(builder.WriteTo(dir / "db.dbx"));
  Walk(root);
  ExplorerItem* node = Find("Index ");
  EXPECT_EQ(ChildCaptions(node), (Strings{"00000007 Hello", "00000000 ", "00000003 "}));
  const Rows nodeRows = Select(node);
  EXPECT_EQ(nodeRows[1], (Row{"NoName", Hex8(bare), "00000000", ""}));
  EXPECT_EQ(nodeRows[2], (Row{"NoName", Hex8(untitled), "00000003", ""}));
  const Rows head = Select(Find("00000000 "));  // the head alone
  EXPECT_TRUE(head.size() == 6u && head[0] == (Row{"RA", "", Hex8(bare), "Relative address of this struct"}));

  auto* record = Find<RecordItem>("00000007 Hello");
  EXPECT_EQ(tree.ImageOf(record->hTreeItem), M + 10);
  const Rows rows = Select(record);
  ASSERT_EQ(rows.size(), 1u + 6u + 16u);  // the builder writes 16 properties for this message
  EXPECT_EQ(rows[0], (Row{"Section", Hex8(block), "20 byte(s)", "00000200"}));
  EXPECT_EQ(rows[1], (Row{"RA", "", Hex8(message), "Relative address of this struct"}));
  EXPECT_EQ(rows[2], (Row{"Entry header size", "", "000000C0", "bound to DWORD"}));
  EXPECT_EQ(rows[3], (Row{"w0000", "", "1234", "Always zero?"}));
  EXPECT_EQ(rows[5], (Row{"Property count", "", "10", ""}));
  EXPECT_EQ(rows[6], (Row{"Part count?", "", "01", "?"}));
  EXPECT_TRUE(rows[7] == (Row{"ID", "", "000007", ""}) && list.RowImage(7) == 6);
}

TEST_F(ExplorerTree, AFolderShowsItsMessageDatabaseAndSubfoldersAndThroughAnIndexItsDatabaseOnly) {
  const std::string inboxPath = DbxBuilder(DbKind::Message).WriteTo(dir / "inbox.DBX");
  DbxBuilder builder(DbKind::Folder);
  builder.AddFolders({Folder(1, "Inbox", 0, "Inbox.dbx"), Folder(2, std::string(300, 's'), 1)});
  DbRootItem* root = Open(builder.WriteTo(dir / "Folders.dbx"));
  root->Expand();
  EXPECT_EQ(ChildImages(root), (Images{21, 21, 19, F + 18}));  // slots 0 to 2, the subscribed one marked
  EXPECT_EQ(ChildCaptions(root)[2], "000000EC Subscribed indexes by ParentID");
  ExplorerItem* inbox = Find("00000001 Inbox");
  inbox->Expand();
  EXPECT_EQ(ChildCaptions(inbox), (Strings{"Messages DB " + inboxPath, "00000002 " + std::string(250, 's')}));
  EXPECT_EQ(ChildImages(inbox), (Images{0, F + 17}));
  const Rows rows = Select(inbox);
  EXPECT_EQ(rows[0], (Row{"Inbox (LocalStore)", "00000000", "03 (00)", inboxPath}));
  EXPECT_TRUE(rows[1][2] == "00000002" && rows[2][0] == "RA");

  ExplorerItem* slot = Find("000000E4");
  slot->Expand();
  ExplorerItem* node = Find("Index ", slot->hTreeItem);
  node->Expand();
  ExplorerItem* indexed = Find("00000001 Inbox", node->hTreeItem);
  indexed->Expand();
  EXPECT_EQ(ChildCaptions(indexed), Strings{"Messages DB " + inboxPath});

  // A folder that another program adds shows at the next expansion.
  const auto made = RunCommand({VENDREL_CLI, "new-folder", *root->FindDatabasePath(), "1", "Later"});
  ASSERT_EQ(made.exitCode, 0) << made.err;
  inbox->Expand();
  EXPECT_EQ(ChildCaptions(inbox)[1], "00000003 Later");
}

// Folders.dbx with Inbox, whose message database holds one message with a text, all opened.
class Commands : public ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    DbxBuilder messages(DbKind::Message);
    messages.SetIndex(0, std::vector{messages.AddMessage(Message(2, "Hello", "Hi"))});
    inboxPath = messages.WriteTo(dir / "Inbox.dbx");
    DbxBuilder folders(DbKind::Folder);
    folders.AddFolders({Folder(1, "Inbox", 0, "Inbox.dbx")});
    foldersPath = folders.WriteTo(dir / "Folders.dbx");
    root = Open(foldersPath);
    Walk(root);
  }

  static Ids Enabled(ExplorerItem* item) {
    Ids ids;
    for (const int command : kDatabaseCommands)
      if (item->IsCommandEnabled(command)) ids.push_back(command);
    return ids;
  }

  DbRootItem* root = nullptr;
  std::string inboxPath, foldersPath;
};

TEST_F(Commands, EachKindOfItemOffersItsCommandsWhileItsFileIsADatabase) {
  ExplorerItem* messageRoot = Find("Messages DB");
  auto* message = Find<RecordItem>("00000002 Hello");
  const auto field = MakeItem<FieldItem>(message, message->ra + 12, message->ra + 12 + 4 * 16);
  const std::pair<ExplorerItem*, Ids> cases[] = {
      {root, {32779}},  // a new top-level folder goes below the top folder record
      {messageRoot, {32774, 32777, 32779, 32787, 32788}},
      {message, {32774, 32775, 32777, 32776, 32779}},
      {Find("00000001 Inbox"), {32779, 32787}},  // its messages are saved from its own database
      {Find("000000E4 All indexes by ID"), {32774, 32777, 32779}},
      {Find("Index "), {32774, 32777, 32779}},
      {Find("000000E4", messageRoot->hTreeItem), {32774, 32777, 32779}},
      {Find("Index ", messageRoot->hTreeItem), {32774, 32777, 32779}},
      {Find("Section "), {32774, 32779}},
      {field.get(), {}},
  };
  for (const auto& [item, ids] : cases) EXPECT_EQ(Enabled(item), ids) << item->caption;
  const Rows section = Select(Find("Section "));  // where it is, its room and use, the next one
  EXPECT_TRUE(section.size() == 4 && section[2] == (Row{"Used", "", "00000002 byte(s)", "This section"}));
  const size_t told = desktop.desktop.messages().size();  // asked for what it does not offer, it says so
  EXPECT_FALSE(field->CreateFolder(nullptr) || field->Preview("") || field->Refresh() || field->Save() ||
               field->SaveAs() || field->SaveDefault("", true));
  EXPECT_EQ(desktop.desktop.messages().size(), told + 6);
  EXPECT_EQ(desktop.desktop.messages().back().text, "Sorry, not implemented now for " + field->caption + "!");
  const std::string previews = (dir / "Previews").string();  // a preview is written, then opened
  ASSERT_TRUE(message->Preview(previews) && !message->Preview(inboxPath));  // not into a file
  EXPECT_EQ(desktop.desktop.opened(), Strings{previews + "/Hello 00000005_00000002.eml"});
  desktop.desktop.AddSaveAnswer(previews + "/chosen.eml");  // Save as offers the subject for a name
  EXPECT_TRUE(message->SaveAs() && desktop.desktop.proposedSaveNames() == Strings{"Hello.eml"} &&
              ReadText(previews + "/chosen.eml") == "Hi" && !message->SaveAs());  // then cancelled
  std::filesystem::create_directory(previews + "/saved");
  desktop.desktop.AddFolderAnswer(previews + "/saved");  // Save asks for a directory
  EXPECT_TRUE(message->Save() && ReadText(previews + "/saved/Hello 00000005_00000002.eml") == "Hi");
  // Nothing is offered by roots and records whose file is no longer a database, or is gone.
  WriteFileBytes(foldersPath, std::vector<uint8_t>(0x3000, 0xAB));
  EXPECT_TRUE(Enabled(root).empty() && Enabled(cases[3].first).empty());
  std::filesystem::remove(inboxPath);
  EXPECT_TRUE(Enabled(messageRoot).empty() && Enabled(message).empty());
}

TEST(RecordImage, AFolderTakesItsImageFromIdTypeProtocolParentAndInfoAndAMessageFromItsFlags) {
  struct Case {
    uint32_t id, type, protocol, parent, info;
    int image;
  };
  const Case folders[] = {
      {0, 3, 0, 0, 0, F + 21},     {0xFFFFFFFF, 0, 0, 0, 0, -1}, {5, 0xFFFFFFFF, 0, 0, 0, -1},
      {5, 1, 0, 0, 0, F + 7},      {5, 3, 0, 0, 0, F + 9},       {5, 3, 0, 0, 0x100, F + 27},
      {5, 8, 0, 0, 0, F + 14},     {5, 8, 0, 0, 0x100, F + 32},  {5, 9, 0, 0, 0, F + 6},
      {5, 9, 0, 0, 0x200, F + 24}, {5, 9, 0, 0, 0x4000, F + 6},  {5, 0, 0, 0, 1, F + 16},
      {5, 0, 0, 0, 0, F + 18},     {5, 0, 0, 1, 0, F + 17},      {5, 0, 0, 1, 0x101, F + 22},
      {5, 0, 0, 1, 1, F + 15},     {5, 0, 2, 0, 1, F + 33},      {5, 0, 2, 0, 0, F + 18},
      {5, 0, 2, 1, 0, F + 13},     {5, 0, 2, 1, 0x101, F + 24},  {5, 0, 2, 1, 1, F + 6},
      {5, 0, 3, 0, 1, F + 20},     {5, 0, 3, 0, 0, F + 18},      {5, 0, 3, 1, 1, F + 6},
      {5, 0, 5, 0, 1, 1},
  };
  DbxBuilder folderDb(DbKind::Folder);
  std::vector<uint32_t> records;
  for (const Case& c : folders) {
    dbx::RecordBuilder record(/*folderDatabase=*/true);
    for (const auto& [id, value] :
         {std::pair{0x00, c.id}, {0x01, c.parent}, {0x06, c.info}, {0x09, c.type}, {0x0A, c.protocol}})
      record.SetInteger(static_cast<uint8_t>(id), value);
    records.push_back(folderDb.AddRecord(record));
  }
  DbFile file(folderDb);
  for (size_t i = 0; i < std::size(folders); ++i) {
    const Case& c = folders[i];
    EXPECT_EQ(RecordImage(file.store, records[i]), c.image)
        << std::hex << "id " << c.id << " type " << c.type << " protocol " << c.protocol << " parent "
        << c.parent << " info " << c.info;
  }
  const std::pair<uint32_t, int> messages[] = {{0x800, M + 24}, {0x880, M + 25}, {0x801, M + 26},
                                               {0x881, M + 27}, {0x01, M + 9},   {0x81, M + 10},
                                               {0x80, M + 30},  {0, M + 30}};
  DbxBuilder messageDb(DbKind::Message);
  records.clear();
  for (const auto& [flags, image] : messages)
    records.push_back(messageDb.AddMessage({.id = 1, .flags = flags}));
  DbFile messageFile(messageDb);
  for (size_t i = 0; i < std::size(messages); ++i)
    EXPECT_EQ(RecordImage(messageFile.store, records[i]), messages[i].second)
        << std::hex << messages[i].first;
}

// An item with no file behind it: it logs its end and answers rows with fixed texts.
class Probe : public DbItem {
 public:
  explicit Probe(ExplorerItem* parent, std::string name = "p", Strings* log = nullptr)
      : DbItem(parent, 0), name_(std::move(name)), log_(log) {}

  bool Expand() override { return true; }
  bool Explore() override { return true; }
  bool GetDisplayInfo(DisplayInfo& info) override {
    ++questions;
    if (info.WantsText()) info.SetText(name_ + " column " + std::to_string(info.column));
    if (info.WantsImage()) info.image = 0;
    return true;
  }
  bool IsCommandEnabled(int) override { return false; }
  void OnFinalRelease() override { Log("final release"); }

  int questions = 0;

 protected:
  ~Probe() override { Log("destroyed"); }

 private:
  void Log(const char* what) {
    if (log_ != nullptr) log_->push_back(name_ + " " + what);
  }

  std::string name_;
  Strings* log_;
};

class InMemoryControls : public ExplorerTest {};

TEST_F(InMemoryControls, DeletingANodeReleasesTheItemsOfTheNodesBelowItAndThenItsOwn) {
  Strings log;
  auto* top = new Probe(nullptr, "top", &log);
  auto* below = new Probe(top, "below", &log);
  const TreeNodeHandle topNode = tree.InsertNode(kTreeRoot, "top", 0, top);
  tree.InsertNode(topNode, "below", 0, below);
  EXPECT_FALSE(tree.SetNode(topNode, "x", 0, below) || tree.SetNode(0x7FFF, "x", 0, nullptr) ||
               tree.SelectNode(0x7FFF) || tree.ExpandNode(0x7FFF));  // not its item, no such node
  EXPECT_TRUE(tree.SetNode(topNode, "Top", 1, top) && tree.TextOf(topNode) == "Top");
  EXPECT_TRUE(tree.SelectNode(topNode) && tree.SelectNode(topNode));
  EXPECT_TRUE(tree.DeleteNode(topNode) && !tree.DeleteNode(topNode));
  EXPECT_EQ(log, (Strings{"below final release", "below destroyed", "top final release", "top destroyed"}));
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());
}

TEST_F(InMemoryControls, ACallbackRowAsksItsItemForTextsOnlyWhenShownAndOnlyOnce) {
  auto* item = new Probe(nullptr);
  ASSERT_TRUE(list.InsertRow(1, "x", 3) == -1 && list.InsertRow(0, "plain", 3) == 0);
  ASSERT_TRUE(list.InsertCallbackRow(2, item) == -1 && item->AddListRow(&list) == 1);
  EXPECT_EQ(item->questions, 0);
  EXPECT_EQ(list.RowTexts(1), (Row{"p column 0", "p column 1", "p column 2", "p column 3"}));
  EXPECT_TRUE(list.RowImage(1) == 0 && list.RowImage(2) == -1 && list.RowTexts(2) == Row{});
  const int questions = item->questions;  // the whole row, then column by column for an item like this
  list.RowTexts(1);
  EXPECT_TRUE(item->questions == questions && list.RowTexts(0) == (Row{"plain", "", "", ""}));
  list.SelectRows({0});
  EXPECT_TRUE(list.SetRowText(0, 0, "a") && list.SetRowText(0, 3, "b") && !list.SetRowText(0, 4, "x") &&
              !list.SetRowText(2, 0, "x") && list.RowTexts(0) == (Row{"a", "", "", "b"}));
  list.DeleteAllRows();
  EXPECT_TRUE(list.SelectedRows().empty());
  item->Release();
}

}  // namespace
}  // namespace vendrel
