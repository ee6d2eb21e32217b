// Creating folders in Folders.dbx from a folder record or from a message database's root; a creation
// never makes an archive worse: it is written whole or not at all, whichever write fails, and a damaged
// folder database is refused unchanged with a message saying so.
#include "items/folder_creation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/record.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/record_item.h"
#include "platform/write_faults.h"
#include "store/allocation.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"
#include "support/tree_reading.h"

namespace vendrel {
namespace {

using namespace testsupport;
using Names = std::vector<std::string>;

class CreateFolder : public testing::Test {
 protected:
  void SetUp() override {
    // "Any info": 0x10 marks a folder with subfolders; Junk has none at all.
    folders.AddFolders({{1, 0, "Local Folders", "", true, 0x10},
                        {5, 1, "Inbox", "Inbox.dbx", true, 0x10},
                        {6, 1, "Outbox", "Outbox.dbx", true, 0x01},
                        {7, 5, "Family", "Family.dbx", true, 0x04},
                        {8, 1, "Drafts", "", true, 0x12},
                        {9, 1, "Junk", "", false, 0}},
                       2);
    folders.SetLastAssignedId(0x20);
    DbxBuilder(DbKind::Message).WriteTo(dir / "Inbox.dbx");  // its header names folder 5, Inbox, by default
    root = new DbRootItem(nullptr, 0);
    ASSERT_TRUE(root->AttachDatabase(folders.WriteTo(dir / "Folders.dbx"), &tree, &list, true, false));
  }

  // The folder record item with this FolderID, shown under the root as the explorer would.
  RecordItem* Folder(uint32_t id) {
    DbStore store;
    EXPECT_TRUE(root->OpenStore(store));
    dbx::IndexCursor cursor(*store.ReadU32(dbx::RootSlot(0)), dbx::IndexCursor::MatchId, id);
    auto* item = new RecordItem(root, cursor.Next(store), *store.ReadU32(dbx::RootSlot(2)));
    EXPECT_TRUE(item->LoadRecord(store, true, false));
    return item;
  }

  // CreateFolder of that folder record, with the name given instead of asked for.
  bool CreateIn(uint32_t id, const std::string& name) { return Folder(id)->CreateFolder(&name); }

  DbStore& Folders() {
    folderStore.Open((dir / "Folders.dbx").string());
    return folderStore;
  }

  // The names of the subfolders of a parent, as the cursor finds them in tree k.
  Names Children(int k, uint32_t parent) {
    DbStore& store = Folders();
    dbx::IndexCursor cursor(*store.ReadU32(dbx::RootSlot(k)), dbx::IndexCursor::MatchParentId, parent);
    Names names;
    for (uint32_t ra; (ra = cursor.Next(store)) != 0;) names.emplace_back(*dbx::GetDisplayName(store, ra));
    return names;
  }

  uint32_t AnyInfo(uint32_t id) {
    DbStore& store = Folders();
    dbx::IndexCursor cursor(*store.ReadU32(dbx::RootSlot(0)), dbx::IndexCursor::MatchId, id);
    return dbx::GetDword(store, cursor.Next(store), 0x06);
  }

