// Creating folders in Folders.dbx from a folder record or from a message database's root: the parent, the
// dialog, and what the user is told when the folder is refused (the writing itself is dbx's).
#include "items/folder_creation.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/record.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/record_item.h"
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

  inline static const std::string kName = "Sub";

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

  TempDir dir;
  DbxBuilder folders{DbKind::Folder};
  InMemoryTreeView tree;
  InMemoryListView list;
  DbRootItem* root = nullptr;
  DbStore folderStore;
  ScopedDesktop desktop;
};

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
}

TEST_F(CreateFolder, WhatTheUserCanMendIsSaidInABoxAndEveryRefusalGivesTheItemItsReason) {
  EXPECT_FALSE(CreateIn(1, "日本"));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Choose another name");
  EXPECT_NE(desktop.desktop.messages()[0].text.find("code page WINDOWS-1252"), std::string::npos);
  RecordItem* junk = Folder(9);  // no "Any info" to mark a subfolder by: nothing the user could mend
  EXPECT_FALSE(junk->CreateFolder(&kName));
  EXPECT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(junk->failure,
            "folder 00000009 cannot hold subfolders: it keeps no \"Any info\" flags to mark them by");
  EXPECT_EQ(Folders().ReadU32(dbx::kLastAssignedIdField), 0x20u);
  folderStore.Close();

  folders.SetU32(dbx::CountSlot(2), 7);  // a tree count that does not add up
  const std::vector<uint8_t> damaged = ReadFileBytes(folders.WriteTo(dir / "Folders.dbx"));
  EXPECT_FALSE(CreateIn(1, "Archive"));
  EXPECT_EQ(desktop.desktop.messages().back().text,
            "The folder database is damaged: index tree 2 holds 5 records, its header says 7.\nNothing was "
            "changed.");
  EXPECT_EQ(ReadFileBytes(dir / "Folders.dbx"), damaged);
}

TEST_F(CreateFolder, TheRootOfAMessageDatabaseCreatesUnderItsFolderInTheFoldersDbxBesideIt) {
  auto* inbox = new DbRootItem(nullptr, 0);
  ASSERT_TRUE(inbox->AttachDatabase((dir / "Inbox.dbx").string(), &tree, &list, true, false));
  desktop.desktop.AddFolderNameAnswer("Receipts");
  ASSERT_TRUE(inbox->CreateFolder(nullptr));
  EXPECT_EQ(desktop.desktop.folderDialogParents(), (Names{"Inbox"}));
  EXPECT_EQ(Children(1, 5), (Names{"Family", "Receipts"}));
  EXPECT_FALSE(InsertFolderRecord(*inbox, 5, "Receipts").inserted());  // only into a folder database
  desktop.desktop.AddFolderNameAnswer("Orphan");
  EXPECT_FALSE(root->CreateFolder(nullptr));  // Folders.dbx's own root has no parent folder: no dialog
  EXPECT_EQ(desktop.desktop.folderDialogParents().size(), 1u);
  std::filesystem::remove(dir / "Inbox.dbx");
  EXPECT_TRUE(!inbox->CreateFolder(nullptr) && desktop.desktop.messages().empty());  // gone: nothing to say
}

}  // namespace
}  // namespace vendrel
