// Saving messages: one message, an index node's entries, a whole database.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>

#include "dbx/header.h"
#include "export/message_file.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/index_node_item.h"
#include "items/record_item.h"
#include "platform/format.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using namespace testsupport;
namespace fs = std::filesystem;

class Saving : public testing::Test {
 protected:
  uint32_t Message(const std::string& subject, const std::string& text = "Subject: x\r\n\r\nbody\r\n") {
    return records.emplace_back(builder.AddMessage({++lastId, subject, text}));
  }

  // Writes the database and attaches a root item to it, as a window would.
  DbRootItem& Attach() {
    builder.SetLastAssignedId(lastId);
    const std::string path = (dir / "Inbox.dbx").string();
    builder.WriteTo(path);
    root = new DbRootItem(nullptr, 0);
    EXPECT_TRUE(root->AttachDatabase(path, &tree, &list, true, false));
    return *root;
  }

  // A record item of the database, loaded without a tree node.
  ItemRef<RecordItem> Record(uint32_t ra) {
    auto record = MakeItem<RecordItem>(root, ra, 0);
    DbStore store;
    EXPECT_TRUE(root->OpenStore(store) && record->LoadRecord(store, false, false));
    return record;
  }

  TempDir dir, out;
  DbxBuilder builder{DbKind::Message};
  std::vector<uint32_t> records;
  uint32_t lastId = 0x10;
  InMemoryTreeView tree;
  InMemoryListView list;
  DbRootItem* root = nullptr;
  ScopedDesktop desktop;
};

TEST_F(Saving, AWholeSaveMakesItsDirectoryAndThePrototypeByteChoosesTheExtension) {
  builder.SetIndex(0, std::vector{Message("s")});
  for (const auto& [prototype, extension] : std::vector<std::pair<uint8_t, std::string>>{
           {0, "nws"}, {1, "txt"}, {2, "eml"}, {3, "eml"}, {9, "txt"}}) {
    const fs::path target = out / std::to_string(prototype);  // not there yet
    builder.SetU8(dbx::kPrototypeField, prototype);
    EXPECT_EQ(Attach().SaveAll(target.string()).saved, 1);
    EXPECT_TRUE(fs::exists(target / "Inbox" / ("s 00000005_00000011." + extension))) << int{prototype};
    tree.DeleteAll();
  }
  Message("t");  // an index node on its own saves each of its entries
  const uint32_t node = builder.SetIndex(0, records);
  Attach();
  ASSERT_TRUE(MakeItem<IndexNodeItem>(root, node)->SaveDefault((out / "node").string(), true));
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(out / "node"), {}), 3);  // a directory, two files
}

TEST_F(Saving, AFolderNameThatPointsOutsideTheDirectoryStaysInsideIt) {
  for (const auto& [hostile, safe] : {std::pair{"..", "__"}, {"../../escape", ".._.._escape"}, {"", "_"}}) {
    builder.SetFolder({.name = hostile});
    const uint32_t ra = Message("x");
    Attach();
    const fs::path target = out / "a" / "t";  // what escaped would land in out
    fs::remove_all(target);
    fs::create_directory(out / "a");
    EXPECT_TRUE(Record(ra)->SaveDefault(target, true)) << hostile;
    // Everything written is one file, in a directory directly below the chosen one, and its path is shown.
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(out.path()))
      if (entry.is_regular_file()) files.push_back(entry.path());
    ASSERT_EQ(files.size(), 1u) << hostile;
    EXPECT_EQ(files[0].parent_path(), target / safe) << hostile;
    EXPECT_EQ(desktop.desktop.statusLines().back(), files[0].string());
    tree.DeleteAll();
  }
}

TEST_F(Saving, WhatHoldsNoMessageTextSavesNothingAndADamagedNodeSaysItFailed) {
  Message("header only", "");
  const uint32_t node = builder.SetIndex(0, records);
  Attach();
  EXPECT_EQ(root->SaveAll(out.path()).problems, std::vector<std::string>{(dir / "Inbox.dbx").string() +
                ": 1 messages have no text in the file (never downloaded): left out"});
  EXPECT_FALSE(fs::exists(out / "Inbox"));  // no empty folder directory
  EXPECT_EQ(desktop.desktop.statusLines().back(), "Saved 0 msgs (1 total).Path: " + out.path().string());
  EXPECT_FALSE(MakeItem<IndexNodeItem>(root, node + 4)->SaveDefault(out.path(), true));
  for (const bool preview : {false, true}) {  // said before a folder is asked for, or anything made
    const auto record = MakeItem<RecordItem>(root, records[0], 0);
    EXPECT_FALSE(preview ? record->Preview((out / "p").string()) : record->Save());
    EXPECT_EQ(desktop.desktop.messages().back().text, kNoBody);
  }

  DbxBuilder folders(DbKind::Folder);
  folders.AddFolders({{1, 0, "Inbox", "Inbox.dbx"}});
  auto* folderRoot = new DbRootItem(nullptr, 0);
  ASSERT_TRUE(folderRoot->AttachDatabase(folders.WriteTo(dir / "Folders.dbx"), &tree, &list, true, false));
  EXPECT_FALSE(folderRoot->SaveDefault((out / "f").string(), true));
  EXPECT_FALSE(MakeItem<IndexNodeItem>(folderRoot, folders.U32(dbx::RootSlot(0)))
                   ->SaveDefault((out / "g").string(), true));
  EXPECT_TRUE(fs::is_empty(out / "f") && fs::is_empty(out / "g"));  // each made, though nothing is saved
}

TEST_F(Saving, ATreeThatLoopsIsSavedOnceRoundAndSaidSoAndOneWithoutARootIsNotSaved) {
  for (int i = 0; i < 3; ++i) Message("m");
  const uint32_t node = builder.AddNode();
  builder.SetNodeEntries(node, {{records[0]}, {records[1]}, {records[2], node}}).SetIndexSlot(0, node, 3);
  Attach();
  const std::vector<std::string> problems = root->SaveAll(out.path()).problems;
  EXPECT_TRUE(problems.size() == 1 && problems[0].ends_with(": its index tree loops; the messages beyond the "
                                                            "loop are left out"));
  EXPECT_EQ(std::distance(fs::directory_iterator(out / "Inbox"), fs::directory_iterator()), 3);
  builder.SetIndexSlot(0, records[0], 3);  // a record where the tree's root should be
  Attach();
  EXPECT_FALSE(root->SaveDefault(out.path(), true));
  EXPECT_EQ(root->failure, Format("the index node at %08X is not valid", records[0]));
}

}  // namespace
}  // namespace vendrel
