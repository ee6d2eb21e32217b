// 8-bit text of the mail client (folder names, subjects, property strings) is in the Windows code page of
// the machine that wrote the file. CodePage converts between such a legacy code page and UTF-8 with iconv.
#pragma once

#include <iconv.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vendrel {

class CodePage {
 public:
  // name: an iconv encoding name such as "WINDOWS-1252" or "CP1251".
  explicit CodePage(std::string name);
  ~CodePage();
  CodePage(const CodePage&) = delete;
  CodePage& operator=(const CodePage&) = delete;

  const std::string& name() const { return name_; }
  bool IsUsable() const;

  // Bytes the code page does not define become U+FFFD; decoding never fails.
  std::string ToUtf8(std::string_view legacy) const;
  // In a double-byte code page (Japanese, Chinese, Korean), whether byte starts a two-byte character.
  bool IsLeadByte(uint8_t byte) const;

  // Empty when the text holds a character that the code page cannot represent (or is not UTF-8).
  std::optional<std::string> FromUtf8(std::string_view utf8) const;

 private:
  std::string name_;
  // The lead-byte range of a double-byte code page; empty (first > last) for single-byte ones.
  uint8_t firstLead_ = 1, lastLead_ = 0, gapFirst_ = 1, gapLast_ = 0;
  iconv_t decoder_;
  iconv_t encoder_;
};

// UTF-8 text cut to at most maxBytes bytes without leaving half a character.
std::string CutUtf8(std::string text, size_t maxBytes);

inline constexpr const char* kDefaultLegacyCodePage = "WINDOWS-1252";

// The code page used for all DBX text of this process (default Windows-1252).
const CodePage& LegacyCodePage();
// Switches the legacy code page; false (and no change) when iconv does not know the name.
bool SetLegacyCodePage(const std::string& name);

}  // namespace vendrel
