// The windows' rules without the toolkit: what selection, expansion, Enter, the keys and the commands do
// to the tree, the list and the status line; the splitter's arithmetic; answers that never wait for a
// lock; the frame's opening of files and the gate that keeps commands from running inside a save.
#include <gtest/gtest.h>

#include <filesystem>

#include "controllers/command_gate.h"
#include "controllers/commands.h"
#include "controllers/geometry.h"
#include "controllers/splitter.h"
#include "dbx/index_node.h"
#include "export/export_watcher.h"
#include "mail/message_catalog.h"
#include "platform/code_page.h"
#include "platform/format.h"
#include "platform/working_directory.h"
#include "support/process.h"
#include "window_fixture.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using testsupport::InMemoryExplorer;

class Explorer : public testsupport::WindowTest {
 protected:
  // Opens path in a window of its own; the root expanded, nothing selected.
  InMemoryExplorer& Open(const std::string& path) {
    EXPECT_TRUE(frame.OpenFile(path));
    return window.Window(window.explorers.size() - 1);
  }
  // The node of the first child of node whose caption starts with prefix.
  static TreeNodeHandle Child(InMemoryExplorer& explorer, TreeNodeHandle node, const std::string& prefix) {
    for (const TreeNodeHandle child : explorer.tree.Children(node))
      if (explorer.tree.TextOf(child).starts_with(prefix)) return child;
    ADD_FAILURE() << "no child " << prefix;
    return kNoTreeNode;
  }
  static TreeNodeHandle Root(InMemoryExplorer& explorer) { return explorer.tree.FirstChild(kTreeRoot); }
};

TEST_F(Explorer, EnterOnARowUnderACollapsedNodeExpandsItAndShowsTheRowsOwnNode) {
  InMemoryExplorer& explorer = Open(WriteMessages(3));
  EXPECT_TRUE(explorer.window.panes && explorer.window.panes->list.left > explorer.window.panes->tree.right);
  const TreeNodeHandle slot = Child(explorer, Root(explorer), "000000E4");
  explorer.tree.SelectNode(slot);  // explores: the root node is listed, its own node stays collapsed
  ASSERT_TRUE(explorer.list.RowTexts(0)[0] == "Index" && !explorer.tree.IsExpanded(slot));

  explorer.list.SelectRows({0});
  EXPECT_EQ(explorer.controller.GetActiveItem(), explorer.tree.ItemOf(slot));
  explorer.window.FocusPane(Pane::List);
  EXPECT_TRUE(explorer.list.ItemOf(0) != nullptr && explorer.controller.GetActiveItem() == explorer.list.ItemOf(0));
  explorer.controller.OnKey(ExplorerKey::Enter, true);
  const TreeNodeHandle node = explorer.tree.FirstChild(slot);
  EXPECT_TRUE(explorer.tree.IsExpanded(slot) && explorer.tree.Selected() == node);
  EXPECT_EQ(explorer.list.RowTexts(0)[0], "Message 2");  // the node's own rows: its records
  explorer.tree.SelectNode(explorer.tree.FirstChild(explorer.tree.FirstChild(node)));  // a node of no item
  EXPECT_EQ(explorer.list.RowCount(), 0);
  explorer.tree.SelectNode(node);
  explorer.controller.Close();  // as the window goes: every node and every row with it
  EXPECT_TRUE(explorer.tree.Children(kTreeRoot).empty() && explorer.list.RowCount() == 0);
}

