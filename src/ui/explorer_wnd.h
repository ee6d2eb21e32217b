// One explorer child window: the tree on the left, the list on the right, the splitter between them.
// It turns the widgets' events into calls of its ExplorerController and draws what that decides.
#pragma once

#include <QSortFilterProxyModel>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>
#include <memory>

#include "controllers/explorer_controller.h"
#include "controllers/explorer_window.h"
#include "controllers/settings.h"
#include "ui/message_list_model.h"
#include "ui/qt_list_view.h"
#include "ui/qt_tree_view.h"

namespace vendrel::ui {

class ExplorerWnd : public QWidget, public ExplorerWindow {
 public:
  // settings, when given, keeps the splitter's place and the list's column widths between runs.
  ExplorerWnd(CommandGate& gate, CommandStates* toolbar, Settings* settings = nullptr, QWidget* parent = nullptr);
  ~ExplorerWnd() override;

  ExplorerController& controller() { return controller_; }
  QTreeWidget* treeWidget() const { return tree_; }
  QTreeView* listWidget() const { return list_; }
  QtTreeView& treeView() { return treeView_; }
  QtListView& listView() { return listView_; }
  QTabBar* viewTabs() const { return views_; }
  QTreeView* messageView() const { return messageView_; }
  const MessageListModel& messages() const { return messages_; }
  // The tab of the list's views: the designed rows, or the messages of the selected database.
  enum View { Rows, Messages };

  Pane FocusedPane() const override;
  void FocusPane(Pane pane) override;
  Rect ClientRect() const override;
  void MovePanes(const Panes& panes) override;
  void ShowDragBand(const std::optional<Rect>& band) override;
  void Refreshed() override { UpdateMessageView(); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  bool OnPaneKey(QKeyEvent* key, bool fromList);
  // The commands of the node or row under the mouse, which becomes the selected one.
  void ShowContextMenu(QAbstractItemView* pane, const QPoint& at);
  void RememberSplit();
  void KeepColumnWidths();
  // Where the selected node stands for a message database the list offers its messages, a tab away.
  void UpdateMessageView();
  // The record of the message at a row of the messages view selected in the tree.
  void ShowMessageRecord(const QModelIndex& row);
  // A mouse event of a pane near the gap belongs to the splitter; true when it was taken.
  bool OnPaneMouse(QWidget* pane, QMouseEvent* mouse);

  // The model first: the list view is made on it.
  QtListView listView_;
  QTreeWidget* tree_;
  QTreeView* list_;
  QWidget* band_;
  QtTreeView treeView_;
  ExplorerController controller_;
  Settings* settings_;
  QTimer keepColumns_;
  QTabBar* views_;
  MessageListModel messages_{false};
  QSortFilterProxyModel sortedMessages_;
  QTreeView* messageView_;
  CommandGate& gate_;
  std::shared_ptr<const mail::MessageCatalog> listed_;  // what the messages view shows
  bool showingRecord_ = false;  // the tree follows the messages view: the view stays
  bool chosenFromList_ = false;  // the selected node is the record of a row of the messages view
  Panes panes_{};
};

}  // namespace vendrel::ui
