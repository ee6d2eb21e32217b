// The frame's rules: command routing, the opening of files, the menus and the toolbar states, and the
// gate that keeps commands from running inside a save.
#include <gtest/gtest.h>

#include <filesystem>

#include "window_fixture.h"

namespace vendrel {
namespace {

using Ids = std::vector<int>;

class Frame : public testsupport::WindowTest {};

TEST_F(Frame, DroppedFilesOpenInTheirOwnWindowsInOrderAndOneThatFailsLeavesTheOthers) {
  const std::string first = WriteMessages(2, 51, "First.dbx");
  const std::string second = WriteMessages(3, 51, "Second.dbx");
  const std::string notDbx =
      Write(testsupport::DbxBuilder(testsupport::DbKind::Message).SetMagic(1), "bad.dbx");
  EXPECT_EQ(frame.OpenFiles({first, notDbx, (dir / "missing.dbx").string(), dir.path().string(), second}), 2);
  EXPECT_EQ(window.captions, (std::vector<std::string>{first, second}));
  EXPECT_EQ(window.ActiveExplorer(), &window.Window(1).controller);

  // The frame stays usable: the open dialog, in the folder of the file opened last, opens the next file,
  // captioned with its name.
  desktop().AddOpenAnswer(first);
  EXPECT_TRUE(frame.Command(kCmdOpen));
  EXPECT_EQ(desktop().openDialogFolders(), std::vector{dir.path().string()});
  EXPECT_EQ(window.captions.back(), "First.dbx");
  desktop().AddOpenAnswer(std::nullopt);
  EXPECT_TRUE(frame.Command(kCmdOpen));  // cancelled: nothing more
  EXPECT_EQ(window.explorers.size(), 3u);
}

TEST_F(Frame, TheFrameHandlesItsOwnCommandsForwardsTheOthersAndIgnoresUnknownOnes) {
  EXPECT_FALSE(frame.Command(kCmdRefresh));  // no window to forward to
  EXPECT_FALSE(frame.Command(40000));
  EXPECT_TRUE(frame.Command(kCmdTileVertically));
  EXPECT_TRUE(frame.Command(kCmdAbout));
  EXPECT_TRUE(frame.Command(kCmdIdentities));  // taken, and given to nobody
  EXPECT_EQ(window.arranged, Ids{kCmdTileVertically});
  EXPECT_EQ(window.abouts, 1);

  ASSERT_TRUE(frame.OpenFile(WriteMessages(1)));
  window.Window(0).tree.SelectNode(window.Window(0).tree.FirstChild(kTreeRoot));
  EXPECT_TRUE(frame.Command(kCmdRefresh));
  EXPECT_EQ(StatusLines().back(), "Refresh succeeded");
  EXPECT_FALSE(frame.Command(40000));
  EXPECT_TRUE(frame.Command(kCmdExit));
  EXPECT_TRUE(window.exited);
}

TEST_F(Frame, TheMenuFollowsTheActiveWindowAndTheToolbarResetsWithoutOne) {
  EXPECT_EQ(StatusLines().front(), "Welcome to the Vendrel! Use Open command or drag'n'drop DBX to begin");
  EXPECT_EQ(toolbar.Enabled(),
            (Ids{kCmdAbout, kCmdExit, kCmdOpen, kCmdExploreWorkingDirectory, kCmdAssociateDbx,
                 kCmdDefaultIdentity, 32791, 32792, 32793, 32794, kCmdMoreIdentities}));
  const std::string path = WriteMessages(2);
  ASSERT_EQ(frame.OpenFiles({path, path}), 2);
  EXPECT_EQ(window.shownMenu, MenuId::Explorer);

  // The toolbar follows the active window's selection.
  window.Window(0).tree.SelectNode(window.Window(0).tree.FirstChild(kTreeRoot));
  window.Activate(&window.Window(1).controller);
  EXPECT_FALSE(toolbar.states[kCmdSaveDefault]);
  // The last window closes while the other stays: its menu stays; then none, and the frame's returns.
  window.DestroyExplorerWindow(window.Window(1).controller);
  EXPECT_EQ(window.shownMenu, MenuId::Explorer);
  EXPECT_TRUE(toolbar.states[kCmdSaveDefault]);
  frame.CloseAll();
  EXPECT_TRUE(window.explorers.empty());
  EXPECT_EQ(window.shownMenu, MenuId::Frame);
  EXPECT_FALSE(toolbar.states[kCmdSaveDefault]);
  EXPECT_TRUE(toolbar.states[kCmdOpen]);
}

TEST_F(Frame, AMessageEnablesItsCommandsAndTheOnesWithoutAnActionStayDisabled) {
  ASSERT_TRUE(frame.OpenFile(WriteMessages(3)));
  testsupport::InMemoryExplorer& explorer = window.Window(0);
  // No active item yet: every database command disabled.
  explorer.controller.UpdateCommandState(nullptr);
  EXPECT_EQ(StatusLines().back(), "No active item...");
  EXPECT_FALSE(toolbar.states.at(kCmdSave));

  const TreeNodeHandle root = explorer.tree.FirstChild(kTreeRoot);
  const TreeNodeHandle slot0 = explorer.tree.FirstChild(root);
  explorer.tree.ExpandNode(slot0);
  const TreeNodeHandle node = explorer.tree.FirstChild(slot0);
  explorer.tree.ExpandNode(node);
  explorer.tree.SelectNode(explorer.tree.FirstChild(node));
  EXPECT_EQ(StatusLines().back(), "00000002 Message 2");
  Ids enabled;
  for (const int command : kDatabaseCommands) {
    if (toolbar.states.at(command)) enabled.push_back(command);
  }
  EXPECT_EQ(enabled, (Ids{kCmdSave, kCmdSaveAs, kCmdSaveDefault, kCmdPreview, kCmdRefresh, kCmdCopy}));

  // A menu popup: the window sets its commands, the frame enables its own.
  testsupport::StateMap menu;
  frame.OnMenuPopup(menu);
  EXPECT_TRUE(menu.states.at(kCmdPreview));
  EXPECT_FALSE(menu.states.at(kCmdNewMessage));
  EXPECT_TRUE(menu.states.at(kCmdExit));
  EXPECT_FALSE(menu.states.contains(kCmdIdentities));
}

TEST_F(Frame, OnlyStopGetsThroughWhileASaveWaitsBetweenItsStepsAndAWindowClosedMeanwhileGoesAfter) {
  ASSERT_TRUE(frame.OpenFile(WriteMessages(8, 3)));
  testsupport::InMemoryExplorer& explorer = window.Window(0);
  explorer.tree.SelectNode(explorer.tree.FirstChild(kTreeRoot));
  const std::filesystem::path out = dir / "out";
  bool refused = false;
  desktop().AddFolderAnswer(out.string());
  desktop().OnProgress([&](uint64_t done) {
    if (done != 3) return;
    const size_t lines = StatusLines().size();
    refused = !frame.Command(kCmdRefresh) && !frame.Command(kCmdOpen) && StatusLines().size() == lines;
    frame.CloseAll();
    EXPECT_EQ(window.explorers.size(), 1u);  // not while its save runs
    EXPECT_TRUE(frame.Command(kCmdStop));
  });
  EXPECT_TRUE(frame.Command(kCmdSave));
  EXPECT_TRUE(refused);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out / "Inbox"), {}), 3);
  EXPECT_TRUE(window.explorers.empty());
}

}  // namespace
}  // namespace vendrel
