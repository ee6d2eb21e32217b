// The window's interactions with the real widgets, offscreen, on a 10,000-message database: opening it and
// showing the root (also on the same database padded to 500 MB: opening must not grow with the file),
// expanding a full index node, selecting a message and listing its rows, and "*" on the whole index table
// (with the memory the fully expanded window holds). Each round ends with the window painted.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <fstream>
#include <memory>
#include <string>

#include "large_databases.h"
#include "ui/explorer_wnd.h"
#include "ui/frame_wnd.h"

namespace {

using vendrel::testsupport::DbxBuilder;

constexpr int kMessages = 10000;

QApplication& Application() {
  static int argc = 1;
  static char name[] = "window_bench";
  static char* argv[] = {name, nullptr};
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(argc, argv);
  return application;
}

// The database, written once: 10,000 messages of 4 KiB, and the same padded to 500 MB.
const std::string& Database(bool padded) {
  static vendrel::testsupport::TempDir dir;
  static std::string paths[2];
  std::string& path = paths[padded ? 1 : 0];
  if (!path.empty()) return path;
  DbxBuilder builder = vendrel::tools::LargeMessageDatabase(kMessages, 4096);
  if (padded) builder.PadTo(size_t{500} << 20);
  path = (dir / (padded ? "Padded.dbx" : "Large.dbx")).string();
  builder.WriteTo(path);
  return path;
}

// What the process holds in memory now (the window, its items and the mapped database).
double ResidentMegabytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.starts_with("VmRSS:")) return std::stod(line.substr(6)) / 1024;
  return 0;
}

void Paint() {
  QApplication::processEvents();
}

struct Window {
  Window() : application(Application()) {
    frame.resize(1200, 800);
    frame.show();
    Paint();
  }
  vendrel::ui::ExplorerWnd* Open(const std::string& path) {
    if (!frame.controller().OpenFile(path)) return nullptr;
    return frame.ExplorerWindowOf(*frame.ActiveExplorer());
  }
  QApplication& application;  // before any widget
  vendrel::ui::FrameWnd frame;
};

void OpenAndShowRoot(benchmark::State& state) {
  Window window;
  const std::string& path = Database(state.range(0) != 0);
  for (auto _ : state) {
    vendrel::ui::ExplorerWnd* explorer = window.Open(path);
    Paint();
    if (explorer == nullptr) state.SkipWithError("the database did not open");
    state.PauseTiming();
    window.frame.controller().CloseAll();
    Paint();
    state.ResumeTiming();
  }
}
BENCHMARK(OpenAndShowRoot)
    ->ArgName("padded_to_500MB")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The first node below node whose caption starts with prefix, expanded.
QTreeWidgetItem* Expand(QTreeWidgetItem* node, const QString& prefix) {
  for (int i = 0; i < node->childCount(); ++i) {
    if (!node->child(i)->text(0).startsWith(prefix)) continue;
    node->child(i)->setExpanded(true);
    return node->child(i);
  }
  return nullptr;
}

void ExpandFullNode(benchmark::State& state) {
  Window window;
  vendrel::ui::ExplorerWnd* explorer = window.Open(Database(false));
  QTreeWidgetItem* slot = Expand(explorer->treeWidget()->topLevelItem(0), "000000E4");
  QTreeWidgetItem* root = Expand(slot, "Index");
  // A node below the root: full, with a record and a child node under each entry but the last level.
  QTreeWidgetItem* node = Expand(root, "Index");
  if (node == nullptr) state.SkipWithError("no index node");
  for (auto _ : state) {
    node->setExpanded(false);
    node->setExpanded(true);  // not the selected node: its children are built anew
    Paint();
  }
  state.counters["children"] = node->childCount();
}
BENCHMARK(ExpandFullNode)->Unit(benchmark::kMillisecond)->UseRealTime();

void SelectMessageAndListRows(benchmark::State& state) {
  Window window;
  vendrel::ui::ExplorerWnd* explorer = window.Open(Database(false));
  QTreeWidgetItem* root = Expand(Expand(explorer->treeWidget()->topLevelItem(0), "000000E4"), "Index");
  QTreeWidgetItem* messages[2] = {Expand(root, "0000"), nullptr};
  for (int i = root->indexOfChild(messages[0]) + 1; i < root->childCount() && messages[1] == nullptr; ++i) {
    if (root->child(i)->text(0).startsWith("0000")) messages[1] = root->child(i);
  }
  if (messages[1] == nullptr) state.SkipWithError("no two messages");
  int turn = 0;
  for (auto _ : state) {
    explorer->treeWidget()->setCurrentItem(messages[turn++ % 2]);
    Paint();
  }
  state.counters["rows"] = explorer->listView().RowCount();
}
BENCHMARK(SelectMessageAndListRows)->Unit(benchmark::kMillisecond)->UseRealTime();

// "*" on the largest index table: every node below it expanded, each level as the user would see it.
void ExpandAllOfIndexTable(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    Window window;
    vendrel::ui::ExplorerWnd* explorer = window.Open(Database(false));
    QTreeWidgetItem* table = Expand(explorer->treeWidget()->topLevelItem(0), "000000E4");
    if (table == nullptr) state.SkipWithError("no index table");
    explorer->treeWidget()->setCurrentItem(table);
    explorer->treeWidget()->setFocus();
    Paint();
    state.ResumeTiming();
    QKeyEvent star(QEvent::KeyPress, Qt::Key_Asterisk, Qt::NoModifier, "*");
    QApplication::sendEvent(explorer->treeWidget(), &star);
    Paint();
    state.PauseTiming();
    int nodes = 0;
    for (QTreeWidgetItemIterator it(table); *it != nullptr; ++it) ++nodes;
    state.counters["nodes"] = nodes;
    state.counters["resident_MB"] = ResidentMegabytes();
    state.ResumeTiming();
  }
}
BENCHMARK(ExpandAllOfIndexTable)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// The messages view of the database's root, its catalog made anew (a first look, or after Refresh), then
// sorted by subject: each round ends with the list painted.
void ShowAndSortMessageList(benchmark::State& state) {
  Window window;
  vendrel::ui::ExplorerWnd* explorer = window.Open(Database(false));
  QTreeWidget* tree = explorer->treeWidget();
  QTreeWidgetItem* table = Expand(tree->topLevelItem(0), "000000E4");
  for (auto _ : state) {
    tree->setCurrentItem(table);
    explorer->viewTabs()->setCurrentIndex(vendrel::ui::ExplorerWnd::Rows);
    vendrel::mail::SessionCatalogs().Forget(Database(false));
    tree->setCurrentItem(tree->topLevelItem(0));
    explorer->viewTabs()->setCurrentIndex(vendrel::ui::ExplorerWnd::Messages);
    explorer->messageView()->sortByColumn(1, Qt::AscendingOrder);
    Paint();
  }
  state.counters["rows"] = explorer->messageView()->model()->rowCount();
}
BENCHMARK(ShowAndSortMessageList)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
