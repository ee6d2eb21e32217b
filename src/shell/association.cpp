#include "shell/association.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/desktop.h"
#include "platform/working_directory.h"
#include "shell/embedded_resources.h"
#include "shell/safe_write.h"
#include "shell/spawn.h"

namespace vendrel::shell {

namespace fs = std::filesystem;

namespace {

constexpr const char* kMimePackageFile = "mime/packages/vendrel.xml";
constexpr const char* kDefaultsSection = "[Default Applications]";
constexpr const char* kExplorerIconName = "vendrel-explorer";

std::string ReplaceAll(std::string text, const std::string& what, const std::string& with) {
  for (size_t pos = 0; (pos = text.find(what, pos)) != std::string::npos; pos += with.size()) {
    text.replace(pos, what.size(), with);
  }
  return text;
}

// A desktop entry's Exec argument: quoted when it holds anything the entry's syntax reads specially.
std::string ExecArgument(const std::string& path) {
  if (path.find_first_of(" \t\"'\\$`%;<>|&()*?#~=") == std::string::npos) return path;
  std::string quoted = "\"";
  for (const char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += "\\\\";
    if (c == '%') quoted += '%';
    quoted += c;
  }
  return quoted + "\"";
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

void Log(const std::string& text) {
  CurrentDesktop().Diagnostic("Associate dbx: " + text + "\n");
}

}  // namespace

XdgDirectories XdgDirectories::FromEnvironment() {
  return {UserDirectory("XDG_DATA_HOME", ".local/share"), UserDirectory("XDG_CONFIG_HOME", ".config")};
}

std::string DesktopEntry(const std::string& executable, const std::string& icon) {
  return ReplaceAll(ReplaceAll(kDesktopEntryTemplate, "@VENDREL_EXEC@", ExecArgument(executable)),
                    "@VENDREL_ICON@", icon);
}

std::string WithDefaultHandler(const std::string& mimeappsList, const std::string& entryName) {
  const std::string entry = std::string(kDbxMimeType) + "=" + entryName;
  std::istringstream lines(mimeappsList);
  std::string out;
  bool inDefaults = false;
  bool written = false;
  for (std::string line; std::getline(lines, line);) {
    const std::string_view bare = std::string_view(line).substr(0, line.find_last_not_of('\r') + 1);
    if (!bare.empty() && bare.front() == '[') {
      inDefaults = bare == kDefaultsSection;
      out += line + "\n";
      if (inDefaults && !written) out += entry + (bare.size() < line.size() ? "\r\n" : "\n");
      written = written || inDefaults;
      continue;
    }
    // The type's old handler goes: ours, right below the section's name, replaces it.
    if (inDefaults && bare.starts_with(std::string(kDbxMimeType) + "=")) continue;
    out += line + "\n";
  }
  if (!written) {
    if (!out.empty() && !out.ends_with("\n\n")) out += "\n";
    out += std::string(kDefaultsSection) + "\n" + entry + "\n";
  }
  return out;
}

std::string ExplorerIcon(const std::string& executableDirectory) {
  for (const char* share : {"/../share", "/share"}) {
    const fs::path icon = fs::path(executableDirectory + share) / "icons/hicolor/256x256/apps" /
                          (std::string(kExplorerIconName) + ".png");
    std::error_code error;
    if (fs::is_regular_file(icon, error)) return fs::weakly_canonical(icon, error).string();
  }
  return kExplorerIconName;
}

bool IsInstalled(const std::string& executableDirectory) {
  std::error_code error;
  return fs::path(executableDirectory).filename() == "bin" &&
         fs::is_regular_file(fs::path(executableDirectory) / "../share/applications" / kInstalledEntryName, error);
}

bool AssociateWith(const XdgDirectories& directories, const std::string& executable, const std::string& icon,
                   bool installed) {
  const auto write = [](const std::string& base, const std::string& relative, const std::string& content) {
    if (WriteFileInside(base, relative, content)) return true;
    Log("cannot write " + base + "/" + relative);
    return false;
  };
  const std::string mimeapps = directories.configHome + "/mimeapps.list";
  const std::string entryName = installed ? kInstalledEntryName : kBuildEntryName;
  const bool defaulted =
      write(directories.configHome, "mimeapps.list", WithDefaultHandler(ReadFile(mimeapps), entryName));
  if (installed) return defaulted;
  const bool typed = write(directories.dataHome, kMimePackageFile, kMimePackage);
  const bool entered =
      write(directories.dataHome, "applications/" + entryName, DesktopEntry(executable, icon));
  // The databases are refreshed only where this program wrote: their tools write beside what they read.
  if (typed && FindProgram("update-mime-database"))
    RunAndWait({"update-mime-database", directories.dataHome + "/mime"});
  if (entered && FindProgram("update-desktop-database")) {
    RunAndWait({"update-desktop-database", directories.dataHome + "/applications"});
  }
  return typed && entered && defaulted;
}

}  // namespace vendrel::shell
