// The main window: menus, the toolbar in its movable band, the multiple-document area with one explorer
// window per open file, and the status line. It turns menu, toolbar, drop and window events into calls of
// its FrameController, and carries out what that decides.
#pragma once

#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <memory>
#include <optional>
#include <vector>

#include "controllers/command_gate.h"
#include "controllers/frame_controller.h"
#include "controllers/gated_desktop.h"
#include "ui/action_states.h"
#include "ui/find_dialog.h"
#include "ui/message_pane.h"
#include "ui/qt_desktop.h"
#include "ui/qt_settings.h"

class QDockWidget;
class QLabel;
class QMenu;
class QToolBar;

namespace vendrel::ui {

class ExplorerWnd;

class FrameWnd : public QMainWindow, public FrameWindow {
 public:
  FrameWnd();
  ~FrameWnd() override;

  FrameController& controller() { return *controller_; }
  CommandGate& gate() { return gate_; }
  QMdiArea* mdiArea() const { return mdi_; }
  QToolBar* toolBar() const { return toolbar_; }
  QLabel* statusLine() const { return statusLine_; }
  QtDesktop& desktop() { return *desktop_; }
  MessagePane* messagePane() const { return messagePane_; }
  QDockWidget* messageDock() const { return messageDock_; }
  // The action of a toolbar button, or of a menu item of the menu shown, by command id.
  QAction* ToolbarAction(int command) const;
  QAction* MenuAction(int command) const;
  ExplorerWnd* ExplorerWindowOf(const ExplorerController& explorer) const;

  ExplorerController* CreateExplorerWindow(const std::string& caption) override;
  void ShowExplorerWindow(ExplorerController& explorer) override;
  void DestroyExplorerWindow(ExplorerController& explorer) override;
  ExplorerController* ActiveExplorer() const override;
  std::vector<ExplorerController*> Explorers() const override;
  void ShowMenu(MenuId menu) override;
  void ArrangeWindows(int command) override;
  void ShowAbout() override;
  void ShowHelp() override;
  void ShowFind() override;
  QDialog* findDialog() const;
  void Exit() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void BuildToolbar();
  void BuildMenus();
  QMenu* BuildPopup(const MenuPopup& popup);
  // The recent files as a submenu of menu, made anew each time it opens.
  void AddRecentFiles(QMenu* menu);
  void FillWindowList(QMenu* menu);
  QMdiSubWindow* SubWindowOf(const ExplorerController& explorer) const;
  // The reading pane follows the active window's selected node.
  void UpdateMessagePane();
  // A message found: its record shown in the window of its database, opened when none is.
  void GoToMessage(const ListedMessage& message);

  CommandGate gate_;
  QtSettings settings_;
  QMdiArea* mdi_;
  QToolBar* toolbar_;
  QLabel* statusLine_;
  MessagePane* messagePane_;
  QDockWidget* messageDock_;
  std::unique_ptr<ActionStates> toolbarStates_;
  std::unique_ptr<QtDesktop> desktop_;
  std::unique_ptr<GatedDesktop> gatedDesktop_;
  std::optional<InstalledDesktop> installedDesktop_;
  std::unique_ptr<FrameController> controller_;
  std::vector<QMenu*> frameMenus_;
  std::vector<QMenu*> explorerMenus_;
  MenuId shown_ = MenuId::Frame;
  FindDialog* find_ = nullptr;
};

}  // namespace vendrel::ui