TEST_F(Explorer, CheckDatabaseListsEachProblemAsARowAndEnterGoesToTheStructureShownForIt) {
  const std::string path = WriteMessages(3);
  InMemoryExplorer& explorer = Open(path);
  const TreeNodeHandle slot = Child(explorer, Root(explorer), "000000E4");
  explorer.tree.ExpandNode(slot);
  const TreeNodeHandle node = explorer.tree.FirstChild(slot);
  const uint32_t nodeRa = dynamic_cast<DbItem&>(*explorer.tree.ItemOf(node)).ra;
  explorer.tree.SelectNode(slot);
  explorer.controller.Command(kCmdCheckDatabase);
  EXPECT_TRUE(explorer.list.RowCount() == 0 && StatusLines().back() == "Checked " + path + ": no problem found");
  // Another program damages the first record: the node that names it is named by the check.
  uint32_t record = 0;
  {
    DbStore store;
    ASSERT_TRUE(store.Open(path));
    record = dbx::IndexNode::At(store, nodeRa)->entry(0).recordRa;
  }
  std::vector<uint8_t> bytes = testsupport::ReadFileBytes(path);
  bytes[record] ^= 0xFF;
  testsupport::WriteFileBytes(path, bytes);
  explorer.controller.Command(kCmdCheckDatabase);
  ASSERT_GE(explorer.list.RowCount(), 1);
  EXPECT_EQ(explorer.list.RowTexts(0),
            (ColumnTexts{"index node of tree 0", Format("%08X", nodeRa),
                 Format("its entry 0 names %08X, which is not a valid record", record), ""}));
  explorer.list.SelectRows({0});
  explorer.window.FocusPane(Pane::List);
  explorer.controller.OnKey(ExplorerKey::Enter, true);
  EXPECT_EQ(explorer.tree.Selected(), node);
  fs::remove(path);
  explorer.controller.Command(kCmdCheckDatabase);
  EXPECT_TRUE(StatusLines().back().starts_with("Failed to check " + path + ": ")) << StatusLines().back();
}

TEST_F(Explorer, ExportWritesTheWindowsDatabaseInTheChosenFormatAndSaysWhatCameOfIt) {
  InMemoryExplorer& explorer = Open(WriteMessages(3));
  const fs::path out = dir / "out";
  const auto exportAs = [&](std::optional<size_t> format, std::optional<std::string> directory) {
    desktop().AddChoiceAnswer(format);
    desktop().AddFolderAnswer(std::move(directory));
    explorer.controller.Command(kCmdExport);
  };
  const size_t before = StatusLines().size();
  exportAs(1, std::nullopt);  // cancelled in either dialog: nothing is written
  desktop().AddChoiceAnswer(std::nullopt);
  explorer.controller.Command(kCmdExport);
  EXPECT_TRUE(!fs::exists(out) && StatusLines().size() == before);

  exportAs(1, out.string());  // mbox: the database's one mailbox, every message in it
  const fs::path mbox = fs::directory_iterator(out)->path();
  const std::string text = testsupport::ReadText(mbox);
  size_t entries = 0;
  for (size_t at = text.find("From "); at != std::string::npos; at = text.find("\nFrom ", at + 1)) ++entries;
  EXPECT_EQ(entries, 3u);
  EXPECT_EQ(StatusLines().back(), "Exported 3 msgs of 1 folders.Path: " + out.string());

  exportAs(1, out.string());  // the mailbox is there now: left alone, and the user is told
  EXPECT_EQ(StatusLines().back(), "Exported 0 msgs of 0 folders.Path: " + out.string() + "; 1 thing(s) left out");
  ASSERT_FALSE(desktop().messages().empty());
  EXPECT_TRUE(desktop().messages().back().text.starts_with("Not everything was exported:\n" + mbox.string()));
  EXPECT_EQ(testsupport::ReadText(mbox), text);

  for (const uint32_t bad : {20u, 21u}) {  // a record left out per entry: the box names twenty at most
    std::vector<uint32_t> entries;
    for (uint32_t i = 0; i < bad; ++i) entries.push_back(0x10 + 4 * i);
    testsupport::DbxBuilder builder(testsupport::DbKind::Message);
    builder.SetIndex(0, entries);
    InMemoryExplorer& damaged = Open(builder.WriteTo(dir / Format("bad%u.dbx", bad)));
    desktop().AddChoiceAnswer(0);
    desktop().AddFolderAnswer((dir / Format("bad%u", bad)).string());
    damaged.controller.Command(kCmdExport);
    const std::string box = desktop().messages().back().text;
    EXPECT_EQ(std::ranges::count(box, '\n'), 20 + (bad > 20)) << box;
    EXPECT_EQ(box.ends_with("\n... and 1 more"), bad > 20) << box;
  }

  desktop().StopAfter(1);  // Maildir, stopped at its first step
  exportAs(2, (dir / "maildir").string());
  EXPECT_TRUE(StatusLines().back().starts_with("Export stopped after "));
  exportAs(3, (dir / "other").string());  // a choice not offered is none
  EXPECT_FALSE(fs::exists(dir / "other"));
}

