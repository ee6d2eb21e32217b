#include "shell/shell_commands.h"

#include "platform/desktop.h"
#include "platform/working_directory.h"

namespace vendrel::shell {

// The store lookup, the association, the launcher and the download page are still to come: for now they
// find nothing and do nothing.

bool LocateFoldersDbx(std::string&) {
  return false;
}

int ExploreWorkingDirectory() {
  CurrentDesktop().OpenWithShell(WorkingDirectory());
  return 0;
}

int AssociateDbx() {
  return 0;
}

int LaunchIdentity(int) {
  return 1;
}

// The mail client's DirectDB windows do not exist on this platform: there is nothing to show or hide.
int ToggleDirectDbWindows() {
  return 0;
}

int OpenDownloadPage() {
  return 0;
}

}  // namespace vendrel::shell
