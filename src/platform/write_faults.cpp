#include "platform/write_faults.h"

namespace vendrel {

namespace {

uint64_t passed = 0;
uint64_t armed = 0;

}  // namespace

bool WritePoint() {
  return ++passed != armed;
}

void ArmWriteFault(uint64_t n) {
  passed = 0;
  armed = n;
}

uint64_t WritePointsPassed() {
  return passed;
}

}  // namespace vendrel