TEST_F(Explorer, AnExpansionThatFailsIsRefusedWithItsStatusLineAndRefreshRecovers) {
  const std::string path = WriteMessages(3);
  InMemoryExplorer& explorer = Open(path);
  const TreeNodeHandle slot = Child(explorer, Root(explorer), "000000E4");
  explorer.tree.ExpandNode(slot);
  const TreeNodeHandle node = explorer.tree.FirstChild(slot);
  const std::vector<uint8_t> sound = testsupport::ReadFileBytes(path);
  testsupport::DbxBuilder(testsupport::DbKind::Message).WriteTo(path);  // changed by another program

  EXPECT_FALSE(explorer.tree.ExpandNode(node) || explorer.tree.IsExpanded(node));
  // The designed texts, and the structure that failed.
  const std::string why =
      Format(": the index node at %08X is not valid", dynamic_cast<DbItem&>(*explorer.tree.ItemOf(node)).ra);
  EXPECT_EQ(StatusLines().back(), "Failed to expand, possible database changed or locked" + why);
  explorer.tree.SelectNode(node);
  EXPECT_EQ(StatusLines().back(), "Failed to explore, possible database changed or locked" + why);
  explorer.controller.OnKey(ExplorerKey::F5, false);
  EXPECT_EQ(StatusLines().back(), "Failed to refresh, possible database was changed or locked" + why);

  testsupport::WriteFileBytes(path, sound);
  explorer.controller.OnKey(ExplorerKey::F5, false);
  EXPECT_TRUE(StatusLines().back() == "Refresh succeeded" && explorer.tree.ExpandNode(node));
}

TEST_F(Explorer, RefreshWithNothingSelectedOpensTheFileAnewInPlaceOfItsRoot) {
  InMemoryExplorer& explorer = Open(WriteMessages(1));
  const TreeNodeHandle before = Root(explorer);
  explorer.controller.OnKey(ExplorerKey::F5, true);
  ASSERT_EQ(explorer.tree.Children(kTreeRoot).size(), 1u);
  EXPECT_NE(Root(explorer), before);
  EXPECT_TRUE(explorer.tree.IsExpanded(Root(explorer)) && !StatusLines().back().starts_with("Failed"));

  // The selected node goes when its parent is built anew: the list empties with it.
  explorer.tree.SelectNode(Child(explorer, Root(explorer), "000000E4"));
  ASSERT_TRUE(explorer.list.RowCount() > 0 && explorer.tree.ItemOf(Root(explorer))->Refresh());
  EXPECT_TRUE(explorer.tree.Selected() == kNoTreeNode && explorer.list.RowCount() == 0);
  EXPECT_EQ(StatusLines().back(), "No active item...");
}

