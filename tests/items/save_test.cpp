// Saving messages: one message, an index node's entries, a whole database.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include <filesystem>

#include "dbx/header.h"
#include "dbx/record.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/index_node_item.h"
#include "items/record_item.h"
#include "platform/format.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::MessageSpec;
namespace fs = std::filesystem;

class Saving : public testing::Test {
 protected:
  uint32_t Message(const std::string& subject, const std::string& text = "Subject: x\r\n\r\nbody\r\n") {
    MessageSpec message;
    message.id = ++lastId;
    message.subject = subject;
    message.text = text;
    const uint32_t ra = builder.AddMessage(message);
    records.push_back(ra);
    return ra;
  }

  // Writes the database and attaches a root item to it, as a window would.
  DbRootItem& Attach() {
    builder.SetLastAssignedId(lastId);
    path = (dir / "Inbox.dbx").string();
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

  std::vector<std::string> SavedFiles(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  testsupport::TempDir dir;
  testsupport::TempDir out;
  DbxBuilder builder{DbKind::Message};
  std::vector<uint32_t> records;
  uint32_t lastId = 0x10;
  std::string path;
  InMemoryTreeView tree;
  InMemoryListView list;
  DbRootItem* root = nullptr;
  testsupport::ScopedDesktop desktop;
};

TEST_F(Saving, SaveDefaultWritesSafeSubjectFolderIdAndIdIntoTheFolderDirectoryAndOverwritesWhenAgain) {
  const uint32_t ra = Message("Re: hi");
  const uint32_t noSubject = Message("");
  const uint32_t unsafe = Message("a<b>:c\"d/e\\f|g*h?i\tj and then some more text to cut");
  const uint32_t same = Message("Re: hi");
  Attach();
  for (const uint32_t record : {ra, noSubject, unsafe, same, same})
    EXPECT_TRUE(Record(record)->SaveDefault(out.path(), true));
  EXPECT_EQ(SavedFiles(out / "Inbox"),
            (std::vector<std::string>{"(No subject) 00000005_00000012.eml", "Re_ hi 00000005_00000011.eml",
                                      "Re_ hi 00000005_00000014.eml",
                                      "a_b__c_d_e_f_g_h_i_j and then some more 00000005_00000013.eml"}));
  EXPECT_EQ(desktop.desktop.statusLines().back(), (out / "Inbox" / "Re_ hi 00000005_00000014.eml").string());
}

TEST_F(Saving, ThePrototypeByteChoosesTheExtension) {
  for (const auto& [prototype, extension] : std::vector<std::pair<uint8_t, std::string>>{
           {0, "nws"}, {1, "txt"}, {2, "eml"}, {3, "eml"}, {9, "txt"}}) {
    builder.SetU8(dbx::kPrototypeField, prototype);
    const uint32_t ra = Message("s");
    Attach();
    const fs::path target = out / std::to_string(prototype);
    EXPECT_TRUE(Record(ra)->SaveDefault(target, false));
    EXPECT_EQ(SavedFiles(target / "Inbox"),
              (std::vector<std::string>{Format("s 00000005_%08X.%s", lastId, extension.c_str())}))
        << int{prototype};
    tree.DeleteAll();
  }
}

TEST_F(Saving, AFolderNameThatPointsOutsideTheDirectoryStaysInsideIt) {
  for (const char* hostile : {"..", "../../escape"}) {
    testsupport::FolderDescription folder;
    folder.name = hostile;
    builder.SetFolder(folder);
    const uint32_t ra = Message("x");
    Attach();
    const fs::path target = out / "t";
    fs::remove_all(target);
    EXPECT_TRUE(Record(ra)->SaveDefault(target, true)) << hostile;
    // Everything written lies in one directory directly below the chosen one.
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(out.path())) {
      if (entry.is_regular_file()) {
        ++files;
        EXPECT_EQ(entry.path().parent_path().parent_path(), target) << hostile;
      }
    }
    EXPECT_EQ(files, 1u) << hostile;
    EXPECT_FALSE(fs::exists(dir.path().parent_path() / "escape"));
    tree.DeleteAll();
  }
}

TEST_F(Saving, SaveAsProposesTheSafeNameAndWritesWhereTheUserChose) {
  const uint32_t ra = Message("Re: plan");
  Attach();
  desktop.desktop.AddSaveAnswer((out / "chosen.eml").string());
  EXPECT_TRUE(Record(ra)->SaveAs());
  EXPECT_EQ(desktop.desktop.proposedSaveNames(), (std::vector<std::string>{"Re_ plan.eml"}));
  EXPECT_TRUE(fs::exists(out / "chosen.eml"));
  EXPECT_FALSE(Record(ra)->SaveAs());  // cancelled: no answer left
}

TEST_F(Saving, SaveAsksForAFolderAndPreviewOpensTheFile) {
  const uint32_t ra = Message("p");
  Attach();
  desktop.desktop.AddFolderAnswer(out.path().string());
  EXPECT_TRUE(Record(ra)->Save());
  EXPECT_EQ(SavedFiles(out.path()), (std::vector<std::string>{"p 00000005_00000011.eml"}));
  EXPECT_FALSE(Record(ra)->Save());  // the browser was cancelled

  EXPECT_TRUE(Record(ra)->Preview((out / "Previews").string()));
  EXPECT_EQ(desktop.desktop.opened(), (std::vector{(out / "Previews" / "p 00000005_00000011.eml").string()}));
}

class WholeSaves : public Saving {
 protected:
  // Forty messages in a tree of at most three entries a node: many levels, left children and entry
  // children.
  void SetUp() override {
    for (int i = 0; i < 40; ++i) Message("m" + std::to_string(i));
    rootNode = builder.SetIndex(0, records, 3);
    Attach();
  }

