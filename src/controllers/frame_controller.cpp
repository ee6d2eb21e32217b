#include "controllers/frame_controller.h"

#include <algorithm>
#include <filesystem>

#include "controllers/explorer_controller.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/status_text.h"
#include "platform/working_directory.h"
#include "shell/shell_commands.h"

namespace vendrel {

namespace {

constexpr const char* kRecentFilesKey = "recentFiles";
constexpr const char* kCodePageKey = "codePage";
constexpr const char* kWorkingDirectoryKey = "workingDirectory";

// The code pages of the mail client's languages, by their names for iconv.
constexpr std::pair<const char*, const char*> kCodePages[] = {
    {"WINDOWS-1252", "Western European (Windows-1252)"},
    {"WINDOWS-1250", "Central European (Windows-1250)"},
    {"WINDOWS-1251", "Cyrillic (Windows-1251)"},
    {"WINDOWS-1253", "Greek (Windows-1253)"},
    {"WINDOWS-1254", "Turkish (Windows-1254)"},
    {"WINDOWS-1255", "Hebrew (Windows-1255)"},
    {"WINDOWS-1256", "Arabic (Windows-1256)"},
    {"WINDOWS-1257", "Baltic (Windows-1257)"},
    {"WINDOWS-1258", "Vietnamese (Windows-1258)"},
    {"CP874", "Thai (Windows-874)"},
    {"CP932", "Japanese (Shift JIS, 932)"},
    {"CP936", "Simplified Chinese (GBK, 936)"},
    {"CP949", "Korean (949)"},
    {"CP950", "Traditional Chinese (Big5, 950)"},
};

}  // namespace

FrameController::FrameController(FrameWindow& window, CommandStates& toolbar, CommandGate& gate,
                                 Settings& settings)
    : window_(window), toolbar_(toolbar), gate_(gate), settings_(settings) {}

void FrameController::Start() {
  const std::vector<std::string> codePage = settings_.Get(kCodePageKey);
  if (!codePage.empty()) SetLegacyCodePage(codePage[0]);
  const std::vector<std::string> directory = settings_.Get(kWorkingDirectoryKey);
  std::error_code error;
  if (!directory.empty() && std::filesystem::is_directory(directory[0], error)) SetWorkingDirectory(directory[0]);
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
    case kCmdCodePage:
      AskCodePage();
      break;
    case kCmdWorkingDirectory:
      AskWorkingDirectory();
      break;
    case kCmdHelpContents:
      window_.ShowHelp();
      break;
    case kCmdFind:
      window_.ShowFind();
      break;
    case kCmdCloseWindow:
      if (ExplorerController* active = window_.ActiveExplorer()) CloseExplorer(*active);
      break;
    case kCmdIdentities:
      break;  // neither acted on nor forwarded
    default:
      if (command >= kCmdBuddy1 && command <= kCmdBuddy4) {
        shell::LaunchIdentity(command - kCmdBuddy1 + 1);
        break;
      }
      if (command >= kCmdRecentFile1 && command < kCmdRecentFile1 + kRecentFileCount) {
        OpenRecent(static_cast<size_t>(command - kCmdRecentFile1));
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
  RememberOpened(path);
  return true;
}

std::vector<std::string> FrameController::RecentFiles() const {
  std::vector<std::string> files = settings_.Get(kRecentFilesKey);
  if (files.size() > kRecentFileCount) files.resize(kRecentFileCount);
  return files;
}

void FrameController::RememberOpened(const std::string& path) {
  std::error_code error;
  const std::string absolute = std::filesystem::absolute(path, error).lexically_normal().string();
  std::vector<std::string> files = RecentFiles();
  std::erase(files, absolute);
  files.insert(files.begin(), absolute);
  if (files.size() > kRecentFileCount) files.pop_back();
  settings_.Set(kRecentFilesKey, files);
}

void FrameController::OpenRecent(size_t index) {
  std::vector<std::string> files = RecentFiles();
  if (index >= files.size()) return;
  const std::string path = files[index];
  if (OpenFile(path, std::filesystem::path(path).filename().string())) return;
  // Gone or no longer a database: it leaves the list, and the status line says why.
  std::erase(files, path);
  settings_.Set(kRecentFilesKey, files);
}

void FrameController::AskCodePage() {
  std::vector<std::string> choices;
  for (const auto& [name, label] : kCodePages) choices.emplace_back(label);
  const std::optional<size_t> chosen = CurrentDesktop().AskChoice(
      "Code page", "Names and subjects stored without a character set are read as (now " +
                       LegacyCodePage().name() + "):",
      choices);
  if (!chosen) return;
  const std::string name = kCodePages[*chosen].first;
  if (!SetLegacyCodePage(name)) {
    SetStatusText("This system cannot convert " + name + "; the code page stays " + LegacyCodePage().name());
    return;
  }
  settings_.Set(kCodePageKey, {name});
  SetStatusText("Texts are read as " + name + " from now on; Refresh (F5) shows an open window with it");
}

void FrameController::AskWorkingDirectory() {
  const std::optional<std::string> directory = CurrentDesktop().BrowseForFolder();
  if (!directory || directory->empty()) return;
  SetWorkingDirectory(*directory);
  settings_.Set(kWorkingDirectoryKey, {*directory});
  SetStatusText("Save default and Preview write under " + *directory);
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
