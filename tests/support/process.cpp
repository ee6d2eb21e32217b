#include "support/process.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <stdexcept>

#include "platform/mapping_cache.h"
#include "store/db_store.h"

namespace vendrel::testsupport {

Pipe::Pipe() {
  if (pipe(fds_) != 0) throw std::runtime_error("pipe failed");
}

Pipe::~Pipe() {
  close(fds_[0]);
  close(fds_[1]);
}

void Pipe::Send(char signal) {
  if (write(fds_[1], &signal, 1) != 1) throw std::runtime_error("pipe write failed");
}

char Pipe::Receive(int timeoutMs) {
  pollfd ready{fds_[0], POLLIN, 0};
  if (poll(&ready, 1, timeoutMs) != 1) return 0;
  char signal = 0;
  return read(fds_[0], &signal, 1) == 1 ? signal : 0;
}

pid_t StartChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error("fork failed");
  if (pid == 0) _exit(body());
  return pid;
}

int WaitChild(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) continue;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

pid_t StartPeerSession(const std::string& path, Pipe& release) {
  Pipe held;
  const pid_t pid = StartChild([&] {
    DbStore store;
    if (!store.Open(path)) return 1;
    held.Send('H');
    release.Receive();
    return 0;
  });
  if (held.Receive() == 'H') return pid;
  WaitChild(pid);
  return -1;
}

namespace {

std::string ReadToEndAndClose(int fd) {
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<size_t>(n));
  close(fd);
  return text;
}

}  // namespace

CommandResult RunCommand(const std::vector<std::string>& argv) {
  int out[2], err[2];
  if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = StartChild([&] {
    close(0);  // the commands run without standard input, as from cron
    alarm(60);  // kept across exec: a command that never ends (a fault in a loop) is ended, not left spinning
    dup2(out[1], 1);
    dup2(err[1], 2);
    close(out[0]);
    close(err[0]);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execv(args[0], args.data());
    return 127;
  });
  close(out[1]);
  close(err[1]);
  // The outputs of these commands are small: stderr fits its pipe while stdout is read to the end.
  CommandResult result{.out = ReadToEndAndClose(out[0]), .err = ReadToEndAndClose(err[0])};
  result.exitCode = WaitChild(pid);
  return result;
}

namespace {

// What each open descriptor names (a path, "pipe:[...]"), sorted. What Qt and GLib open when first needed
// and keep for the process is left out: their event descriptors ("anon_inode:[eventfd]") and the system's
// data files (/usr/share/mime/mime.cache).
std::vector<std::string> OpenFiles() {
  std::vector<std::string> files;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code error;
    std::string file = std::filesystem::read_symlink(entry.path(), error).string();
    if (!file.starts_with("anon_inode:") && !file.starts_with("/usr/")) files.push_back(std::move(file));
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

LeakWatch::LeakWatch() : open_(OpenFiles()) {}

bool LeakWatch::Found() const {
  ForgetMappings();
  std::vector<std::string> left;
  const std::vector<std::string> now = OpenFiles();
  std::set_difference(now.begin(), now.end(), open_.begin(), open_.end(), std::back_inserter(left));
  for (const std::string& file : left) std::printf("FAILED: left open: %s\n", file.c_str());
  const bool child = waitpid(-1, nullptr, WNOHANG) != -1;
  if (child) std::printf("FAILED: a child process was left behind\n");
  return !left.empty() || child;
}

}  // namespace vendrel::testsupport
