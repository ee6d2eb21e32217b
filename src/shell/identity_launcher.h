// The identity launcher trevik_2.exe, an outside program run under Wine: started for the default identity,
// a buddy, or the choice of an identity, and never waited for.
#pragma once

#include <string>
#include <vector>

namespace vendrel::shell {

inline constexpr const char* kLauncherProgram = "trevik_2.exe";

// "trevik_2.exe" for 0, "trevik_2.exe /choose" for -1, "trevik_2.exe /buddy%d" for any other number.
std::string LauncherCommandLine(int number);
// The launcher found in programDirectory first, then on PATH, started (through wine when that is
// installed): 0 when it started, 1 when not.
int LaunchIdentityFrom(int number, const std::string& programDirectory);

}  // namespace vendrel::shell
