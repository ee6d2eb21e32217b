// Writing a file of the user's own configuration: only inside a base directory (an XDG directory), never
// through a symbolic link below it, and whole: into a temporary file that is then renamed into place, so
// that an interrupted run leaves the old file or the new one, never half of one.
#pragma once

#include <string>

namespace vendrel::shell {

// Writes content to base/relative, making the directories below base that are missing. False (and
// nothing written) when relative leaves base, a directory below base is a symbolic link or no directory,
// or the file cannot be written.
bool WriteFileInside(const std::string& base, const std::string& relative, const std::string& content);

}  // namespace vendrel::shell
