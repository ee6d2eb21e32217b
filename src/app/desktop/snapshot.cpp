#include "app/desktop/snapshot.h"

#include <QApplication>
#include <QFile>
#include <QPixmap>
#include <algorithm>
#include <vector>

#include "dbx/header.h"
#include "items/db_root_item.h"
#include "items/index_table_item.h"
#include "items/record_item.h"
#include "ui/explorer_wnd.h"
#include "ui/frame_wnd.h"

namespace vendrel {

namespace {

// Enough to reach a message through a folder list and a message database, not a walk of a large file.
constexpr int kMaxNodesExpanded = 400;

bool IsMessage(ExplorerItem* item) {
  auto* record = dynamic_cast<RecordItem*>(item);
  DbStore store;
  return record != nullptr && record->OpenStore(store) && dbx::IsMessageDatabase(&store);
}

// The way a user goes from a database to a message: through its folders, else through the tree of all
// records by ID; the index heap and the other trees last.
int Preference(ExplorerItem* item) {
  if (dynamic_cast<RecordItem*>(item) != nullptr) return 0;
  auto* table = dynamic_cast<IndexTableItem*>(item);
  return table != nullptr && table->ra == dbx::RootSlot(0) ? 1 : 2;
}

TreeNodeHandle OpenToFirstMessage(TreeView& tree) {
  std::vector<TreeNodeHandle> pending = {tree.FirstChild(kTreeRoot)};
  for (int expanded = 0; !pending.empty() && expanded < kMaxNodesExpanded; ++expanded) {
    const TreeNodeHandle node = pending.back();
    pending.pop_back();
    if (node == kNoTreeNode) continue;
    if (IsMessage(tree.ItemOf(node))) return node;
    if (!tree.ExpandNode(node)) continue;
    std::vector<TreeNodeHandle> children;
    for (TreeNodeHandle child = tree.FirstChild(node); child != kNoTreeNode;
         child = tree.NextSibling(child)) {
      children.push_back(child);
    }
    // Below a database the folders and the tree by ID go first; below a node, tree order is the order.
    if (dynamic_cast<DbRootItem*>(tree.ItemOf(node)) != nullptr) {
      std::stable_sort(children.begin(), children.end(), [&](TreeNodeHandle a, TreeNodeHandle b) {
        return Preference(tree.ItemOf(a)) < Preference(tree.ItemOf(b));
      });
    }
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  return kNoTreeNode;
}

}  // namespace

bool WriteSnapshot(ui::FrameWnd& frame, const std::string& pngPath) {
  frame.show();
  QApplication::processEvents();
  const std::vector<ExplorerController*> explorers = frame.Explorers();
  if (!explorers.empty()) {
    ui::ExplorerWnd* window = frame.ExplorerWindowOf(*explorers.front());
    frame.mdiArea()->subWindowList().front()->showMaximized();  // which makes it the active one too
    QApplication::processEvents();
    const TreeNodeHandle message = OpenToFirstMessage(window->treeView());
    if (message != kNoTreeNode) {
      window->treeView().SelectNode(message);
      window->treeWidget()->setFocus();
    }
  }
  for (int round = 0; round < 3; ++round) QApplication::processEvents();
  return frame.grab().save(QFile::decodeName(QByteArray::fromStdString(pngPath)), "PNG");
}

}  // namespace vendrel
