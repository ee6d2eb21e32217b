// What the window remembers between runs (recent files, the code page, where saves go, its geometry), as
// lists of byte strings by key; the desktop keeps them in its settings store.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vendrel {

class Settings {
 public:
  virtual ~Settings() = default;
  // Empty when nothing is kept under key.
  virtual std::vector<std::string> Get(std::string_view key) const = 0;
  virtual void Set(std::string_view key, const std::vector<std::string>& values) = 0;
};

}  // namespace vendrel
