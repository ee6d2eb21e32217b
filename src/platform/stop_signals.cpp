#include "platform/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace vendrel {

namespace {

volatile sig_atomic_t requested = 0;

void Request(int) {
  requested = 1;
}

}  // namespace

void StopOnSignals() {
  struct sigaction action = {};
  action.sa_handler = Request;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the next one is handled as if none had been caught, and ends the program.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
}

bool StopRequested() {
  return requested != 0;
}

}  // namespace vendrel
