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
