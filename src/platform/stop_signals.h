// Ctrl-C in a terminal, a hang-up or a plain kill asks a long command to stop where it can end cleanly
// (after the message being written, with nothing half made left behind) instead of ending it mid-write.
// A second such signal ends the program at once, for a user who will not wait.
#pragma once

namespace vendrel {

// From now on, SIGINT, SIGTERM and SIGHUP ask for a stop, once each.
void StopOnSignals();
// Whether one of them came since StopOnSignals.
bool StopRequested();

}  // namespace vendrel
