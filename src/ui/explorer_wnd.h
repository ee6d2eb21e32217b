// One explorer child window: the tree on the left, the list on the right, the splitter between them.
// It turns the widgets' events into calls of its ExplorerController and draws what that decides.
#pragma once

#include <QTreeView>
#include <QTreeWidget>
#include <QWidget>

#include "controllers/explorer_controller.h"
#include "controllers/explorer_window.h"
#include "controllers/settings.h"
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

  Pane FocusedPane() const override;
  void FocusPane(Pane pane) override;
  Rect ClientRect() const override;
  void MovePanes(const Panes& panes) override;
  void ShowDragBand(const std::optional<Rect>& band) override;

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
};

}  // namespace vendrel::ui
