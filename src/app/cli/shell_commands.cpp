// vendrel-cli locate-store and associate: the window's store lookup and "Associate dbx", for scripted
// set-ups and for checking them without a window.
#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "shell/shell_commands.h"

namespace vendrel::cli {

int RunLocateStore(const Arguments& arguments) {
  if (!arguments.empty()) return PrintError("usage: vendrel-cli locate-store"), kExitUsage;
  std::string path;
  if (!shell::LocateFoldersDbx(path)) {
    PrintError(
        "no store found (Wine registry of $WINEPREFIX or ~/.wine, StoreRoot in the configuration file)");
    return kExitFailed;
  }
  std::printf("%s\n", path.c_str());
  return kExitOk;
}

int RunAssociate(const Arguments& arguments) {
  if (!arguments.empty()) return PrintError("usage: vendrel-cli associate"), kExitUsage;
  if (shell::AssociateDbxFiles()) return kExitOk;
  PrintError("the association could not be written whole (XDG_DATA_HOME, XDG_CONFIG_HOME)");
  return kExitFailed;
}

}  // namespace vendrel::cli
