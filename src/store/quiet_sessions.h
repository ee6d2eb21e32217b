// While a QuietSessions scope is open on a thread, the sessions that thread opens never wait for a peer's
// lock and never show a message box: what the window asks while it paints a row or updates its commands
// must answer at once. A lock held elsewhere makes the session fail and is remembered as "busy".
#pragma once

namespace vendrel {

class QuietSessions {
 public:
  QuietSessions();
  ~QuietSessions();
  QuietSessions(const QuietSessions&) = delete;
  QuietSessions& operator=(const QuietSessions&) = delete;

  static bool Active();
  // Called by a session that found its lock held by another process or thread.
  static void NoteBusy();
  // Whether a session opened in this scope found its lock held.
  bool busy() const { return busy_; }

 private:
  QuietSessions* outer_;
  bool busy_ = false;
};

}  // namespace vendrel
