// Which menu and toolbar commands each kind of item offers, by kind of database.
#include <gtest/gtest.h>

#include "explorer_fixture.h"
#include "items/command_ids.h"
#include "items/field_item.h"
#include "items/record_item.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::Folder;
using testsupport::Message;
using Ids = std::vector<int>;

// Folders.dbx with Inbox, whose message database holds one message with a text, all opened.
class Commands : public testsupport::ExplorerTest {
 protected:
  void SetUp() override {
    ExplorerTest::SetUp();
    DbxBuilder messages(DbKind::Message);
    messages.SetIndex(0, std::vector{messages.AddMessage(Message(2, "Hello", "Hi"))});
    inboxPath = Write(messages, "Inbox.dbx");
    DbxBuilder folders(DbKind::Folder);
    folders.AddFolders({Folder(1, "Inbox", 0, "Inbox.dbx")});
    foldersPath = Write(folders, "Folders.dbx");
    root = Open(foldersPath);
    ASSERT_NE(root, nullptr);
    Walk(root);
  }

  static Ids Enabled(ExplorerItem* item) {
    Ids ids;
    for (const int command : kDatabaseCommands) {
      if (item->IsCommandEnabled(command)) ids.push_back(command);
    }
    return ids;
  }

  DbRootItem* root = nullptr;
  std::string inboxPath, foldersPath;
};

TEST_F(Commands, DatabaseRootsOfferSavingForMessagesAndRefreshAndNewFolderForBoth) {
  EXPECT_EQ(Enabled(Find("Messages DB")), (Ids{32774, 32777, 32779, 32787, 32788}));
  EXPECT_EQ(Enabled(root), (Ids{32779, 32787}));
}

TEST_F(Commands, MessagesOfferEverySaveAndPreviewWhileFoldersOfferNewFolder) {
  EXPECT_EQ(Enabled(Find("00000002 Hello")), (Ids{32774, 32775, 32777, 32776, 32779}));
  EXPECT_EQ(Enabled(Find("00000001 Inbox")), (Ids{32774, 32777, 32779, 32787}));
}

TEST_F(Commands, IndexItemsOfferSaveSaveDefaultAndRefreshInEitherKindOfDatabase) {
  ExplorerItem* folderSlot = Find("000000E4 All indexes by ID");
  ExplorerItem* folderNode = Find("Index ");
  ExplorerItem* messageRoot = Find("Messages DB");
  ASSERT_NE(messageRoot, nullptr);
  ExplorerItem* messageSlot = Find("000000E4", messageRoot->hTreeItem);
  ExplorerItem* messageNode = Find("Index ", messageRoot->hTreeItem);
  for (ExplorerItem* item : {folderSlot, folderNode, messageSlot, messageNode}) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Enabled(item), (Ids{32774, 32777, 32779})) << item->caption;
  }
}

TEST_F(Commands, SectionsOfferSaveAndRefreshAndPropertiesOfferNothing) {
  EXPECT_EQ(Enabled(Find("Section ")), (Ids{32774, 32779}));
  auto* message = Find<RecordItem>("00000002 Hello");
  ASSERT_NE(message, nullptr);
  const auto field = MakeItem<FieldItem>(message, message->ra + 12, message->ra + 12 + 4 * 16);
  EXPECT_EQ(Enabled(field.get()), Ids{});
}

TEST_F(Commands, NothingIsOfferedByRootsAndRecordsWhoseFileIsGone) {
  ExplorerItem* messageRoot = Find("Messages DB");
  ExplorerItem* message = Find("00000002 Hello");
  ExplorerItem* folder = Find("00000001 Inbox");
  std::filesystem::remove(foldersPath);
  std::filesystem::remove(inboxPath);
  for (ExplorerItem* item : {static_cast<ExplorerItem*>(root), messageRoot, message, folder}) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Enabled(item), Ids{}) << item->caption;
  }
}

TEST_F(Commands, NothingIsOfferedByARootWhoseFileIsNoLongerADatabase) {
  testsupport::WriteFileBytes(foldersPath, std::vector<uint8_t>(0x3000, 0xAB));
  EXPECT_EQ(Enabled(root), Ids{});
}

TEST_F(Commands, NothingIsOfferedByAFolderWhoseFileIsNoLongerADatabase) {
  ExplorerItem* folder = Find("00000001 Inbox");
  testsupport::WriteFileBytes(foldersPath, std::vector<uint8_t>(0x3000, 0xAB));
  EXPECT_EQ(Enabled(folder), Ids{});
}

}  // namespace
}  // namespace vendrel
