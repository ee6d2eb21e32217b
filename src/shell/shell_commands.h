// The commands that reach outside the program's windows: the mail client's store, the file association,
// the identity launcher, the mail client's DirectDB windows, the working directory and the download page.
// Each is one entry point that the frame routes its command to.
#pragma once

#include <string>

namespace vendrel::shell {

// The Folders.dbx of the mail client's current identity, for the open dialog to start in: true and the
// path in path when found (or when it was found once already; path is then left alone).
bool LocateFoldersDbx(std::string& path);
// Opens the working directory in the desktop's file manager.
int ExploreWorkingDirectory();
// Makes this program the one that opens .dbx files: false when a file of the association could not be
// written. AssociateDbx, the frame's command, reports nothing either way.
bool AssociateDbxFiles();
int AssociateDbx();
// Starts the identity launcher: 0 for the default identity, 1-4 for the buddies, -1 to choose. 0 when it
// was started, 1 when not.
int LaunchIdentity(int number);
// Shows the mail client's hidden DirectDB windows, or hides them.
int ToggleDirectDbWindows();
// Opens the page where new versions are; the address is a build setting, and without one there is none.
bool HasDownloadPage();
int OpenDownloadPage();

}  // namespace vendrel::shell
