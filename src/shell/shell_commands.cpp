#include "shell/shell_commands.h"

#include "platform/desktop.h"
#include "platform/working_directory.h"
#include "shell/association.h"
#include "shell/identity_launcher.h"
#include "shell/store_location.h"

namespace vendrel::shell {

namespace {

constexpr const char* kDownloadPage = VENDREL_DOWNLOAD_URL;

}  // namespace

bool LocateFoldersDbx(std::string& path) {
  static StoreLocator locator(WinePrefix(), ConfigurationFile());
  return locator.Locate(path);
}

int ExploreWorkingDirectory() {
  CurrentDesktop().OpenWithShell(WorkingDirectory());
  return 0;
}

bool AssociateDbxFiles() {
  // The window program opens the files, also when vendrel-cli makes the association.
  const std::string directory = ExecutableDirectory();
  return AssociateWith(XdgDirectories::FromEnvironment(), directory + "/vendrel", ExplorerIcon(directory),
                       IsInstalled(directory));
}

int AssociateDbx() {
  AssociateDbxFiles();
  return 0;
}

int LaunchIdentity(int number) {
  return LaunchIdentityFrom(number, ExecutableDirectory());
}

// The mail client's DirectDB windows do not exist on this platform: there is nothing to show or hide.
int ToggleDirectDbWindows() {
  return 0;
}

bool HasDownloadPage() {
  return kDownloadPage[0] != '\0';
}

int OpenDownloadPage() {
  if (HasDownloadPage()) CurrentDesktop().OpenUrl(kDownloadPage);
  return 0;
}

}  // namespace vendrel::shell