TEST_F(Explorer, CopyTakesTheSelectedRowsAsTabSeparatedTextOrTheActiveItemsCaption) {
  InMemoryExplorer& explorer = Open(WriteMessages(2));
  explorer.tree.SelectNode(Child(explorer, Root(explorer), "000000E4"));
  explorer.controller.Command(kCmdCopy);
  EXPECT_EQ(desktop().clipboard(), "000000E4 All indexes by ID");

  explorer.window.FocusPane(Pane::List);
  explorer.controller.Command(kCmdCopy);  // the list has the focus but no selected row
  EXPECT_EQ(desktop().clipboard(), "000000E4 All indexes by ID");
  explorer.list.SelectRows({0, 1});
  explorer.controller.Command(kCmdCopy);
  const std::string node = explorer.list.RowTexts(0)[1];
  EXPECT_EQ(desktop().clipboard(),
            "Index\t" + node + "\t0 + 2 sub\t\nTotal Count\t000000C4\t00000002\ttotal elem count\n");
  explorer.list.SelectRows({1});  // a row of no item of its own
  const size_t lines = StatusLines().size();
  explorer.controller.OnStateChanged();
  EXPECT_TRUE(toolbar.states[kCmdCopy] && !toolbar.states[kCmdSave] && StatusLines().size() == lines);
  explorer.controller.Command(kCmdCopy);
  EXPECT_EQ(desktop().clipboard(), "Total Count\t000000C4\t00000002\ttotal elem count\n");
}

TEST_F(Explorer, StarOpensEveryNodeBelowTheSelectedOneOnceAndF4SaysWhereNoFolderCanBeMade) {
  InMemoryExplorer& explorer = Open(WriteMessages(12, 3));
  const TreeNodeHandle slot = Child(explorer, Root(explorer), "000000E4");
  explorer.tree.SelectNode(slot);
  const TreeNodeHandle selectedRoot = explorer.tree.FirstChild(slot);  // made when the slot was explored
  explorer.controller.OnKey(ExplorerKey::Star, true);  // not from the list
  EXPECT_FALSE(explorer.tree.IsExpanded(slot));
  explorer.controller.OnKey(ExplorerKey::Star, false);
  EXPECT_EQ(explorer.tree.FirstChild(slot), selectedRoot);  // what was made stays
  int records = 0, sections = 0;
  std::vector<TreeNodeHandle> pending = {slot};
  while (!pending.empty()) {
    const TreeNodeHandle node = pending.back();
    pending.pop_back();
    const std::vector<TreeNodeHandle> children = explorer.tree.Children(node);
    if (explorer.tree.ItemOf(node) == nullptr) continue;
    EXPECT_TRUE(explorer.tree.IsExpanded(node) || children.empty()) << explorer.tree.TextOf(node);
    records += node != slot && explorer.tree.TextOf(node).starts_with("0000") ? 1 : 0;
    sections += explorer.tree.TextOf(node).starts_with("Section") ? 1 : 0;
    pending.insert(pending.end(), children.begin(), children.end());
  }
  EXPECT_EQ(std::pair(records, sections), std::pair(12, 12));
  explorer.controller.OnKey(ExplorerKey::F4, false);  // an index table holds no folder
  EXPECT_EQ(StatusLines().back(), kNoFolderHere);
}

TEST_F(Explorer, ANewFolderShowsBelowItsParentWithWhatWasOpenThereStillOpen) {
  testsupport::DbxBuilder folders(testsupport::DbKind::Folder);
  folders.AddFolders({{1, 0, "Local Folders", "", true, 0x10},
                      {5, 1, "Inbox", "Inbox.dbx", true, 0x10},
                      {7, 5, "Family", "", true, 0}},
                     2);
  InMemoryExplorer& explorer = Open(folders.WriteTo(dir / "Folders.dbx"));
  const auto find = [&](TreeNodeHandle under, const std::string& name) {
    for (const TreeNodeHandle child : explorer.tree.Children(under))
      if (explorer.tree.TextOf(child).ends_with(name)) return child;
    return kNoTreeNode;
  };
  const TreeNodeHandle top = find(Root(explorer), "Local Folders");
  ASSERT_TRUE(explorer.tree.ExpandNode(top) && explorer.tree.ExpandNode(find(top, "Inbox")));
  explorer.tree.SelectNode(top);
  desktop().AddFolderNameAnswer("Receipts");
  explorer.controller.Command(kCmdNewFolder);
  const TreeNodeHandle shown = find(Root(explorer), "Local Folders");
  EXPECT_TRUE(explorer.tree.IsExpanded(shown) && find(shown, "Receipts") != kNoTreeNode &&
              explorer.tree.IsExpanded(find(shown, "Inbox")));
}

