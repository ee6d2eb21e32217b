// The rules of one explorer window, without a toolkit: it opens the database as a root item, turns the
// tree's and the list's notifications, the keys and the forwarded commands into calls of the active
// item's operations, keeps the command states in step with the active item, reports every outcome on the
// status line, and does the splitter's arithmetic. The window only passes events in and draws.
#pragma once

#include <algorithm>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "controllers/command_gate.h"
#include "controllers/command_states.h"
#include "controllers/explorer_window.h"
#include "controllers/splitter.h"
#include "items/control_views.h"
#include "items/item_ref.h"

namespace vendrel {

class DbRootItem;
class ExplorerItem;

inline constexpr const char* kNoActiveItem = "No active item...";
inline constexpr const char* kNoFolderHere =
    "A new folder goes below a folder record or a folder's message database: select one first";

enum class ExplorerKey { Enter, F4, F5, Star };

class ExplorerController : public TreeEvents {
 public:
  // toolbar is the frame's, or null for a window without one (vendrel-cli), which keeps no command state.
  ExplorerController(ExplorerWindow& window, TreeView& tree, ListView& list, CommandGate& gate,
                     CommandStates* toolbar);
  ~ExplorerController() override;
  ExplorerController(const ExplorerController&) = delete;
  ExplorerController& operator=(const ExplorerController&) = delete;

  // Opens path: its root item, expanded, with the splitter at half the width. False when the file cannot
  // be shown (the item has said why, where it says anything); the window is then removed.
  bool Create(const std::string& path);
  // Releases every item for good, as the window goes: the list's rows first, then the tree's nodes, each
  // below its parent.
  void Close();
  const std::string& path() const { return path_; }
  // Why Create failed: the path and the reason.
  const std::string& openFailure() const { return openFailure_; }
  DbRootItem* Root() const;

  bool OnExpanding(TreeNodeHandle node) override;
  void OnSelectionChanged(TreeNodeHandle node) override;
  void OnSelectedNodeDeleted() override;

  // "*" in the tree: every node below the selected one expanded, as far as the file's structures go (at
  // most kMostNodesExpanded nodes newly expanded: a hostile file must not fill the memory).
  void ExpandAll();
  static constexpr size_t kMostNodesExpanded = 250000;
  // Enter or a double click on a list row: shows the row's own node in the tree.
  void GoToRow();
  // key is pressed in the tree (fromList false) or in the list.
  void OnKey(ExplorerKey key, bool fromList);
  // The focus moved, or the list's selection changed, or this window became the active one.
  void OnStateChanged() { UpdateCommandState(nullptr); }
  // A command forwarded by the frame; those that are not this window's do nothing.
  void Command(int command);
  // The commands' states on the toolbar (menu null) or in a menu popup that opens.
  void UpdateCommandState(CommandStates* menu);
  // The selected list row's item when the list has the focus and a selected row, else the selected node's.
  ExplorerItem* GetActiveItem() const;
  // The stored text of the message the selected node belongs to (its record or anything below it), for
  // the reading pane; none when that is no message with its text in the file.
  std::optional<std::string> SelectedMessageSource() const;
  // The message database whose messages the selected node stands for (its root or one of its index
  // tables), for a list of them; none elsewhere.
  std::optional<std::string> MessageListDatabase() const;
  // Shows the message record at recordRa of the database the selected node belongs to (else of the
  // window's) selected in the tree, every node on the way down its tree of messages opened; false when
  // that tree does not name it.
  bool SelectRecord(uint32_t recordRa);

  // The window's client area changed size: the splitter keeps its proportion (or starts at the first
  // split, half the width unless set: the place the user chose last).
  void Layout();
  void SetFirstSplit(double fraction) { firstSplit_ = std::clamp(fraction, 0.0, 1.0); }
  // Where the splitter is, as a part of the width.
  double SplitFraction() const;
  // The mouse in client coordinates. A press starts a drag of the splitter only near the gap; true when
  // it did, so that the pane under the mouse does not take the press as its own.
  bool OnMouseDown(int x, int y);
  void OnMouseMove(int x);
  void OnMouseUp(int x);
  bool Dragging() const { return drag_.dragging(); }
  // The split cursor shows over the gap between the panes.
  bool CursorOverSplitter(int x, int y) const;
  const Panes& panes() const { return panes_; }

 private:
  void CreateRoot();
  void ReleaseItems();
  void Refresh();
  void Copy();
  // The consistency check of the active item's database, its problems listed as rows.
  void CheckDatabase();
  // The window's database (with a Folders.dbx, the whole store) exported in a format and into a directory
  // the user chooses.
  void Export();
  // Walks the tree top down with each node's path of captions; descend says whether to go below a node.
  void WalkCaptionPaths(const std::function<bool(TreeNodeHandle, const std::vector<std::string>&)>& descend) const;
  // The captions of every expanded node, each from the top; and the nodes of such paths expanded again.
  std::set<std::vector<std::string>> ExpandedPaths() const;
  void Reexpand(const std::set<std::vector<std::string>>& paths);
  // The item of an expanded node that stands for the structure at ra; null when none is shown.
  ExplorerItem* ShownItemAt(uint32_t ra, TreeNodeHandle under = kTreeRoot) const;
  // The node below parent that shows the structure at ra; none when it shows none.
  TreeNodeHandle ChildShowing(TreeNodeHandle parent, uint32_t ra) const;
  // Runs one of the item commands on the active item, with "Failed..." when it returns false.
  template <class Operation>
  void RunItemCommand(Operation&& operation);
  void PlaceSplitter(int x);

  ExplorerWindow& window_;
  TreeView& tree_;
  ListView& list_;
  CommandGate& gate_;
  CommandStates* toolbar_;
  std::string path_;
  std::string openFailure_;
  Panes panes_;
  bool panesPlaced_ = false;
  double firstSplit_ = 0.5;
  bool splitterMoved_ = false;
  SplitterDrag drag_;
};

}  // namespace vendrel
