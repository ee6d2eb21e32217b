// Child processes for tests: a function run in a forked child (for lock contention between processes
// and for dropping privileges), and a command run with its output captured.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace vendrel::testsupport {

// A one-way channel between a parent and a forked child, for "I hold it" / "let go" signals.
class Pipe {
 public:
  Pipe();
  ~Pipe();
  Pipe(const Pipe&) = delete;
  Pipe& operator=(const Pipe&) = delete;

  void Send(char signal);
  // The next signal, or 0 when the other end closed or nothing came within the time-out.
  char Receive(int timeoutMs = 10000);

 private:
  int fds_[2];
};

// Forks; the child runs body and exits with its result without running the parent's clean-up.
pid_t StartChild(const std::function<int()>& body);
// Waits for the child; its exit code, or 128 + signal number when a signal ended it.
int WaitChild(pid_t pid);

// A forked peer holding a session on path until release gets a signal; its pid, -1 when it could not.
pid_t StartPeerSession(const std::string& path, Pipe& release);

struct CommandResult {
  int exitCode = -1;
  std::string out, err;
};

CommandResult RunCommand(const std::vector<std::string>& argv);

// What a test program holds open when its tests start, to tell at the end what they left behind: CTest runs
// each test in a process of its own, so what is left is that test's leak, a descriptor a long session in
// the window would run out of or a child never waited for. The mappings kept between sessions by design
// are dropped first.
class LeakWatch {
 public:
  LeakWatch();
  // Names each leak on stdout, where CTest's verdict looks for "FAILED".
  bool Found() const;

 private:
  std::vector<std::string> open_;
};

}  // namespace vendrel::testsupport