// Refresh on the message database shown below a folder makes its messages anew, also where another program
// changed the file and kept its size and time (a copy that keeps times, a file system that keeps them
// coarsely).
TEST_F(Explorer, RefreshBelowAFolderReadsItsMessagesAnewWhateverTheFilesTimeSays) {
  const std::string inbox = WriteMessages(1);
  testsupport::DbxBuilder folders(testsupport::DbKind::Folder);
  folders.AddFolders({{1, 0, "Inbox", "Inbox.dbx", true, 0}});
  InMemoryExplorer& explorer = Open(folders.WriteTo(dir / "Folders.dbx"));
  const TreeNodeHandle folder = Child(explorer, Root(explorer), "00000001 Inbox");
  ASSERT_TRUE(explorer.tree.ExpandNode(folder));
  explorer.tree.SelectNode(Child(explorer, folder, "Messages DB"));
  QuietWatcher watcher;
  std::string failure;
  const auto subject = [&] {
    const auto catalog = mail::SessionCatalogs().Get(inbox, watcher, failure);
    return catalog != nullptr && catalog->entries.size() == 1 ? catalog->entries[0].headers.subject : failure;
  };
  ASSERT_EQ(subject(), "Message 2");
  std::vector<uint8_t> bytes = testsupport::ReadFileBytes(inbox);
  const std::string was = "Subject: Message 2";
  const auto at = std::search(bytes.begin(), bytes.end(), was.begin(), was.end());
  ASSERT_NE(at, bytes.end());
  at[was.size() - 1] = '7';
  const fs::file_time_type time = fs::last_write_time(inbox);
  testsupport::WriteFileBytes(inbox, bytes);
  fs::last_write_time(inbox, time);
  explorer.controller.OnKey(ExplorerKey::F5, false);
  EXPECT_EQ(subject(), "Message 7");
  // The same for the database's own window with nothing selected.
  at[was.size() - 1] = '8';
  testsupport::WriteFileBytes(inbox, bytes);
  fs::last_write_time(inbox, time);
  Open(inbox).controller.OnKey(ExplorerKey::F5, false);
  EXPECT_EQ(subject(), "Message 8");
}

TEST_F(Explorer, ARowOfAFileLockedElsewhereAnswersBusyAtOnceWithoutABox) {
  const std::string path = WriteMessages(2);
  InMemoryExplorer& explorer = Open(path);
  explorer.tree.SelectNode(Child(explorer, Root(explorer), "000000E4"));
  testsupport::Pipe release;
  const pid_t holder = testsupport::StartPeerSession(path, release);
  ASSERT_GT(holder, 0);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(explorer.list.RowTexts(0)[0], "(busy)");
  explorer.controller.UpdateCommandState(nullptr);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  EXPECT_TRUE(desktop().messages().empty());
  EXPECT_EQ(StatusLines()[StatusLines().size() - 2],
            "Failed to explore, possible database changed or locked");
  release.Send('R');
  EXPECT_EQ(testsupport::WaitChild(holder), 0);
}

