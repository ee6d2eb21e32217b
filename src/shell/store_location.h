// Where the mail client keeps the current identity's store: read from the registry of the Wine prefix it
// runs in, the Windows path mapped to a path of this system; else from the user's configuration file.
#pragma once

#include <optional>
#include <string>

namespace vendrel::shell {

// The Wine prefix ($WINEPREFIX, else ~/.wine) and the configuration file
// ($XDG_CONFIG_HOME/vendrel/vendrel.conf, else ~/.config/vendrel/vendrel.conf) of this user; settings
// that are no absolute paths are not used, and without a home either is empty (nothing is looked up).
std::string WinePrefix();
std::string ConfigurationFile();

// A Windows path ("C:\Documents and Settings\...") as a path of this system through the prefix's
// dosdevices: drive letters and names found without regard to case when the exact one is not there.
// None when the drive is not mapped or a folder on the way does not exist.
std::optional<std::string> MapWindowsPath(const std::string& prefix, const std::string& windowsPath);

// The Folders.dbx of the identity the mail client used last (the default identity only when no last one
// is recorded) in the prefix's registry; none when any step is missing.
std::optional<std::string> FoldersDbxFromRegistry(const std::string& prefix);
// The Folders.dbx in the folder the configuration file names as StoreRoot.
std::optional<std::string> FoldersDbxFromConfiguration(const std::string& configurationFile);

// Looks the store up until it has been found once: the open dialog starts there the first time only.
class StoreLocator {
 public:
  StoreLocator(std::string prefix, std::string configurationFile)
      : prefix_(std::move(prefix)), configurationFile_(std::move(configurationFile)) {}

  // True with path set when found; true with path untouched once it was found before; false otherwise.
  bool Locate(std::string& path);

 private:
  std::string prefix_;
  std::string configurationFile_;
  bool searching_ = true;
};

}  // namespace vendrel::shell
