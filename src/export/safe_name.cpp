#include "export/safe_name.h"

#include <cstring>

#include "platform/code_page.h"

namespace vendrel {

namespace {

constexpr const char kReplaced[] = "<>:\"/\\|*?\r\n\t";

// Replaces the characters a file name cannot hold, stepping over double-byte characters whole (their
// trail byte may look like a backslash).
void ReplaceUnsafe(std::string& name) {
  const CodePage& codePage = LegacyCodePage();
  for (size_t i = 0; i < name.size(); ++i) {
    if (codePage.IsLeadByte(static_cast<uint8_t>(name[i]))) {
      ++i;
    } else if (name[i] != '\0' && std::strchr(kReplaced, name[i]) != nullptr) {
      name[i] = '_';
    }
  }
}

}  // namespace

std::string GetSafeDispName(std::optional<std::string_view> source, size_t capacity) {
  if (!source || source->empty()) return kNoSubject;
  if (capacity == 0) return {};
  const CodePage& codePage = LegacyCodePage();
  size_t length = 0;
  for (size_t characters = 0; length < source->size() && characters < capacity - 1; ++characters) {
    const bool lead = codePage.IsLeadByte(static_cast<uint8_t>((*source)[length]));
    length += lead && length + 1 < source->size() ? 2 : 1;
  }
  std::string name(source->substr(0, length));
  ReplaceUnsafe(name);
  return name;
}

std::string SafeFolderName(std::string_view name) {
  std::string safe(name);
  ReplaceUnsafe(safe);
  if (safe.empty() || safe == "." || safe == "..")
    safe.replace(0, safe.size(), std::max<size_t>(safe.size(), 1), '_');
  return safe;
}

}  // namespace vendrel