TEST_F(Explorer, TheActiveItemsCommandsAreOfferedWithCopyButNoneThatHasNoActionAndNoneWithoutAnItem) {
  InMemoryExplorer& explorer = Open(WriteMessages(3));
  const auto offered = [&] {
    testsupport::StateMap menu;
    explorer.controller.UpdateCommandState(&menu);
    std::vector<int> ids;
    for (const auto& [command, enabled] : menu.states)
      if (enabled) ids.push_back(command);
    return ids;
  };
  EXPECT_EQ(offered(), std::vector<int>{kCmdExport});  // the window's database, whatever is selected
  explorer.tree.SelectNode(Root(explorer));
  EXPECT_EQ(offered(), (std::vector<int>{kCmdSave, kCmdSaveDefault, kCmdRefresh, kCmdCopy, kCmdNewFolder,
                                         kCmdCheckDatabase, kCmdExport}));
  EXPECT_TRUE(toolbar.states[kCmdSaveDefault]);  // the toolbar follows the selection by itself
  explorer.tree.ItemOf(Root(explorer))->failure = "an earlier failure's reason";  // not this one's
  for (const int command : {kCmdPreview, kCmdSaveAs}) explorer.controller.Command(command);  // not the root's
  EXPECT_TRUE(desktop().messages().size() == 2 && StatusLines().back() == "Failed...");
  EXPECT_FALSE(explorer.controller.SelectRecord(0));  // no record to show
  testsupport::StateMap menu;  // and a menu of the frame offers the item's commands too
  frame.OnMenuPopup(menu);
  EXPECT_TRUE(menu.states[kCmdSave] && menu.states[kCmdOpen]);
}

TEST(CommandGate, WhatWaitsRunsOnceTheOutermostOperationEndsAndNothingStartsInAnEventLoopOfOne) {
  CommandGate gate;
  int ran = 0;
  {
    const auto outer = gate.Begin();
    {
      const auto inner = gate.Begin();  // started by the operation itself
      ASSERT_TRUE(outer && inner);
      gate.WhenIdle([&] { ++ran; });
      gate.RequestStop();
    }
    EXPECT_TRUE(ran == 0 && gate.StopRequested());  // the outer one still runs
    const CommandGate::ModalLoop loop(gate);
    EXPECT_FALSE(gate.Begin());
  }
  EXPECT_TRUE(ran == 1 && !gate.StopRequested() && !gate.Running());
  gate.WhenIdle([&] { ++ran; });  // nothing runs: at once
  EXPECT_EQ(ran, 2);
}

TEST(Splitter, PanesKeepTheirProportionAndADragStartsOnlyNearTheGap) {
  const Rect client{0, 0, 400, 300};
  EXPECT_EQ(PlacePanes(200, client), (Panes{{0, 0, 199, 300}, {201, 0, 400, 300}}));
  const std::tuple<const char*, int, int, int> cases[] = {{"wider", 100, 800, 200},
                                                          {"ten times as wide", 100, 4000, 1000},
                                                          {"narrower", 100, 200, 50},
                                                          {"below the floor", 3, 100, 2},
                                                          {"at the left edge", 0, 400, 2}};
  for (const auto& [what, split, width, expected] : cases)
    EXPECT_EQ(KeepProportion(PlacePanes(split, client), width), expected) << what;
  // The gap is the columns 99 and 100; a drag starts up to 2 pixels on either side of it.
  const Panes panes = PlacePanes(100, client);
  EXPECT_EQ(SplitterRect(panes), (Rect{99, 0, 101, 300}));
  EXPECT_TRUE(InDragZone(panes, 97, 10) && InDragZone(panes, 102, 10));
  EXPECT_FALSE(InDragZone(panes, 96, 10) || InDragZone(panes, 103, 10));

  SplitterDrag drag;
  EXPECT_FALSE(drag.Press(panes, client, 96, 10) || drag.Move(150));
  ASSERT_TRUE(drag.Press(panes, client, 97, 10));
  EXPECT_EQ(drag.Move(150), (Rect{148, 0, 152, 300}));
  EXPECT_EQ(drag.Move(1000), (Rect{393, 0, 397, 300}));  // kept 4 pixels inside the window
  EXPECT_TRUE(drag.Move(-5) == (Rect{2, 0, 6, 300}) && drag.Release(250) == 250 && !drag.dragging());
}

