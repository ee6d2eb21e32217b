#include "platform/write_faults.h"

namespace vendrel {

namespace {

uint64_t passed = 0;
uint64_t armed = 0;
uint64_t total = 0;

}  // namespace

bool WritePoint() {
  ++total;
  return ++passed != armed;
}

void ArmWriteFault(uint64_t n) {
  passed = 0;
  armed = n;
}

uint64_t WritePointsPassed() {
  return passed;
}

uint64_t WritesSoFar() {
  return total;
}

}  // namespace vendrel
