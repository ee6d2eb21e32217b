#include "store/direct_db_name.h"

namespace vendrel {

bool MakeDirectDbName(std::string& name, std::string_view path, std::string_view suffix) {
  name.clear();
  if (path.size() + suffix.size() > kMaxDirectDbName) return false;
  name = DirectDbName(path, suffix);
  return true;
}

std::string DirectDbName(std::string_view path, std::string_view suffix) {
  std::string name;
  name.reserve(path.size() + suffix.size());
  name.append(path).append(suffix);
  // Paths here are UTF-8: every byte of a multibyte character is >= 0x80, so folding the ASCII letters
  // and replacing the separators byte by byte never touches part of another character.
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c == '\\' || c == '/') c = '_';
  }
  return name;
}

}  // namespace vendrel
