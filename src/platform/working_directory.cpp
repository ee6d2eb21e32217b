#include "platform/working_directory.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vendrel {

std::string ExecutablePath() {
  std::error_code error;
  const std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::string() : executable.string();
}

std::string ExecutableDirectory() {
  return std::filesystem::path(ExecutablePath()).parent_path().string();
}

std::string UserDirectory(const char* variable, const std::string& underHome) {
  const char* value = std::getenv(variable);
  if (value != nullptr && value[0] == '/') return value;
  const char* home = std::getenv("HOME");
  return home != nullptr && home[0] == '/' ? std::string(home) + "/" + underHome : std::string();
}

std::string ChooseWorkingDirectory(const std::string& executableDirectory) {
  if (!executableDirectory.empty() && access(executableDirectory.c_str(), W_OK) == 0) {
    return executableDirectory;
  }
  const std::string base = UserDirectory("XDG_DATA_HOME", ".local/share");
  const std::string directory = (base.empty() ? "/tmp" : base) + "/vendrel";
  std::error_code error;
  std::filesystem::create_directories(directory, error);
  return directory;
}

namespace {

std::string& Chosen() {
  static std::string directory = ChooseWorkingDirectory(ExecutableDirectory());
  return directory;
}

}  // namespace

const std::string& WorkingDirectory() {
  return Chosen();
}

void SetWorkingDirectory(std::string directory) {
  Chosen() = std::move(directory);
}

}  // namespace vendrel
