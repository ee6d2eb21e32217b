// A watcher that stops a walk at its n-th step, as a user pressing Stop there would.
#pragma once

#include <cstdint>

#include "export/export_watcher.h"

namespace vendrel::testsupport {

class StoppingWatcher : public QuietWatcher {
 public:
  explicit StoppingWatcher(uint64_t at) : at_(at) {}
  bool Step(uint64_t done, uint64_t) override { return done < at_; }

 private:
  uint64_t at_;
};

}  // namespace vendrel::testsupport
