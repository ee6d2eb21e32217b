#include "platform/write_faults.h"

#include <unistd.h>

namespace vendrel {

namespace {

uint64_t passed = 0;
uint64_t armed = 0;
WriteFault fault = WriteFault::FailOnce;
uint64_t total = 0;

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
