#include "shell/store_location.h"

#include <QSettings>
#include <QString>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

#include "platform/format.h"
#include "platform/working_directory.h"
#include "shell/wine_registry.h"

namespace vendrel::shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kFoldersDbx = "Folders.dbx";
constexpr const char* kIdentities = "Identities";
constexpr const char* kMailClientKey = "Software\\Microsoft\\Outlook Express\\5.0";
constexpr const char* kEnvironment = "Environment";
constexpr const char* kVolatileEnvironment = "Volatile Environment";
constexpr const char* kSystemEnvironment = "System\\CurrentControlSet\\Control\\Session Manager\\Environment";

// The entry of directory whose name equals name, exactly or else without regard to case.
std::optional<fs::path> FindEntry(const fs::path& directory, const std::string& name) {
  std::error_code error;
  if (fs::exists(directory / name, error)) return directory / name;
  const std::string lower = AsciiLower(name);
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    if (AsciiLower(it->path().filename().string()) == lower) return it->path();
  }
  return std::nullopt;
}

// The variables the prefix defines, by lower-case name: the system's and the user's environment keys,
// and what Wine sets for every process, each value expanded once against those before it.
std::map<std::string, std::string> PrefixVariables(const std::string& prefix) {
  std::map<std::string, std::string> variables;
  // Wine names the profile after the user's login.
  const char* login = std::getenv("USER");
  const std::string user = login != nullptr && login[0] != '\0' ? login : "user";
  variables["systemdrive"] = "C:";
  variables["systemroot"] = "C:\\windows";
  variables["windir"] = "C:\\windows";
  variables["userprofile"] = "C:\\users\\" + user;
  variables["username"] = user;
  const auto take = [&](const WineRegistry& registry, const char* key) {
    const auto* values = registry.Key(key);
    if (values == nullptr) return;
    for (const auto& [name, value] : *values) variables[name] = value.text;
  };
  if (const auto system = WineRegistry::Load(prefix + "/system.reg", {kSystemEnvironment}))
    take(*system, kSystemEnvironment);
  if (const auto userRegistry =
          WineRegistry::Load(prefix + "/user.reg", {kEnvironment, kVolatileEnvironment})) {
    take(*userRegistry, kEnvironment);
    take(*userRegistry, kVolatileEnvironment);
  }
  return variables;
}

// %NAME% references replaced by the prefix's variables, once; none when one is not defined.
std::optional<std::string> Expand(const std::string& text,
                                  const std::map<std::string, std::string>& variables) {
  std::string out;
  for (size_t pos = 0; pos < text.size();) {
    const size_t open = text.find('%', pos);
    if (open == std::string::npos) {
      out.append(text, pos);
      break;
    }
    const size_t close = text.find('%', open + 1);
    if (close == std::string::npos) return std::nullopt;
    out.append(text, pos, open - pos);
    const auto it = variables.find(AsciiLower(std::string_view(text).substr(open + 1, close - open - 1)));
    if (it == variables.end()) return std::nullopt;
    out += it->second;
    pos = close + 1;
  }
  return out;
}

}  // namespace

std::string WinePrefix() {
  return UserDirectory("WINEPREFIX", ".wine");
}

std::string ConfigurationFile() {
  const std::string config = UserDirectory("XDG_CONFIG_HOME", ".config");
  return config.empty() ? std::string() : config + "/vendrel/vendrel.conf";
}

std::optional<std::string> MapWindowsPath(const std::string& prefix, const std::string& windowsPath) {
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;  // UNC and relative paths
  const char drive = static_cast<char>(windowsPath[0] | 0x20);
  if (drive < 'a' || drive > 'z') return std::nullopt;
  std::optional<fs::path> current = FindEntry(fs::path(prefix) / "dosdevices", std::string(1, drive) + ":");
  size_t pos = 2;
  while (current && pos < windowsPath.size()) {
    const size_t end = windowsPath.find_first_of("\\/", pos);
    const std::string name =
        windowsPath.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? windowsPath.size() : end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") return std::nullopt;
    current = FindEntry(*current, name);
  }
  std::error_code error;
  if (!current || !fs::is_directory(*current, error)) return std::nullopt;
  // As the user knows the folder: through the drive's link, not below dosdevices.
  const fs::path folder = fs::weakly_canonical(*current, error);
  return error ? current->string() : folder.string();
}

std::optional<std::string> FoldersDbxFromRegistry(const std::string& prefix) {
  if (prefix.empty()) return std::nullopt;
  const std::optional<WineRegistry> registry = WineRegistry::Load(prefix + "/user.reg", {kIdentities});
  if (!registry) return std::nullopt;
  // The default identity only when no last one is recorded, not when the last one names nothing.
  const WineRegistry::Value* identity = registry->Find(kIdentities, "Last User ID");
  if (identity == nullptr) identity = registry->Find(kIdentities, "Default User ID");
  if (identity == nullptr || identity->text.empty()) return std::nullopt;
  const std::string key = std::string(kIdentities) + "\\" + identity->text + "\\" + kMailClientKey;
  const WineRegistry::Value* root = registry->Find(key, "Store Root");
  if (root == nullptr) return std::nullopt;
  const std::optional<std::string> windowsPath =
      root->expandable ? Expand(root->text, PrefixVariables(prefix)) : root->text;
  if (!windowsPath) return std::nullopt;
  const std::optional<std::string> folder = MapWindowsPath(prefix, *windowsPath);
  if (!folder) return std::nullopt;
  // The folder and the file name joined with one separator, whether the value ends with one or not.
  const std::optional<fs::path> file = FindEntry(*folder, kFoldersDbx);
  return (file ? *file : fs::path(*folder) / kFoldersDbx).string();
}

std::optional<std::string> FoldersDbxFromConfiguration(const std::string& configurationFile) {
  std::error_code error;
  if (!fs::is_regular_file(configurationFile, error)) return std::nullopt;
  const QSettings settings(QString::fromStdString(configurationFile), QSettings::IniFormat);
  const std::string root = settings.value("StoreRoot").toString().toStdString();
  if (root.empty() || !fs::is_directory(root, error)) return std::nullopt;
  return (fs::path(root) / kFoldersDbx).string();
}

bool StoreLocator::Locate(std::string& path) {
  if (!searching_) return true;
  std::optional<std::string> found = FoldersDbxFromRegistry(prefix_);
  if (!found) found = FoldersDbxFromConfiguration(configurationFile_);
  if (!found) return false;
  searching_ = false;
  path = *found;
  return true;
}

}  // namespace vendrel::shell
