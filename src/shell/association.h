// Makes this program the one that opens .dbx files for the current user: a MIME type for the files
// (glob *.dbx, magic CF AD 12 FE), a desktop entry for the program, and the type's default handler. An
// installed program has its type and entry already: only the default is set to that entry. A program run
// from where it was built gets an entry of another name, so that it never hides an installed one.
#pragma once

#include <string>

namespace vendrel::shell {

inline constexpr const char* kDbxMimeType = "application/x-outlook-express-dbx";
inline constexpr const char* kInstalledEntryName = "vendrel.desktop";
inline constexpr const char* kBuildEntryName = "vendrel-build.desktop";

struct XdgDirectories {
  std::string dataHome;    // $XDG_DATA_HOME, else ~/.local/share
  std::string configHome;  // $XDG_CONFIG_HOME, else ~/.config
  static XdgDirectories FromEnvironment();
};

// The desktop entry for executable (its full path) with icon (a theme name or a file path).
std::string DesktopEntry(const std::string& executable, const std::string& icon);
// mimeapps.list with the .dbx type's default set to the desktop entry entryName; every other line kept as
// it is.
std::string WithDefaultHandler(const std::string& mimeappsList, const std::string& entryName);
// Whether the program in executableDirectory was installed with its desktop entry (a package, or
// cmake --install): <prefix>/bin beside <prefix>/share/applications/vendrel.desktop.
bool IsInstalled(const std::string& executableDirectory);
// The explorer window's icon: the installed image beside the program, else its theme name.
std::string ExplorerIcon(const std::string& executableDirectory);

// Writes the three files (installed: only the default; a second run writes the same) and refreshes the
// desktop's MIME and desktop databases when their tools are there. False when a file could not be
// written; why goes to the log.
bool AssociateWith(const XdgDirectories& directories, const std::string& executable, const std::string& icon,
                   bool installed);

}  // namespace vendrel::shell
