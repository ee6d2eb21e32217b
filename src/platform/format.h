// printf-style formatting into std::string. The program's texts and hex formats ("%08X", "%02X") are
// printf formats, so they are kept as such rather than translated into another formatting language.
#pragma once

#include <string>
#include <string_view>

namespace vendrel {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

// A-Z as a-z and every other byte as it is: the folding of names that compare without regard to case
// whatever the locale (a Turkish one folds "I" elsewhere). Inline: the search folds every byte so.
inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
std::string AsciiLower(std::string_view text);

}  // namespace vendrel