  TempDir dir;
  DbxBuilder folders{DbKind::Folder};
  InMemoryTreeView tree;
  InMemoryListView list;
  DbRootItem* root = nullptr;
  DbStore folderStore;
  ScopedDesktop desktop;
};

TEST_F(CreateFolder, TheNewFolderTakesTheNextIdAndEntersAllThreeTreesInOrder) {
  // Archive belongs in the root's left child, Letters at the end of the subtree of the entry before it.
  ASSERT_TRUE(CreateIn(1, "Archive") && CreateIn(1, "Letters"));
  DbStore& store = Folders();
  EXPECT_EQ(store.ReadU32(dbx::kLastAssignedIdField), 0x22u);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(TreeFault(store, k), "") << k;  // and counted
  EXPECT_EQ(NamesInOrder(store, 0),
            (Names{"Local Folders", "Inbox", "Outbox", "Family", "Drafts", "Junk", "Archive", "Letters"}));
  EXPECT_EQ(NamesInOrder(store, 1),
            (Names{"Local Folders", "Archive", "Drafts", "Inbox", "Junk", "Letters", "Outbox", "Family"}));
  EXPECT_EQ(Children(2, 1),
            (Names{"Archive", "Drafts", "Inbox", "Letters", "Outbox"}));  // Junk is not subscribed
  const uint32_t ra =
      dbx::IndexCursor(*store.ReadU32(dbx::RootSlot(0)), dbx::IndexCursor::MatchId, 0x21).Next(store);
  EXPECT_TRUE(dbx::GetParentOrFlags(store, ra) == 1u && dbx::GetDword(store, ra, 0x06) == 0x00040021u &&
              dbx::GetDword(store, ra, 0x0A) == 3u);
  EXPECT_FALSE(dbx::FindProperty(store, ra, 0x03).has_value());  // no message database of its own
}

TEST_F(CreateFolder, TheFirstSubfolderSetsTheParentsFlagAndASecondLeavesIt) {
  for (const char* name : {"One", "Two"}) EXPECT_TRUE(CreateIn(6, name) && AnyInfo(6) == 0x11u) << name;
  EXPECT_EQ(Children(1, 6), (Names{"One", "Two"}));
  // A flag that is set already although the folder has no subfolders stays set: nothing carries over.
  EXPECT_TRUE(CreateIn(8, "Three") && AnyInfo(8) == 0x12u);
}

TEST_F(CreateFolder, TheDialogRefusesASiblingsNameInAnyLetterCaseAndAcceptsItUnderAnotherParent) {
  desktop.desktop.AddFolderNameAnswer("DRAFTS");
  EXPECT_FALSE(Folder(1)->CreateFolder(nullptr));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_TRUE(desktop.desktop.messages()[0].text == "Name already in database" &&
              desktop.desktop.messages()[0].caption == "Choose another name");
  EXPECT_EQ(desktop.desktop.folderDialogParents(), (Names{"Local Folders"}));

  // Then the user types an empty name (OK stays disabled), then one under another parent.
  for (const char* typed : {"", "Outbox"}) desktop.desktop.AddFolderNameAnswer(typed);
  EXPECT_TRUE(Folder(5)->CreateFolder(nullptr) && Children(1, 5) == (Names{"Family", "Outbox"}));
  EXPECT_EQ(Folders().ReadU32(dbx::kLastAssignedIdField), 0x21u);
}

TEST_F(CreateFolder, ANameTheCodePageCannotHoldOrTooLongForTheDialogIsRefusedWithAClearMessage) {
  const std::pair<std::string, std::string> refused[] = {{"日本", "code page WINDOWS-1252"},
                                                         {std::string(260, 'x'), "The name is too long."},
                                                         {std::string("a\0b", 3), "The name is too long."}};
  for (const auto& [name, told] : refused) {
    EXPECT_FALSE(CreateIn(1, name));
    ASSERT_FALSE(desktop.desktop.messages().empty());
    EXPECT_NE(desktop.desktop.messages().back().text.find(told), std::string::npos) << told;
  }
  EXPECT_EQ(Folders().ReadU32(dbx::kLastAssignedIdField), 0x20u);

  ASSERT_TRUE(CreateIn(1, "Réception"));
  EXPECT_EQ(Children(1, 1), (Names{"Drafts", "Inbox", "Junk", "Outbox", "R\351ception"}));
  EXPECT_TRUE(CreateIn(1, std::string(259, 'x')));  // the longest name the dialog holds
}

TEST_F(CreateFolder, TheRootOfAMessageDatabaseCreatesUnderItsFolderInTheFoldersDbxBesideIt) {
  auto* inbox = new DbRootItem(nullptr, 0);
  ASSERT_TRUE(inbox->AttachDatabase((dir / "Inbox.dbx").string(), &tree, &list, true, false));
  desktop.desktop.AddFolderNameAnswer("Receipts");
  ASSERT_TRUE(inbox->CreateFolder(nullptr));
  EXPECT_EQ(desktop.desktop.folderDialogParents(), (Names{"Inbox"}));
  EXPECT_EQ(Children(1, 5), (Names{"Family", "Receipts"}));
  EXPECT_FALSE(InsertFolderRecord(*inbox, 5, "Receipts"));  // only into a folder database
  EXPECT_FALSE(root->CreateFolder(nullptr));                // Folders.dbx's own root has no parent folder
  std::filesystem::remove(dir / "Inbox.dbx");
  EXPECT_TRUE(!inbox->CreateFolder(nullptr) && desktop.desktop.messages().empty());  // gone: nothing to say
}

class FolderSafety : public testing::Test {
 protected:
  // Local Folders with 60 subfolders: full nodes, so that the new folder needs new nodes and room.
  DbxBuilder Store(uint32_t subfolders = 60) {
    std::vector<FolderSpec> folders = {{1, 0, "Local Folders", "", true, 0x10}};
    for (uint32_t id = 2; id < subfolders + 2; ++id)
      folders.push_back({id, 1, "Folder " + std::to_string(id), "", true, 0x01});
    DbxBuilder builder(DbKind::Folder);
    builder.AddFolders(folders);
    return builder.SetLastAssignedId(subfolders + 1);
  }
  // Creates a folder under folder 1 in the file the builder makes; whether it says it did.
  bool Create(const DbxBuilder& builder, const std::string& name = "Archive") {
    const auto root = MakeItem<DbRootItem>(nullptr, 0);
    return root->AttachDatabase(builder.WriteTo(path), nullptr, nullptr, false, false) &&
           InsertFolderRecord(*root, 1, name);
  }
  // Whether the folder is in every tree of a file whose trees are sound.
  bool Complete(const std::string& name = "Archive") {
    DbStore store;
    if (!store.Open(path.string())) return false;
    // Room the file grew by and nothing holds yet is zeros.
    const uint32_t end = store.ReadU32(kAllocatedSizeField).value_or(0);
    const uint32_t room = static_cast<uint32_t>(store.viewLength() - end);
    const uint8_t* tail = store.At(end, room);
    if (tail == nullptr || std::count(tail, tail + room, 0) != room) return false;
    for (int k = 0; k < 3; ++k)
      if (!TreeFault(store, k).empty() || std::ranges::count(NamesInOrder(store, k), name) != 1) return false;
    return true;
  }