TEST(Tiling, WindowsShareTheAreaWholeSideBySideOrOneAboveTheOtherOrCascadeEightDeep) {
  EXPECT_EQ(TileRects(3, {10, 0, 110, 50}, true),
            (std::vector<Rect>{{10, 0, 43, 50}, {43, 0, 76, 50}, {76, 0, 110, 50}}));
  EXPECT_EQ(TileRects(2, {0, 5, 80, 106}, false), (std::vector<Rect>{{0, 5, 80, 55}, {0, 55, 80, 106}}));
  EXPECT_TRUE(TileRects(0, {0, 0, 80, 100}, false).empty());
  // Cascaded: three quarters of the area, each 24 pixels further; the ninth starts over.
  const std::vector<Rect> cascade = CascadeRects(9, {0, 0, 400, 200});
  EXPECT_TRUE(cascade[0] == (Rect{0, 0, 300, 150}) && cascade[1] == (Rect{24, 24, 324, 174}) &&
              cascade[8] == cascade[0]);
}

class Frame : public testsupport::WindowTest {};

TEST_F(Frame, DroppedFilesOpenInTheirOwnWindowsInOrderAndOneThatFailsLeavesTheOthers) {
  const std::string first = WriteMessages(2, 51, "First.dbx");
  const std::string second = WriteMessages(3, 51, "Second.dbx");
  const std::string notDbx = testsupport::DbxBuilder(testsupport::DbKind::Message)
                                 .SetU32(dbx::kMagicField, 1)
                                 .WriteTo(dir / "bad.dbx");
  EXPECT_EQ(frame.OpenFiles({first, notDbx, (dir / "missing.dbx").string(), dir.path().string(), second}), 2);
  // Each file that did not open says why.
  EXPECT_NE(std::find(StatusLines().begin(), StatusLines().end(),
                      "Cannot open " + notDbx + ": neither a Folders nor a Messages database"),
            StatusLines().end());
  EXPECT_NE(std::find(StatusLines().begin(), StatusLines().end(),
                      "Cannot open " + (dir / "missing.dbx").string() + ": not found"),
            StatusLines().end());
  EXPECT_EQ(window.captions, (std::vector<std::string>{first, second}));
  EXPECT_EQ(window.ActiveExplorer(), &window.Window(1).controller);
  // The window brought to the front shows its own active item and offers its commands.
  window.Window(0).tree.SelectNode(window.Window(0).tree.FirstChild(kTreeRoot));
  window.Activate(&window.Window(1).controller);
  EXPECT_TRUE(StatusLines().back() == "No active item..." && !toolbar.states[kCmdCopy]);
  window.Activate(&window.Window(0).controller);
  EXPECT_TRUE(StatusLines().back() == "Messages DB " + first && toolbar.states[kCmdCopy]);

  // The frame stays usable: the open dialog, in the folder of the file opened last, opens the next file,
  // captioned with its name.
  desktop().AddOpenAnswer(first);
  frame.Command(kCmdOpen);
  EXPECT_EQ(desktop().openDialogFolders(), std::vector{dir.path().string()});
  EXPECT_EQ(window.captions.back(), "First.dbx");
  desktop().AddOpenAnswer(std::nullopt);
  frame.Command(kCmdOpen);  // cancelled: nothing more
  for (const int command : {kCmdDownload, kCmdExploreWorkingDirectory}) frame.Command(command);
  EXPECT_TRUE(window.explorers.size() == 3u && desktop().opened().size() == 1u);  // no download page
}

