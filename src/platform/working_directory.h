// The program's working directory: "Save default" writes under it and "Preview..." into its "Previews"
// directory. It is the directory of the executable, as users of the program know it, unless that cannot
// be written (an installed program): then $XDG_DATA_HOME/vendrel, made when first needed.
#pragma once

#include <string>

namespace vendrel {

const std::string& WorkingDirectory();
// The directory the user chose instead, for this run.
void SetWorkingDirectory(std::string directory);
// The choice itself, for a given executable directory and environment.
std::string ChooseWorkingDirectory(const std::string& executableDirectory);
// A directory of the user's by the XDG rules: $variable when it holds an absolute path, else
// $HOME/underHome when HOME does; empty when neither does.
std::string UserDirectory(const char* variable, const std::string& underHome);
// The running executable and its directory; empty when they cannot be read.
std::string ExecutablePath();
std::string ExecutableDirectory();

}  // namespace vendrel
