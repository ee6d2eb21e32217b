#include "dbx/name_compare.h"

#include <cstdint>

#include "platform/code_page.h"

namespace vendrel::dbx {

namespace {

// The character at position i as one number (a two-byte character as lead * 256 + trail), folded.
unsigned NextCharacter(std::string_view text, size_t& i, const CodePage& codePage) {
  const auto lead = static_cast<uint8_t>(text[i++]);
  if (codePage.IsLeadByte(lead) && i < text.size()) return lead << 8 | static_cast<uint8_t>(text[i++]);
  return lead >= 'A' && lead <= 'Z' ? lead - 'A' + 'a' : lead;
}

}  // namespace

int CompareNamesNoCase(std::string_view a, std::string_view b) {
  const CodePage& codePage = LegacyCodePage();
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const unsigned x = NextCharacter(a, i, codePage);
    const unsigned y = NextCharacter(b, j, codePage);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  return j < b.size() ? -1 : 0;
}

}  // namespace vendrel::dbx
