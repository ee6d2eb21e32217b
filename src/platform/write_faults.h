// Every call that changes a file the program keeps (a database, its journal, a file it exports) passes
// WritePoint() first. Tests arm it to fail the n-th call, or every call from the n-th on (a disk that has
// gone bad), or to end the process dead there (a crash or a power cut), and check that a change is
// written whole or not at all. It is never armed otherwise.
#pragma once

#include <cstdint>

namespace vendrel {

enum class WriteFault {
  FailOnce,       // the n-th call fails as if the system had refused it
  FailFromThere,  // the n-th call and every later one fail
  Die,            // the process ends at the n-th call, with kDiedAtWritePoint, before it is made
};

inline constexpr int kDiedAtWritePoint = 86;

// False when this call is to fail: the caller fails it as if the system had.
bool WritePoint();
// Arms the fault for the n-th write point from now on (1 is the next); 0 disarms.
void ArmWriteFault(uint64_t n, WriteFault how = WriteFault::FailOnce);
// Write points passed since the last ArmWriteFault.
uint64_t WritePointsPassed();
// Write points passed since the program started: what was read before may have changed when it moved.
uint64_t WritesSoFar();

}  // namespace vendrel
