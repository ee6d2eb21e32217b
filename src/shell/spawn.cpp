#include "shell/spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>

extern char** environ;

namespace vendrel::shell {

namespace {

bool IsExecutable(const std::string& path) {
  return access(path.c_str(), X_OK) == 0;
}

std::vector<char*> Pointers(const std::vector<std::string>& argv) {
  std::vector<char*> pointers;
  for (const std::string& argument : argv) pointers.push_back(const_cast<char*>(argument.c_str()));
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name, const std::string& firstDirectory) {
  if (name.find('/') != std::string::npos) return IsExecutable(name) ? std::optional(name) : std::nullopt;
  if (!firstDirectory.empty() && IsExecutable(firstDirectory + "/" + name))
    return firstDirectory + "/" + name;
  const char* path = std::getenv("PATH");
  std::istringstream directories(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
  for (std::string directory; std::getline(directories, directory, ':');) {
    if (!directory.empty() && IsExecutable(directory + "/" + name)) return directory + "/" + name;
  }
  return std::nullopt;
}

int RunAndWait(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const std::vector<char*> pointers = Pointers(argv);
  const int started = posix_spawnp(&pid, argv[0].c_str(), &actions, nullptr, pointers.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (started != 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool StartDetached(const std::vector<std::string>& argv) {
  if (argv.empty()) return false;
  // The program runs as a grandchild whose parent has ended: init adopts it and reaps it. A pipe that
  // closes on exec tells whether the exec worked.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  const std::vector<char*> pointers = Pointers(argv);
  const pid_t child = fork();
  if (child < 0) {
    close(report[0]);
    close(report[1]);
    return false;
  }
  if (child == 0) {
    close(report[0]);
    setsid();
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execv(pointers[0], pointers.data());
      const int error = errno;
      [[maybe_unused]] const ssize_t written = write(report[1], &error, sizeof error);
      _exit(127);
    }
    _exit(grandchild < 0 ? 1 : 0);
  }
  close(report[1]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t got;
  while ((got = read(report[0], &error, sizeof error)) < 0 && errno == EINTR) {
  }
  close(report[0]);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 && got == 0;
}

}  // namespace vendrel::shell
