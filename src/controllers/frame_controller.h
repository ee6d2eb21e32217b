// The rules of the frame, without a toolkit: the routing of every command (the frame's own, the ones it
// forwards to the active explorer window, and ids nobody handles), which menu shows, which commands the
// frame enables, the opening of files from the command line, the open dialog, drops and the recent
// files, and the choices the user makes for every window (the code page, where saves go), remembered.
#pragma once

#include <string>
#include <vector>

#include "controllers/command_gate.h"
#include "controllers/command_states.h"
#include "controllers/commands.h"
#include "controllers/settings.h"

namespace vendrel {

class ExplorerController;

// What the frame controller needs of the frame window.
class FrameWindow {
 public:
  virtual ~FrameWindow() = default;

  // A new explorer child window with this caption, not shown yet; null when it cannot be made.
  virtual ExplorerController* CreateExplorerWindow(const std::string& caption) = 0;
  // Shows a window made by CreateExplorerWindow (maximised when the active one is).
  virtual void ShowExplorerWindow(ExplorerController& explorer) = 0;
  // Removes the window at once.
  virtual void DestroyExplorerWindow(ExplorerController& explorer) = 0;
  virtual ExplorerController* ActiveExplorer() const = 0;
  virtual std::vector<ExplorerController*> Explorers() const = 0;

  virtual void ShowMenu(MenuId menu) = 0;
  // Cascade, tile vertically or tile horizontally, by command id.
  virtual void ArrangeWindows(int command) = 0;
  virtual void ShowAbout() = 0;
  // The program's manual.
  virtual void ShowHelp() = 0;
  // The search of the open databases' messages.
  virtual void ShowFind() = 0;
  // Ends the program: the frame closes with all its windows.
  virtual void Exit() = 0;
};

class FrameController {
 public:
  FrameController(FrameWindow& window, CommandStates& toolbar, CommandGate& gate, Settings& settings);

  // Takes up the choices of an earlier run, shows the welcome line and sets the toolbar as no explorer
  // window is open.
  void Start();
  // Handles one command or forwards it to the active explorer window.
  void Command(int command);
  // Each file in its own explorer window, in order; a file that fails leaves the others open. The number
  // of windows opened.
  int OpenFiles(const std::vector<std::string>& paths);
  // One file in its own window captioned title (the path when empty); false when it cannot be shown.
  bool OpenFile(const std::string& path, const std::string& title = {});
  void OpenFileDialog();
  // The files opened last, the latest first (at most kRecentFileCount).
  std::vector<std::string> RecentFiles() const;
  // Closes one explorer window, or all; a window whose operation is still running goes when it ends.
  void CloseExplorer(ExplorerController& explorer);
  void CloseAll();

  // The active explorer window changed (null: none is active).
  void OnActiveExplorerChanged(ExplorerController* active);
  // A menu popup opens: the active window sets the database commands, then the frame its own.
  void OnMenuPopup(CommandStates& menu);
  // The toolbar (menu null) or the popup: the always-available commands enabled; on the toolbar, the
  // database commands disabled.
  void EnableFrameCommands(CommandStates* menu);

  CommandGate& gate() { return gate_; }

 private:
  bool HandleOwn(int command);
  void OpenRecent(size_t index);
  void RememberOpened(const std::string& path);
  void AskCodePage();
  void AskWorkingDirectory();

  FrameWindow& window_;
  CommandStates& toolbar_;
  CommandGate& gate_;
  Settings& settings_;
  std::string lastOpened_;
};

}  // namespace vendrel
