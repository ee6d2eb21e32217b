#pragma once

#include "platform/desktop.h"
#include "platform/status_text.h"

namespace vendrel::testsupport {

// Installs a quiet HeadlessDesktop with a registered status line for the scope, so that a test can read
// the messages and status lines it was shown.
class ScopedDesktop {
 public:
  ScopedDesktop() : installed_(desktop) {
    desktop.SetEcho(false);
    SetStatusLineRegistered(true);
  }
  ~ScopedDesktop() { SetStatusLineRegistered(false); }
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

  HeadlessDesktop desktop;

 private:
  InstalledDesktop installed_;
};

}  // namespace vendrel::testsupport
