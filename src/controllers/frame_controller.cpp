#include "controllers/frame_controller.h"

#include <filesystem>

#include "controllers/explorer_controller.h"
#include "platform/desktop.h"
#include "platform/status_text.h"
#include "shell/shell_commands.h"

namespace vendrel {

FrameController::FrameController(FrameWindow& window, CommandStates& toolbar, CommandGate& gate)
    : window_(window), toolbar_(toolbar), gate_(gate) {}

void FrameController::Start() {
  ShowWelcome();
  EnableFrameCommands(nullptr);
}

void FrameController::Command(int command) {
  // "Stop!" is the one command that reaches a running operation.
  if (command == kCmdStop) {
    gate_.RequestStop();
    return;
  }
  const auto operation = gate_.Begin();
  if (!operation || HandleOwn(command)) return;
  if (ExplorerController* active = window_.ActiveExplorer()) active->Command(command);
}

bool FrameController::HandleOwn(int command) {
  switch (command) {
    case kCmdAbout:
      window_.ShowAbout();
      break;
    case kCmdExit:
      window_.Exit();
      break;
    case kCmdOpen:
      OpenFileDialog();
      break;
    case kCmdCloseAll:
      CloseAll();
      break;
    case kCmdCascade:
    case kCmdTileVertically:
    case kCmdTileHorizontally:
      window_.ArrangeWindows(command);
      break;
    case kCmdExploreWorkingDirectory:
      shell::ExploreWorkingDirectory();
      break;
    case kCmdAssociateDbx:
      shell::AssociateDbx();
      break;
    case kCmdDefaultIdentity:
      shell::LaunchIdentity(0);
      break;
    case kCmdMoreIdentities:
      shell::LaunchIdentity(-1);
      break;
    case kCmdDirectDbWindows:
      shell::ToggleDirectDbWindows();
      break;
    case kCmdDownload:
      shell::OpenDownloadPage();
      break;
    case kCmdIdentities:
      break;  // neither acted on nor forwarded
    default:
      if (command >= kCmdBuddy1 && command <= kCmdBuddy4) {
        shell::LaunchIdentity(command - kCmdBuddy1 + 1);
        break;
      }
      return false;
  }
  return true;
}

int FrameController::OpenFiles(const std::vector<std::string>& paths) {
  const auto operation = gate_.Begin();
  if (!operation) return 0;
  int opened = 0;
  for (const std::string& path : paths) {
    if (!path.empty() && OpenFile(path)) ++opened;
  }
  return opened;
}

bool FrameController::OpenFile(const std::string& path, const std::string& title) {
  ExplorerController* explorer = window_.CreateExplorerWindow(title.empty() ? path : title);
  if (explorer == nullptr) return false;
  if (!explorer->Create(path)) {
    const std::string why = "Cannot open " + explorer->openFailure();
    window_.DestroyExplorerWindow(*explorer);
    SetStatusText(why);
    return false;
  }
  window_.ShowExplorerWindow(*explorer);
  lastOpened_ = path;
  return true;
}

void FrameController::OpenFileDialog() {
  // The mail client's store the first time; afterwards where the user went last.
  std::string startFolder;
  if (lastOpened_.empty()) {
    shell::LocateFoldersDbx(startFolder);
  } else {
    startFolder = std::filesystem::path(lastOpened_).parent_path().string();
  }
  const std::optional<std::string> path = CurrentDesktop().AskOpenFileName(startFolder);
  if (path && !path->empty()) OpenFile(*path, std::filesystem::path(*path).filename().string());
}

void FrameController::CloseExplorer(ExplorerController& explorer) {
  gate_.WhenIdle([this, &explorer] {
    // It may have gone meanwhile with the others.
    for (ExplorerController* open : window_.Explorers()) {
      if (open == &explorer) window_.DestroyExplorerWindow(explorer);
    }
  });
}

void FrameController::CloseAll() {
  for (ExplorerController* explorer : window_.Explorers()) CloseExplorer(*explorer);
}

void FrameController::OnActiveExplorerChanged(ExplorerController* active) {
  if (active == nullptr) {
    // The status line no longer names an item of a window that went.
    if (window_.Explorers().empty()) ShowWelcome();
    window_.ShowMenu(MenuId::Frame);
    EnableFrameCommands(nullptr);
    return;
  }
  window_.ShowMenu(MenuId::Explorer);
  active->UpdateCommandState(nullptr);
}

void FrameController::OnMenuPopup(CommandStates& menu) {
  if (ExplorerController* active = window_.ActiveExplorer()) active->UpdateCommandState(&menu);
  EnableFrameCommands(&menu);
}

void FrameController::EnableFrameCommands(CommandStates* menu) {
  CommandStates& target = menu != nullptr ? *menu : toolbar_;
  for (const int command : kAlwaysAvailableCommands) target.SetEnabled(command, true);
  // A build without a download address has no page to open.
  target.SetEnabled(kCmdDownload, shell::HasDownloadPage());
  if (menu != nullptr) return;
  for (const int command : kDatabaseFrameCommands) target.SetEnabled(command, false);
}

}  // namespace vendrel
