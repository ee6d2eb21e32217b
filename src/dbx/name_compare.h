#pragma once

#include <string_view>

namespace vendrel::dbx {

// Orders two raw 8-bit names without regard to case, as the folder trees are ordered: ASCII letters
// fold to lower case; in a double-byte legacy code page the two bytes of a character compare as one
// unit, so a trail byte is never folded. Negative, zero or positive like strcmp.
int CompareNamesNoCase(std::string_view a, std::string_view b);

}  // namespace vendrel::dbx
