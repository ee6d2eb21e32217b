// The window's remembered choices in Qt's settings store (~/.config/vendrel/vendrel.conf), each value
// kept as the bytes it is: a file name need not be UTF-8.
#pragma once

#include "controllers/settings.h"

namespace vendrel::ui {

class QtSettings : public Settings {
 public:
  std::vector<std::string> Get(std::string_view key) const override;
  void Set(std::string_view key, const std::vector<std::string>& values) override;
};

}  // namespace vendrel::ui
