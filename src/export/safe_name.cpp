#include "export/safe_name.h"

#include <algorithm>
#include <cstring>

#include "platform/code_page.h"

namespace vendrel {

namespace {

constexpr const char kReplaced[] = "<>:\"/\\|*?\r\n\t";

// In UTF-8 every byte of a multibyte character is above 0x7F, so replacing ASCII bytes never touches one.
void ReplaceUnsafe(std::string& name) {
  for (char& c : name) {
    if (c != '\0' && std::strchr(kReplaced, c) != nullptr) c = '_';
  }
}

// The first count characters of UTF-8 text.
std::string FirstCharacters(const std::string& text, size_t count) {
  size_t end = 0;
  for (size_t characters = 0; end < text.size() && characters < count; ++characters) {
    do {
      ++end;
    } while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80);
  }
  return text.substr(0, end);
}

}  // namespace

std::string GetSafeDispName(std::optional<std::string_view> legacySource, size_t capacity) {
  if (!legacySource || legacySource->empty()) return kNoSubject;
  if (capacity == 0) return {};
  std::string name = FirstCharacters(LegacyCodePage().ToUtf8(*legacySource), capacity - 1);
  ReplaceUnsafe(name);
  return name;
}

std::string SafeFolderName(std::string_view legacyName) {
  std::string name = LegacyCodePage().ToUtf8(legacyName);
  ReplaceUnsafe(name);
  if (name.empty() || name == "." || name == "..") name.assign(std::max<size_t>(name.size(), 1), '_');
  return name;
}

}  // namespace vendrel
