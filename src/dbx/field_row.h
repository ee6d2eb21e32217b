#pragma once

#include <string>

namespace vendrel::dbx {

// One decoded structure field as the explorer lists it: the columns "Name", "RA", "Value", "Decsription".
// Texts are UTF-8.
struct FieldRow {
  std::string name;
  std::string ra;
  std::string value;
  std::string description;

  bool operator==(const FieldRow&) const = default;
};

}  // namespace vendrel::dbx
