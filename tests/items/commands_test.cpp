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

TEST_F(Commands, EachKindOfItemOffersItsCommandsWhileItsFileIsADatabase) {
  ExplorerItem* messageRoot = Find("Messages DB");
  ASSERT_NE(messageRoot, nullptr);
  auto* message = Find<RecordItem>("00000002 Hello");
  ASSERT_NE(message, nullptr);
  const auto field = MakeItem<FieldItem>(message, message->ra + 12, message->ra + 12 + 4 * 16);
  const std::pair<ExplorerItem*, Ids> cases[] = {
      {root, {32779, 32787}},
      {messageRoot, {32774, 32777, 32779, 32787, 32788}},
      {message, {32774, 32775, 32777, 32776, 32779}},
      {Find("00000001 Inbox"), {32774, 32777, 32779, 32787}},
      {Find("000000E4 All indexes by ID"), {32774, 32777, 32779}},
      {Find("Index "), {32774, 32777, 32779}},
      {Find("000000E4", messageRoot->hTreeItem), {32774, 32777, 32779}},
      {Find("Index ", messageRoot->hTreeItem), {32774, 32777, 32779}},
      {Find("Section "), {32774, 32779}},
      {field.get(), {}},
  };
  for (const auto& [item, ids] : cases) {
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(Enabled(item), ids) << item->caption;
  }
  // Nothing is offered by roots and records whose file is no longer a database, or is gone.
  testsupport::WriteFileBytes(foldersPath, std::vector<uint8_t>(0x3000, 0xAB));
  EXPECT_EQ(Enabled(root), Ids{});
  EXPECT_EQ(Enabled(cases[3].first), Ids{});
  std::filesystem::remove(inboxPath);
  EXPECT_EQ(Enabled(messageRoot), Ids{});
  EXPECT_EQ(Enabled(message), Ids{});
}

}  // namespace
}  // namespace vendrel
