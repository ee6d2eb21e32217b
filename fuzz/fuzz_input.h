// What every fuzz target shares: the input as a database file on disk (the program maps files), in a
// directory of this process that is made once and emptied after each input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "items/db_root_item.h"
#include "platform/desktop.h"
#include "platform/status_text.h"

namespace vendrel::fuzz {

// Inputs larger than a small database are not worth the time: the structures repeat.
inline constexpr size_t kMaxInput = 64 * 1024;

inline const std::filesystem::path& WorkDirectory() {
  static const std::filesystem::path directory = [] {
    std::error_code error;
    const std::filesystem::path base = std::filesystem::is_directory("/dev/shm", error)
                                           ? std::filesystem::path("/dev/shm")
                                           : std::filesystem::temp_directory_path();
    const std::filesystem::path path = base / ("vendrel-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(path);
    // A quiet desktop: message boxes answer OK, status lines go nowhere.
    static HeadlessDesktop desktop;
    desktop.SetEcho(false);
    static const InstalledDesktop installed(desktop);
    return path;
  }();
  return directory;
}

// The input written as name in the work directory; its path.
inline std::string WriteInput(const uint8_t* data, size_t size, const char* name = "Folders.dbx") {
  const std::filesystem::path path = WorkDirectory() / name;
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return path.string();
}

// Removes what a target wrote besides its input.
inline void CleanUp() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(WorkDirectory(), error)) {
    std::filesystem::remove_all(entry.path(), error);
  }
}

}  // namespace vendrel::fuzz
