// Every place where the program writes into a database file, or into a copy it is about to write back,
// passes WritePoint(). Tests arm it to fail the n-th write to see that a change is written whole or not
// at all; it is never armed otherwise.
#pragma once

#include <cstdint>

namespace vendrel {

// False when this write is the armed one: the caller fails it as if the system had.
bool WritePoint();
// Fails the n-th write point from now on (1 is the next); 0 disarms.
void ArmWriteFault(uint64_t n);
// Write points passed since the last ArmWriteFault.
uint64_t WritePointsPassed();
// Write points passed since the program started: what was read before may have changed when it moved.
uint64_t WritesSoFar();

}  // namespace vendrel
