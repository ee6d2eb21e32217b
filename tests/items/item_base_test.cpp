// What every explorer item shares, reference counting and callback rows, and the in-memory tree and list
// that hold the items.
#include <gtest/gtest.h>

#include "explorer_fixture.h"

namespace vendrel {
namespace {

using testsupport::Row;
using testsupport::Strings;

// An item with no file behind it: it logs its end and answers rows with fixed texts.
class Probe : public DbItem {
 public:
  explicit Probe(ExplorerItem* parent, std::string name = "p", Strings* log = nullptr)
      : DbItem(parent, 0), name_(std::move(name)), log_(log) {}

  bool Expand() override { return true; }
  bool Explore() override { return ListChildren(); }
  bool GetDisplayInfo(DisplayInfo& info) override {
    ++questions;
    if (info.WantsText()) info.SetText(name_ + " column " + std::to_string(info.column));
    if (info.WantsImage()) info.image = 7;
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

class InMemoryControls : public testsupport::ExplorerTest {};

TEST_F(InMemoryControls, DeletingANodeReleasesTheItemsOfTheNodesBelowItAndThenItsOwn) {
  Strings log;
  auto* top = new Probe(nullptr, "top", &log);
  auto* below = new Probe(top, "below", &log);
  const TreeNodeHandle topNode = tree.InsertNode(kTreeRoot, "top", 0, top);
  tree.InsertNode(topNode, "below", 0, below);
  EXPECT_TRUE(tree.DeleteNode(topNode));
  EXPECT_EQ(log, (Strings{"below final release", "below destroyed", "top final release", "top destroyed"}));
  EXPECT_TRUE(tree.Children(kTreeRoot).empty());
}

TEST_F(InMemoryControls, ACallbackRowAsksItsItemForTextsOnlyWhenShownAndOnlyOnce) {
  auto* item = new Probe(nullptr);
  ASSERT_EQ(list.InsertRow(0, "plain", 3), 0);
  ASSERT_EQ(item->AddListRow(&list), 1);
  EXPECT_EQ(item->questions, 0);
  EXPECT_EQ(list.RowTexts(1), (Row{"p column 0", "p column 1", "p column 2", "p column 3"}));
  EXPECT_EQ(list.RowImage(1), 7);
  const int questions = item->questions;  // the whole row, then column by column for an item like this
  list.RowTexts(1);
  EXPECT_EQ(item->questions, questions);
  EXPECT_EQ(list.RowTexts(0), (Row{"plain", "", "", ""}));
  EXPECT_TRUE(list.SetRowText(0, 3, "last") && !list.SetRowText(0, 4, "x") && !list.SetRowText(2, 0, "x"));
  item->Release();
}

}  // namespace
}  // namespace vendrel
