#include "platform/code_page.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

namespace vendrel {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

enum class Conversion { Done, InvalidInput };

// Appends all of input, converted, to output; on a byte sequence the source encoding does not define,
// either stops with InvalidInput or (when a replacement is given) writes the replacement and skips one byte.
Conversion Convert(iconv_t converter, std::string_view input, std::string& output,
                   std::string_view replacement) {
  if (converter == kNoConverter) return Conversion::InvalidInput;
  iconv(converter, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(input.data());
  size_t inLeft = input.size();
  char buffer[1024];
  while (inLeft > 0) {
    char* out = buffer;
    size_t outLeft = sizeof buffer;
    const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
    output.append(buffer, static_cast<size_t>(out - buffer));
    if (result != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    if (replacement.empty()) return Conversion::InvalidInput;
    output.append(replacement);
    ++in;
    --inLeft;
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
  }
  // A stateful encoding (IMAP's UTF-7) closes a run of encoded characters only when told the text ends.
  char* out = buffer;
  size_t outLeft = sizeof buffer;
  if (iconv(converter, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1)) {
    output.append(buffer, static_cast<size_t>(out - buffer));
  }
  return Conversion::Done;
}

}  // namespace

CodePage::CodePage(std::string name)
    : name_(std::move(name)),
      decoder_(iconv_open("UTF-8", name_.c_str())),
      encoder_(iconv_open(name_.c_str(), "UTF-8")) {
  std::string upper = name_;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  if (upper == "CP932" || upper == "SHIFT_JIS" || upper == "SJIS" || upper == "WINDOWS-31J") {
    firstLead_ = 0x81, lastLead_ = 0xFC, gapFirst_ = 0xA0, gapLast_ = 0xDF;  // A0-DF are half-width kana
  } else if (upper == "CP936" || upper == "GBK" || upper == "CP949" || upper == "UHC" || upper == "CP950" ||
             upper == "BIG5" || upper == "BIG5-HKSCS") {
    firstLead_ = 0x81, lastLead_ = 0xFE;
  }
}

bool CodePage::IsLeadByte(uint8_t byte) const {
  return byte >= firstLead_ && byte <= lastLead_ && !(byte >= gapFirst_ && byte <= gapLast_);
}

CodePage::~CodePage() {
  if (decoder_ != kNoConverter) iconv_close(decoder_);
  if (encoder_ != kNoConverter) iconv_close(encoder_);
}

bool CodePage::IsUsable() const {
  return decoder_ != kNoConverter && encoder_ != kNoConverter;
}

std::string CodePage::ToUtf8(std::string_view legacy) const {
  std::string text;
  Convert(decoder_, legacy, text, "\xEF\xBF\xBD");
  return text;
}

std::optional<std::string> CodePage::FromUtf8(std::string_view utf8) const {
  std::string text;
  if (Convert(encoder_, utf8, text, {}) != Conversion::Done) return std::nullopt;
  return text;
}

std::string CutUtf8(std::string text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t cut = maxBytes;
  // Back up over continuation bytes to the start of the character that does not fit.
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

namespace {

std::unique_ptr<CodePage>& Legacy() {
  static std::unique_ptr<CodePage> codePage = std::make_unique<CodePage>(kDefaultLegacyCodePage);
  return codePage;
}

}  // namespace

const CodePage& LegacyCodePage() {
  return *Legacy();
}

bool SetLegacyCodePage(const std::string& name) {
  auto candidate = std::make_unique<CodePage>(name);
  if (!candidate->IsUsable()) return false;
  Legacy() = std::move(candidate);
  return true;
}

}  // namespace vendrel
