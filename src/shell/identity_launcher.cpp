#include "shell/identity_launcher.h"

#include <sstream>

#include "platform/format.h"
#include "shell/spawn.h"

namespace vendrel::shell {

std::string LauncherCommandLine(int number) {
  if (number == 0) return kLauncherProgram;
  if (number == -1) return std::string(kLauncherProgram) + " /choose";
  return Format("%s /buddy%d", kLauncherProgram, number);
}

int LaunchIdentityFrom(int number, const std::string& programDirectory) {
  const std::optional<std::string> program = FindProgram(kLauncherProgram, programDirectory);
  if (!program) return 1;
  std::vector<std::string> argv;
  if (program->ends_with(".exe")) {
    if (const std::optional<std::string> wine = FindProgram("wine")) argv.push_back(*wine);
  }
  argv.push_back(*program);
  std::istringstream words(LauncherCommandLine(number));
  std::string word;
  words >> word;  // the program, found above
  while (words >> word) argv.push_back(word);
  return StartDetached(argv) ? 0 : 1;
}

}  // namespace vendrel::shell
