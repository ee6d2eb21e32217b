// Starting other programs: found in a directory of choice first, then on PATH.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace vendrel::shell {

// The path of the executable file name in firstDirectory, else in a directory of PATH; none when absent.
std::optional<std::string> FindProgram(const std::string& name, const std::string& firstDirectory = {});
// Runs argv to its end with its output discarded: its exit code, or -1 when it could not run.
int RunAndWait(const std::vector<std::string>& argv);
// Starts argv and does not wait for it; the program is no child of this one, so none is left a zombie.
// argv[0] is the path of the executable. True when it started (the executable ran).
bool StartDetached(const std::vector<std::string>& argv);

}  // namespace vendrel::shell
