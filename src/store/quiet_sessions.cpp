#include "store/quiet_sessions.h"

namespace vendrel {

namespace {

thread_local QuietSessions* innermost = nullptr;

}  // namespace

QuietSessions::QuietSessions() : outer_(innermost) {
  innermost = this;
}

QuietSessions::~QuietSessions() {
  innermost = outer_;
  if (busy_ && outer_ != nullptr) outer_->busy_ = true;
}

bool QuietSessions::Active() {
  return innermost != nullptr;
}

void QuietSessions::NoteBusy() {
  if (innermost != nullptr) innermost->busy_ = true;
}

}  // namespace vendrel
