// printf-style formatting into std::string. The program's texts and hex formats ("%08X", "%02X") are
// printf formats, so they are kept as such rather than translated into another formatting language.
#pragma once

#include <string>

namespace vendrel {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vendrel
