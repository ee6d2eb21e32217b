#include "platform/write_faults.h"

#include <unistd.h>

namespace vendrel {

namespace {

// Static storage starts at zero: nothing passed, nothing armed.
uint64_t passed;
uint64_t armed;
WriteFault fault = WriteFault::FailOnce;
uint64_t total;

}  // namespace

bool WritePoint() {
  ++total;
  ++passed;
  if (armed == 0 || passed < armed) return true;
  switch (fault) {
    case WriteFault::FailOnce:
      return passed != armed;
    case WriteFault::FailFromThere:
      return false;
    case WriteFault::Die:
      _exit(kDiedAtWritePoint);
  }
  return false;
}

void ArmWriteFault(uint64_t n, WriteFault how) {
  passed = 0;
  armed = n;
  fault = how;
}

uint64_t WritePointsPassed() {
  return passed;
}

uint64_t WritesSoFar() {
  return total;
}

}  // namespace vendrel