  TempDir dir;
  ScopedDesktop desktop;
  std::filesystem::path path = dir / "Folders.dbx";
};

TEST_F(FolderSafety, WhicheverWriteFailsTheFileIsAsBeforeOrHoldsTheWholeFolder) {
  const DbxBuilder store = Store();
  uint64_t failedAt = 1;
  for (;; ++failedAt) {
    ArmWriteFault(failedAt);
    const bool created = Create(store);
    const bool reached = WritePointsPassed() >= failedAt;
    ArmWriteFault(0);
    if (!reached) {
      EXPECT_TRUE(created && Complete()) << "without a failure the folder is made";
      break;
    }
    // A failed write is never taken for a good one: the change is refused and nothing of it written.
    EXPECT_FALSE(created) << "write " << failedAt << " failed, yet the folder was reported made";
    EXPECT_EQ(ReadFileBytes(path), store.bytes()) << "write " << failedAt << " failed";
  }
  EXPECT_GT(failedAt, 20u) << "too few write points: the test would prove little";
}

TEST_F(FolderSafety, ADamagedFolderDatabaseIsRefusedUnchangedWithAMessage) {
  const std::pair<const char*, void (*)(DbxBuilder&)> damages[] = {
      {"free space below live structures",
       [](DbxBuilder& b) {
         b.SetAllocatedSize(kBuilderHeaderSize).SetDescriptor(kEntryHeapDescriptor, 0, 0, 0);
       }},
      {"free space over the index nodes",
       [](DbxBuilder& b) {
         b.SetAllocatedSize(b.U32(dbx::RootSlot(0))).SetDescriptor(kEntryHeapDescriptor, 0, 0, 0);
       }},
      {"two trees sharing their nodes",
       [](DbxBuilder& b) { b.SetIndexSlot(1, b.U32(dbx::RootSlot(0)), b.U32(dbx::CountSlot(0))); }},
      {"a root whose parent link is not 0",
       [](DbxBuilder& b) { b.SetU32(b.U32(dbx::RootSlot(1)) + 0x0C, 0x3000); }},
      {"a tree count that does not add up", [](DbxBuilder& b) { b.SetU32(dbx::CountSlot(2), 7); }},
      {"a last ID below a folder's", [](DbxBuilder& b) { b.SetLastAssignedId(40); }},
      {"a last ID that leaves no ID", [](DbxBuilder& b) { b.SetLastAssignedId(0xFFFFFFFE); }},
  };
  for (const auto& [what, apply] : damages) {
    DbxBuilder store = Store();
    apply(store);
    const size_t told = desktop.desktop.messages().size();
    EXPECT_FALSE(Create(store)) << what;
    EXPECT_EQ(ReadFileBytes(path), store.bytes()) << what;
    ASSERT_EQ(desktop.desktop.messages().size(), told + 1) << what;
    const std::string& said = desktop.desktop.messages().back().text;
    EXPECT_TRUE(said.starts_with("The folder database is damaged: ")) << what << ": " << said;
    EXPECT_TRUE(said.ends_with("\nNothing was changed.")) << what << ": " << said;
  }
  EXPECT_TRUE(Create(Store().SetLastAssignedId(0xFFFFFFFD)));  // but one ID left is enough
  EXPECT_TRUE(Create(Store(49)) && Complete());                // a node one short of full is filled
  EXPECT_TRUE(Create(Store(50), "New") && Complete("New"));    // a full one hangs a new child for it
}

}  // namespace
}  // namespace vendrel
