#pragma once

#include "platform/desktop.h"

namespace vendrel::testsupport {

// Installs a quiet HeadlessDesktop for the scope, so that a test can read the messages it was shown.
class ScopedDesktop {
 public:
  ScopedDesktop() {
    desktop.SetEcho(false);
    SetCurrentDesktop(&desktop);
  }
  ~ScopedDesktop() { SetCurrentDesktop(nullptr); }
  ScopedDesktop(const ScopedDesktop&) = delete;
  ScopedDesktop& operator=(const ScopedDesktop&) = delete;

  HeadlessDesktop desktop;
};

}  // namespace vendrel::testsupport
