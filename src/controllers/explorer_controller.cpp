#include "controllers/explorer_controller.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <vector>

#include "controllers/commands.h"
#include "dbx/database_check.h"
#include "export/store_export.h"
#include "items/command_ids.h"
#include "items/db_root_item.h"
#include "items/index_table_item.h"
#include "items/record_item.h"
#include "mail/message_catalog.h"
#include "dbx/header.h"
#include "dbx/index_walk.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "platform/status_text.h"
#include "platform/working_directory.h"
#include "store/quiet_sessions.h"

namespace vendrel {

namespace {

using Ref = ItemRef<ExplorerItem>;

constexpr size_t kCommandCount = std::size(kDatabaseCommands);

// A designed failure text with the reason the item gave, when it gave one.
std::string Failure(const char* text, const ExplorerItem& item) {
  return item.failure.empty() ? std::string(text) : std::string(text) + ": " + item.failure;
}

// The commands that have no action in this program; shown disabled whatever the item says.
bool HasNoAction(int command) {
  return command == kCmdCut || command == kCmdPaste || command == kCmdNewMessage;
}

}  // namespace

ExplorerController::ExplorerController(ExplorerWindow& window, TreeView& tree, ListView& list,
                                       CommandGate& gate, CommandStates* toolbar)
    : window_(window), tree_(tree), list_(list), gate_(gate), toolbar_(toolbar) {
  tree_.SetEvents(this);
}

ExplorerController::~ExplorerController() {
  Close();
}

bool ExplorerController::Create(const std::string& path) {
  path_ = path;
  Layout();
  CreateRoot();
  return Root() != nullptr;
}

void ExplorerController::CreateRoot() {
  const DbRootItem* root = ShowNewItem<DbRootItem>(
      [&](DbRootItem& item) {
        if (item.AttachDatabase(path_, &tree_, &list_, true, false)) return true;
        openFailure_ = item.failure;
        return false;
      },
      nullptr, 0);
  if (root != nullptr) tree_.ExpandNode(root->hTreeItem);
}

DbRootItem* ExplorerController::Root() const {
  return dynamic_cast<DbRootItem*>(tree_.ItemOf(tree_.FirstChild(kTreeRoot)));
}

void ExplorerController::Close() {
  tree_.SetEvents(nullptr);
  ReleaseItems();
}

void ExplorerController::ReleaseItems() {
  list_.DeleteAllRows();
  // An item kept alive past this point must not reach controls that are going.
  for (TreeNodeHandle node = tree_.FirstChild(kTreeRoot); node != kNoTreeNode;
       node = tree_.NextSibling(node)) {
    if (auto* root = dynamic_cast<DbRootItem*>(tree_.ItemOf(node))) root->DetachControls();
  }
  tree_.DeleteChildren(kTreeRoot);
}

bool ExplorerController::OnExpanding(TreeNodeHandle node) {
  const auto operation = gate_.Begin();
  if (!operation) return false;
  const Ref item = Ref::Share(tree_.ItemOf(node));
  // The selected node was expanded when it was explored; expanding it again would rebuild what is shown.
  if (item && node != tree_.Selected()) {
    item->failure.clear();
    if (!item->Expand()) {
      SetStatusText(Failure(kFailedToExpand, *item));
      return false;
    }
  }
  UpdateCommandState(nullptr);
  return true;
}

void ExplorerController::OnSelectionChanged(TreeNodeHandle node) {
  const auto operation = gate_.Begin();
  if (!operation) return;
  list_.DeleteAllRows();
  const Ref item = Ref::Share(tree_.ItemOf(node));
  if (item) {
    item->ShowStatusCaption();
    item->failure.clear();
    if (!item->Explore()) {
      SetStatusText(Failure(kFailedToExplore, *item));
      return;
    }
  }
  UpdateCommandState(nullptr);
}

void ExplorerController::OnSelectedNodeDeleted() {
  list_.DeleteAllRows();
  UpdateCommandState(nullptr);
}

ExplorerItem* ExplorerController::GetActiveItem() const {
  if (window_.FocusedPane() == Pane::List) {
    const int row = list_.SelectedRow();
    if (row >= 0) return list_.ItemOf(row);
  }
  const TreeNodeHandle selected = tree_.Selected();
  return selected != kNoTreeNode ? tree_.ItemOf(selected) : nullptr;
}

std::optional<std::string> ExplorerController::SelectedMessageSource() const {
  const TreeNodeHandle selected = tree_.Selected();
  RecordItem* record = nullptr;
  for (ExplorerItem* item = selected != kNoTreeNode ? tree_.ItemOf(selected) : nullptr;
       item != nullptr && record == nullptr; item = item->parent)
    record = dynamic_cast<RecordItem*>(item);
  QuietSessions quiet;  // asked at every click: a locked file answers at once, without a box
  DbStore store;
  if (record == nullptr || !record->OpenStore(store) || !dbx::IsMessageDatabase(&store)) return std::nullopt;
  const uint32_t first = dbx::RecordAt(store, record->ra) != nullptr ? dbx::GetTextOffset(store, record->ra) : 0;
  if (first == 0) return std::nullopt;
  return dbx::ReadMessageSource(store, first);
}

std::optional<std::string> ExplorerController::MessageListDatabase() const {
  const TreeNodeHandle selected = tree_.Selected();
  ExplorerItem* item = selected != kNoTreeNode ? tree_.ItemOf(selected) : nullptr;
  if (dynamic_cast<DbRootItem*>(item) == nullptr && dynamic_cast<IndexTableItem*>(item) == nullptr) return std::nullopt;
  const std::string* path = static_cast<DbItem*>(item)->FindDatabasePath();
  QuietSessions quiet;
  DbStore store;
  if (path == nullptr || !static_cast<DbItem*>(item)->OpenStore(store) || !dbx::IsMessageDatabase(&store))
    return std::nullopt;
  return *path;
}

bool ExplorerController::SelectRecord(uint32_t recordRa) {
  const TreeNodeHandle selected = tree_.Selected();
  ExplorerItem* item = selected != kNoTreeNode ? tree_.ItemOf(selected) : nullptr;
  while (item != nullptr && dynamic_cast<DbRootItem*>(item) == nullptr) item = item->parent;
  auto* root = item != nullptr ? static_cast<DbRootItem*>(item) : Root();
  if (root == nullptr || recordRa == 0) return false;
  std::vector<uint32_t> way{dbx::RootSlot(0)};
  {
    DbStore store;
    if (!root->OpenStore(store)) return false;
    const std::vector<uint32_t> nodes = dbx::PathToRecord(store, dbx::TreeRoot(store, 0), recordRa);
    if (nodes.empty()) return false;
    way.insert(way.end(), nodes.begin(), nodes.end());
    way.push_back(recordRa);
  }
  TreeNodeHandle node = root->hTreeItem;
  for (const uint32_t ra : way) {
    if (!tree_.IsExpanded(node)) tree_.ExpandNode(node);
    node = ChildShowing(node, ra);
    if (node == kNoTreeNode) return false;
  }
  tree_.SelectNode(node);
  return true;
}

TreeNodeHandle ExplorerController::ChildShowing(TreeNodeHandle parent, uint32_t ra) const {
  for (TreeNodeHandle node = tree_.FirstChild(parent); node != kNoTreeNode; node = tree_.NextSibling(node)) {
    const auto* item = dynamic_cast<DbItem*>(tree_.ItemOf(node));
    if (item != nullptr && item->ra == ra) return node;
  }
  return kNoTreeNode;
}

void ExplorerController::UpdateCommandState(CommandStates* menu) {
  CommandStates* target = menu != nullptr ? menu : toolbar_;
  if (target == nullptr) return;
  const Ref item = Ref::Share(GetActiveItem());
  std::array<bool, kCommandCount> enabled{};
  if (item) {
    if (menu == nullptr) item->ShowStatusCaption();
    // All answers from one session, quietly: this runs on every click and when a menu opens.
    QuietSessions quiet;
    DbStore session;
    if (auto* dbItem = dynamic_cast<DbItem*>(item.get())) dbItem->OpenStore(session);
    for (size_t i = 0; i < kCommandCount; ++i) {
      const int command = kDatabaseCommands[i];
      if (command == kCmdStop) {
        enabled[i] = gate_.InModalLoop();  // a save waits between its steps
      } else {
        enabled[i] = !HasNoAction(command) && item->IsCommandEnabled(command);
      }
    }
  }
  // Rows of the list without an item of their own (a record's properties) are copied as they are.
  const bool rowsSelected = window_.FocusedPane() == Pane::List && list_.SelectedRow() >= 0;
  if (!item && menu == nullptr && !rowsSelected) SetStatusText(kNoActiveItem);
  for (size_t i = 0; i < kCommandCount; ++i) target->SetEnabled(kDatabaseCommands[i], enabled[i]);
  target->SetEnabled(kCmdCopy, item || rowsSelected);
  target->SetEnabled(kCmdCheckDatabase, dynamic_cast<DbItem*>(item.get()) != nullptr);
  target->SetEnabled(kCmdExport, Root() != nullptr);
}

void ExplorerController::ExpandAll() {
  const auto operation = gate_.Begin();
  const TreeNodeHandle top = tree_.Selected();
  if (!operation || top == kNoTreeNode) return;
  WaitCursor wait;
  // One session for all: each expansion joins it instead of opening the file anew.
  DbStore session;
  if (auto* dbItem = dynamic_cast<DbItem*>(tree_.ItemOf(top))) dbItem->OpenStore(session);
  // Each node's children made as one expansion would make them, top down; a node that is open already
  // (or selected: exploring it made its children) keeps what it shows.
  std::vector<TreeNodeHandle> pending = {top}, opened;
  size_t made = 0, failed = 0;
  while (!pending.empty() && made < kMostNodesExpanded) {
    const TreeNodeHandle node = pending.back();
    pending.pop_back();
    const Ref item = Ref::Share(tree_.ItemOf(node));
    if (!item) continue;  // the placeholder of a node not made yet
    if (node != top && !tree_.IsExpanded(node)) {
      if (!item->Expand()) {
        ++failed;
        continue;
      }
      ++made;
    }
    opened.push_back(node);
    for (TreeNodeHandle child = tree_.FirstChild(node); child != kNoTreeNode; child = tree_.NextSibling(child))
      pending.push_back(child);
  }
  std::reverse(opened.begin(), opened.end());
  tree_.ShowExpanded(opened);
  UpdateCommandState(nullptr);  // first: it shows the active item's caption, which the outcome replaces
  if (!pending.empty()) {
    SetStatusText(Format("Expanded %d nodes; the rest below stays collapsed", static_cast<int>(made)));
  } else if (failed > 0) {
    SetStatusText(Format("%s: %d node(s)", kFailedToExpand, static_cast<int>(failed)));
  }
}

void ExplorerController::GoToRow() {
  const auto operation = gate_.Begin();
  if (!operation) return;
  const int row = list_.SelectedRow();
  ExplorerItem* rowItem = row >= 0 ? list_.ItemOf(row) : nullptr;
  // A row of the check names its structure by RA: the item shown for it, if there is one.
  if (rowItem == nullptr && row >= 0) {
    const std::string ra = list_.RowTexts(row)[1];
    char* end = nullptr;
    const unsigned long value = std::strtoul(ra.c_str(), &end, 16);
    if (!ra.empty() && *end == '\0') rowItem = ShownItemAt(static_cast<uint32_t>(value));
  }
  const Ref item = Ref::Share(rowItem);
  if (item) {
    item->ShowStatusCaption();
    const TreeNodeHandle node = item->hTreeItem;
    // A row can outlive its item's node (the node was rebuilt meanwhile): then there is nothing to show.
    const TreeNodeHandle parent = tree_.ItemOf(node) == item.get() ? tree_.ParentNode(node) : kNoTreeNode;
    if (parent != kNoTreeNode) {
      if (!tree_.IsExpanded(parent)) tree_.ExpandNode(parent);
      tree_.SelectNode(node);
    }
  }
  UpdateCommandState(nullptr);
}

void ExplorerController::OnKey(ExplorerKey key, bool fromList) {
  switch (key) {
    case ExplorerKey::Enter:
      if (fromList) GoToRow();
      break;
    case ExplorerKey::F4: {
      // Only where "New folder..." is offered: elsewhere the key would only meet a "not implemented" box.
      ExplorerItem* item = GetActiveItem();
      if (item != nullptr && item->IsCommandEnabled(kCmdNewFolder)) {
        Command(kCmdNewFolder);
      } else {
        SetStatusText(kNoFolderHere);
      }
      break;
    }
    case ExplorerKey::F5:
      Command(kCmdRefresh);
      break;
    case ExplorerKey::Star:
      if (!fromList) ExpandAll();
      break;
  }
}

template <class Operation>
void ExplorerController::RunItemCommand(Operation&& operation) {
  const Pane focus = window_.FocusedPane();
  const Ref item = Ref::Share(GetActiveItem());
  if (!item) return;
  item->failure.clear();
  if (!operation(*item)) SetStatusText(Failure(kFailed, *item));
  window_.FocusPane(focus);
}

void ExplorerController::Command(int command) {
  const auto operation = gate_.Begin();
  if (!operation) return;
  switch (command) {
    case kCmdPreview:
      RunItemCommand([](ExplorerItem& item) { return item.Preview(WorkingDirectory() + "/Previews"); });
      break;
    case kCmdSave:
      RunItemCommand([](ExplorerItem& item) { return item.Save(); });
      break;
    case kCmdSaveAs:
      RunItemCommand([](ExplorerItem& item) { return item.SaveAs(); });
      break;
    case kCmdSaveDefault:
      RunItemCommand([](ExplorerItem& item) { return item.SaveDefault(WorkingDirectory(), true); });
      break;
    case kCmdNewFolder: {
      // The folder's node is made anew to show the new one: what was open below it opens again.
      const std::set<std::vector<std::string>> open = ExpandedPaths();
      RunItemCommand([](ExplorerItem& item) { return item.CreateFolder(nullptr); });
      Reexpand(open);
      break;
    }
    case kCmdRefresh:
      Refresh();
      break;
    case kCmdCopy:
      Copy();
      break;
    case kCmdCheckDatabase:
      CheckDatabase();
      break;
    case kCmdExport:
      Export();
      break;
  }
  // A save that waited in its progress dialog has ended: nothing is left to stop.
  if (toolbar_ != nullptr) toolbar_->SetEnabled(kCmdStop, gate_.InModalLoop());
}

void ExplorerController::Refresh() {
  const Pane focus = window_.FocusedPane();
  mail::SessionCatalogs().Forget(path_);
  if (const Ref item = Ref::Share(GetActiveItem())) {
    if (auto* dbItem = dynamic_cast<DbItem*>(item.get()); dbItem != nullptr && dbItem->FindDatabasePath() != nullptr)
      mail::SessionCatalogs().Forget(*dbItem->FindDatabasePath());
    item->failure.clear();
    SetStatusText(item->Refresh() ? kRefreshSucceeded : Failure(kFailedToRefresh, *item));
    window_.FocusPane(focus);
    window_.Refreshed();
    return;
  }
  if (tree_.Selected() != kNoTreeNode) return;
  // Nothing to refresh but the whole file: open it anew in place of the root that is there.
  ReleaseItems();
  CreateRoot();
  if (Root() == nullptr) SetStatusText(kFailedToRefresh);
  window_.Refreshed();
}

void ExplorerController::CheckDatabase() {
  const Ref item = Ref::Share(GetActiveItem());
  auto* dbItem = dynamic_cast<DbItem*>(item.get());
  const std::string* path = dbItem != nullptr ? dbItem->FindDatabasePath() : nullptr;
  if (path == nullptr) return;
  DbStore store;
  if (!store.OpenAsFound(*path)) {
    SetStatusText("Failed to check " + *path + ": " + store.DescribeFailure());
    return;
  }
  const dbx::DatabaseCheck check = dbx::CheckDatabase(store);
  list_.DeleteAllRows();
  for (const dbx::CheckProblem& problem : check.problems) {
    AppendFieldRow(&list_, problem.structure, Format("%08X", problem.ra), problem.what, "");
  }
  SetStatusText(check.problems.empty()
                    ? "Checked " + *path + ": no problem found"
                    : Format("Checked %s: %d problem(s)", path->c_str(), static_cast<int>(check.problems.size())));
}

void ExplorerController::Export() {
  const DbRootItem* root = Root();
  if (root == nullptr) return;
  // In the order of ExportFormat.
  static const std::vector<std::string> kFormats = {
      "Files of their own (.eml)", "mbox (Thunderbird, mutt)", "Maildir (Dovecot, Courier, mutt)"};
  const bool store = root->caption.starts_with("Folders DB");
  const std::optional<size_t> format = CurrentDesktop().AskChoice(
      "Export", (store ? "Export every folder of " : "Export the messages of ") + path_ + " as:", kFormats);
  if (!format) return;
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  if (!directory) return;
  DesktopWatcher watcher;  // the progress with its Stop, and the line of what was written
  const StoreExport report =
      ExportStore(path_, *directory, ExportOptions{.format = static_cast<ExportFormat>(*format)}, watcher);
  const std::string written = Format("%d msgs of %d folders.Path: %s", report.messages, report.folders,
                                     directory->c_str());
  if (report.stopped) {
    SetStatusText("Export stopped after " + written);
  } else if (!report.problems.empty()) {
    SetStatusText(Format("Exported %s; %d thing(s) left out", written.c_str(),
                         static_cast<int>(report.problems.size())));
    constexpr size_t kShown = 20;  // a damaged store can leave out thousands: the box must still fit
    std::string text = "Not everything was exported:";
    for (size_t i = 0; i < std::min(kShown, report.problems.size()); ++i) text += "\n" + report.problems[i];
    if (report.problems.size() > kShown) text += Format("\n... and %d more", static_cast<int>(report.problems.size() - kShown));
    CurrentDesktop().ShowMessage(text, "Export");
  }
}

void ExplorerController::WalkCaptionPaths(
    const std::function<bool(TreeNodeHandle, const std::vector<std::string>&)>& descend) const {
  std::vector<std::pair<TreeNodeHandle, std::vector<std::string>>> pending = {{kTreeRoot, {}}};
  while (!pending.empty()) {
    auto [node, path] = std::move(pending.back());
    pending.pop_back();
    for (TreeNodeHandle child = tree_.FirstChild(node); child != kNoTreeNode; child = tree_.NextSibling(child)) {
      const ExplorerItem* item = tree_.ItemOf(child);
      if (item == nullptr) continue;
      std::vector<std::string> childPath = path;
      childPath.push_back(item->caption);
      if (descend(child, childPath)) pending.emplace_back(child, std::move(childPath));
    }
  }
}

std::set<std::vector<std::string>> ExplorerController::ExpandedPaths() const {
  std::set<std::vector<std::string>> paths;
  WalkCaptionPaths([&](TreeNodeHandle node, const std::vector<std::string>& path) {
    return tree_.IsExpanded(node) && paths.insert(path).second;
  });
  return paths;
}

void ExplorerController::Reexpand(const std::set<std::vector<std::string>>& paths) {
  WalkCaptionPaths([&](TreeNodeHandle node, const std::vector<std::string>& path) {
    return paths.contains(path) && (tree_.IsExpanded(node) || tree_.ExpandNode(node));
  });
}

ExplorerItem* ExplorerController::ShownItemAt(uint32_t ra, TreeNodeHandle under) const {
  for (TreeNodeHandle node = tree_.FirstChild(under); node != kNoTreeNode; node = tree_.NextSibling(node)) {
    auto* item = dynamic_cast<DbItem*>(tree_.ItemOf(node));
    if (item != nullptr && item->ra == ra && ra != 0) return item;
    if (ExplorerItem* found = ShownItemAt(ra, node)) return found;
  }
  return nullptr;
}

void ExplorerController::Copy() {
  std::string text;
  if (window_.FocusedPane() == Pane::List) {
    for (const int row : list_.SelectedRows()) {
      const ColumnTexts texts = list_.RowTexts(row);
      text += texts[0] + '\t' + texts[1] + '\t' + texts[2] + '\t' + texts[3] + '\n';
    }
  }
  if (text.empty()) {
    const ExplorerItem* item = GetActiveItem();
    if (item == nullptr) return;
    text = item->caption;
  }
  CurrentDesktop().SetClipboardText(text);
}

void ExplorerController::Layout() {
  const Rect client = window_.ClientRect();
  // Until the user moves it, the split is the first one exactly: a window resized many times while it
  // opens must not drift from it.
  PlaceSplitter(splitterMoved_ ? KeepProportion(panes_, client.width())
                               : static_cast<int>(client.width() * firstSplit_));
}

double ExplorerController::SplitFraction() const {
  const int width = window_.ClientRect().width();
  // The splitter's x is one past the tree; its pixel's middle, so that the same width gives it back.
  return width > 0 ? (panes_.tree.right + 1.5) / width : firstSplit_;
}

void ExplorerController::PlaceSplitter(int x) {
  panes_ = PlacePanes(x, window_.ClientRect());
  panesPlaced_ = true;
  window_.MovePanes(panes_);
}

bool ExplorerController::OnMouseDown(int x, int y) {
  if (!drag_.Press(panes_, window_.ClientRect(), x, y)) return false;
  window_.ShowDragBand(drag_.Move(x));
  return true;
}

void ExplorerController::OnMouseMove(int x) {
  if (drag_.dragging()) window_.ShowDragBand(drag_.Move(x));
}

void ExplorerController::OnMouseUp(int x) {
  const std::optional<int> split = drag_.Release(x);
  if (!split) return;
  window_.ShowDragBand(std::nullopt);
  PlaceSplitter(*split);
  splitterMoved_ = true;
}

bool ExplorerController::CursorOverSplitter(int x, int y) const {
  return panesPlaced_ && SplitterRect(panes_).Contains(x, y);
}

}  // namespace vendrel