TEST_F(Frame, RecentFilesCodePageAndSaveDirectoryAreRememberedForTheNextRun) {
  std::vector<std::string> paths;
  for (int i = 0; i < 10; ++i) paths.push_back(WriteMessages(1, 51, "Db" + std::to_string(i) + ".dbx"));
  for (const std::string& path : paths) frame.OpenFile(path);
  frame.OpenFile(paths[3]);  // opened again: to the front, once
  const std::vector<std::string> expected = {paths[3], paths[9], paths[8], paths[7],
                                             paths[6], paths[5], paths[4], paths[2]};
  EXPECT_EQ(frame.RecentFiles(), expected);
  fs::remove(paths[9]);
  frame.Command(kCmdRecentFile1 + 1);  // gone: said, and dropped from the list
  EXPECT_EQ(StatusLines().back(), "Cannot open " + paths[9] + ": not found");
  frame.Command(kCmdRecentFile1 + 1);  // what was third is second now
  EXPECT_EQ(window.captions.back(), "Db8.dbx");
  EXPECT_EQ(frame.RecentFiles().size(), 7u);
  const size_t opened = window.captions.size();
  frame.Command(kCmdRecentFile1 + 7);  // past the seven left: nothing
  EXPECT_TRUE(window.captions.size() == opened && frame.RecentFiles().size() == 7u);

  const std::string original = WorkingDirectory();
  desktop().AddChoiceAnswer(2);  // Cyrillic
  frame.Command(kCmdCodePage);
  EXPECT_EQ(LegacyCodePage().name(), "WINDOWS-1251");
  desktop().AddFolderAnswer((dir / "saves").string());
  fs::create_directory(dir / "saves");
  frame.Command(kCmdWorkingDirectory);
  EXPECT_EQ(WorkingDirectory(), (dir / "saves").string());
  // The next run takes them up.
  const std::string before = WorkingDirectory();
  SetLegacyCodePage(kDefaultLegacyCodePage);
  SetWorkingDirectory("/nowhere");
  FrameController next(window, toolbar, gate, settings);
  next.Start();
  EXPECT_TRUE(LegacyCodePage().name() == "WINDOWS-1251" && WorkingDirectory() == before);
  EXPECT_EQ(next.RecentFiles().front(), paths[8]);
  SetLegacyCodePage(kDefaultLegacyCodePage);
  SetWorkingDirectory(original);
}

TEST_F(Frame, OnlyStopGetsThroughWhileASaveWaitsBetweenItsStepsAndAWindowClosedMeanwhileGoesAfter) {
  ASSERT_TRUE(frame.OpenFile(WriteMessages(8, 3)));
  InMemoryExplorer& explorer = window.Window(0);
  explorer.tree.SelectNode(explorer.tree.FirstChild(kTreeRoot));
  // Stop is offered while a save waits, and no longer once it has ended.
  bool offered = false;
  desktop().AddFolderAnswer((dir / "first").string());  // the save asks where
  desktop().OnProgress([&](uint64_t) {
    explorer.controller.OnStateChanged();
    offered = toolbar.states[kCmdStop];
  });
  frame.Command(kCmdSave);
  EXPECT_TRUE(offered && !toolbar.states[kCmdStop]);
  const fs::path out = dir / "out";
  bool refused = false;
  desktop().AddFolderAnswer(out.string());
  desktop().OnProgress([&](uint64_t done) {
    if (done != 3) return;
    const size_t lines = StatusLines().size();
    frame.Command(kCmdRefresh);
    frame.Command(kCmdOpen);
    refused = StatusLines().size() == lines && desktop().openDialogFolders().empty();
    frame.CloseAll();
    EXPECT_EQ(window.explorers.size(), 1u);  // not while its save runs
    frame.Command(kCmdStop);
  });
  frame.Command(kCmdSave);
  EXPECT_TRUE(refused && std::distance(fs::directory_iterator(out / "Inbox"), {}) == 3);
  EXPECT_TRUE(window.explorers.empty() && window.menu == MenuId::Frame && !toolbar.states[kCmdSave]);
  EXPECT_EQ(StatusLines().back(), kWelcome);  // no item of a window that went
}

}  // namespace
}  // namespace vendrel