  uint32_t rootNode = 0;
};

TEST_F(WholeSaves, TheRootSavesEveryMessageOnceInTreeOrderAndReportsTheCount) {
  // Files are written in tree order: after each step, the one file that is new is the next message's.
  std::vector<std::string> before, written;
  desktop.desktop.OnProgress([&](uint64_t) {
    const std::vector<std::string> now = SavedFiles(out / "Inbox");
    std::vector<std::string> added;
    std::set_difference(now.begin(), now.end(), before.begin(), before.end(), std::back_inserter(added));
    if (added.size() == 1) written.push_back(added.front());
    before = now;
  });
  ASSERT_TRUE(root->SaveDefault(out.path(), true));
  EXPECT_EQ(SavedFiles(out / "Inbox").size(), 40u);
  // The count, not a path per file, is what the status line shows.
  EXPECT_EQ(desktop.desktop.statusLines().back(), "Saved 40 msgs (40 total).Path: " + out.path().string());
  for (const std::string& line : desktop.desktop.statusLines()) EXPECT_FALSE(line.ends_with(".eml")) << line;
  ASSERT_EQ(written.size(), 40u);
  for (int i = 0; i < 40; ++i) {
    char id[9];
    std::snprintf(id, sizeof id, "%08X", 0x11 + i);
    EXPECT_NE(written[static_cast<size_t>(i)].find(id), std::string::npos) << i;
  }
  EXPECT_EQ(desktop.desktop.progress().back(), (std::pair<uint64_t, uint64_t>{40, 40}));
}

TEST_F(WholeSaves, AnIndexNodeSavesOnlyItsOwnEntries) {
  const auto node = MakeItem<IndexNodeItem>(root, rootNode);
  EXPECT_TRUE(node->SaveDefault(out.path(), true));
  EXPECT_EQ(SavedFiles(out / "Inbox").size(), 3u);
  EXPECT_EQ(desktop.desktop.statusLines().back(), "Saved 3 msgs (3 total).Path: " + out.path().string());
}

TEST_F(WholeSaves, AStopBetweenTwoMessagesEndsTheSaveThere) {
  desktop.desktop.StopAfter(5);
  const SaveCount count = root->SaveAll(out.path());
  EXPECT_TRUE(count.stopped);
  EXPECT_EQ(count.saved, 5);
  EXPECT_EQ(SavedFiles(out / "Inbox").size(), 5u);
  EXPECT_EQ(desktop.desktop.statusLines().back(), "Saved 5 msgs (40 total).Path: " + out.path().string());
}

TEST_F(Saving, WhatHoldsNoMessageTextSavesNothingAndADamagedNodeSaysItFailed) {
  Message("header only", "");
  const uint32_t node = builder.SetIndex(0, records);
  Attach();
  const SaveCount count = root->SaveAll(out.path());
  EXPECT_EQ(count.withoutText, 1);
  EXPECT_FALSE(fs::exists(out / "Inbox"));  // no empty folder directory
  EXPECT_EQ(desktop.desktop.statusLines().back(), "Saved 0 msgs (1 total).Path: " + out.path().string());
  EXPECT_FALSE(MakeItem<IndexNodeItem>(root, node + 4)->SaveDefault(out.path(), true));

  DbxBuilder folders(DbKind::Folder);
  folders.AddFolders({{1, 0, "Inbox", "Inbox.dbx"}});
  folders.WriteTo(dir / "Folders.dbx");
  auto* folderRoot = new DbRootItem(nullptr, 0);
  ASSERT_TRUE(folderRoot->AttachDatabase((dir / "Folders.dbx").string(), &tree, &list, true, false));
  EXPECT_FALSE(folderRoot->SaveDefault((out / "f").string(), true));
  EXPECT_FALSE(MakeItem<IndexNodeItem>(folderRoot, folders.U32(dbx::RootSlot(0)))
                   ->SaveDefault((out / "f").string(), true));
  EXPECT_TRUE(fs::is_empty(out / "f"));
}

TEST_F(Saving, ATreeThatLoopsIsSavedOnceRoundAndCountedAsFailed) {
  for (int i = 0; i < 3; ++i) Message("m");
  const uint32_t node = builder.AddNode();
  builder.SetNodeEntries(node, {{records[0], 0}, {records[1], 0}, {records[2], node}});
  builder.SetIndexSlot(0, node, 3);
  Attach();
  const SaveCount count = root->SaveAll(out.path());
  EXPECT_GE(count.failed, 1);
  EXPECT_EQ(SavedFiles(out / "Inbox").size(), 3u);
}

}  // namespace
}  // namespace vendrel
