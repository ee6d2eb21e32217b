// Makes this program the one that opens .dbx files for the current user: a MIME type for the files
// (glob *.dbx, magic CF AD 12 FE), a desktop entry for the program, and the type's default handler.
#pragma once

#include <string>

namespace vendrel::shell {

inline constexpr const char* kDbxMimeType = "application/x-outlook-express-dbx";
inline constexpr const char* kDesktopFileName = "vendrel.desktop";

struct XdgDirectories {
  std::string dataHome;    // $XDG_DATA_HOME, else ~/.local/share
  std::string configHome;  // $XDG_CONFIG_HOME, else ~/.config
  static XdgDirectories FromEnvironment();
};

// The desktop entry for executable (its full path) with icon (a theme name or a file path).
std::string DesktopEntry(const std::string& executable, const std::string& icon);
// mimeapps.list with the .dbx type's default set to this program; every other line kept as it is.
std::string WithDefaultHandler(const std::string& mimeappsList);
// The explorer window's icon: the installed image beside the program, else its theme name.
std::string ExplorerIcon(const std::string& executableDirectory);

// Writes the three files (a second run writes the same) and refreshes the desktop's MIME and desktop
// databases when their tools are there. False when a file could not be written; why goes to the log.
bool AssociateWith(const XdgDirectories& directories, const std::string& executable, const std::string& icon);

}  // namespace vendrel::shell
