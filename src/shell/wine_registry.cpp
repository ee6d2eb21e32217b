#include "shell/wine_registry.h"

#include <fstream>
#include <sstream>

#include "platform/format.h"

namespace vendrel::shell {

namespace {

constexpr std::string_view kSignature = "WINE REGISTRY Version 2";
// A registry larger than this is not a user's registry; reading it is refused.
constexpr size_t kMaxFileSize = size_t{256} << 20;

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// UTF-16 units to UTF-8; a lone surrogate becomes U+FFFD.
class Utf16Decoder {
 public:
  void Put(uint16_t unit, std::string& out) {
    if (pendingHigh_ != 0) {
      const uint16_t high = pendingHigh_;
      pendingHigh_ = 0;
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((high - 0xD800u) << 10) + (unit - 0xDC00u));
        return;
      }
      AppendUtf8(out, 0xFFFD);
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pendingHigh_ = unit;
    } else {
      AppendUtf8(out, unit >= 0xDC00 && unit <= 0xDFFF ? 0xFFFD : unit);
    }
  }
  void Finish(std::string& out) {
    if (pendingHigh_ != 0) AppendUtf8(out, 0xFFFD);
    pendingHigh_ = 0;
  }

 private:
  uint16_t pendingHigh_ = 0;
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// An escaped text from text[pos] up to the closing character; pos ends after it. None when unterminated.
std::optional<std::string> ReadEscaped(std::string_view text, size_t& pos, char close) {
  std::string out;
  Utf16Decoder utf16;
  while (pos < text.size()) {
    const char c = text[pos++];
    if (c == close) {
      utf16.Finish(out);
      return out;
    }
    if (c != '\\') {
      utf16.Finish(out);
      out += c;
      continue;
    }
    if (pos >= text.size()) return std::nullopt;
    const char escaped = text[pos++];
    if (escaped == 'x') {
      uint32_t unit = 0;
      int digits = 0;
      for (; digits < 4 && pos < text.size() && HexDigit(text[pos]) >= 0; ++digits) {
        unit = unit * 16 + static_cast<uint32_t>(HexDigit(text[pos++]));
      }
      if (digits == 0) return std::nullopt;
      utf16.Put(static_cast<uint16_t>(unit), out);
      continue;
    }
    utf16.Finish(out);
    switch (escaped) {
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case '0':
        out += '\0';
        break;
      default:
        out += escaped;
        break;  // \\, \" and any other character stand for themselves
    }
  }
  return std::nullopt;
}

// "hex(N):" bytes "41,00,42,00" of a REG_SZ (1) or REG_EXPAND_SZ (2): UTF-16LE up to the first 0 unit.
std::optional<std::string> DecodeHexString(std::string_view bytes) {
  std::vector<uint8_t> data;
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (bytes[pos] == ',' || bytes[pos] == ' ' || bytes[pos] == '\t') {
      ++pos;
      continue;
    }
    if (pos + 1 >= bytes.size() || HexDigit(bytes[pos]) < 0 || HexDigit(bytes[pos + 1]) < 0)
      return std::nullopt;
    data.push_back(static_cast<uint8_t>(HexDigit(bytes[pos]) * 16 + HexDigit(bytes[pos + 1])));
    pos += 2;
  }
  std::string out;
  Utf16Decoder utf16;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const uint16_t unit = static_cast<uint16_t>(data[i] | data[i + 1] << 8);
    if (unit == 0) break;
    utf16.Put(unit, out);
  }
  utf16.Finish(out);
  return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  return AsciiLower(text.substr(0, prefix.size())) == AsciiLower(prefix);
}

// The lines of text, CR LF or LF; a line ending in a backslash inside a hex value goes on in the next.
class Lines {
 public:
  explicit Lines(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next() {
    if (pos_ >= text_.size()) return std::nullopt;
    const size_t end = text_.find('\n', pos_);
    std::string_view line =
        text_.substr(pos_, end == std::string_view::npos ? std::string_view::npos : end - pos_);
    pos_ = end == std::string_view::npos ? text_.size() : end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
  }

 private:
  std::string_view text_;
  size_t pos_ = 0;
};

std::string_view TrimLeft(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  return text;
}

}  // namespace

std::optional<WineRegistry> WineRegistry::Load(const std::string& path,
                                               const std::vector<std::string>& keyPrefixes) {
  std::ifstream file(path, std::ios::binary | std::ios::ate);
  if (!file) return std::nullopt;
  const std::streamoff size = file.tellg();
  if (size < 0 || static_cast<uint64_t>(size) > kMaxFileSize) return std::nullopt;
  std::string text(static_cast<size_t>(size), '\0');
  file.seekg(0);
  if (!file.read(text.data(), size)) return std::nullopt;
  return Parse(text, keyPrefixes);
}

std::optional<WineRegistry> WineRegistry::Parse(std::string_view text,
                                                const std::vector<std::string>& keyPrefixes) {
  Lines lines(text);
  const std::optional<std::string_view> first = lines.Next();
  if (!first || first->substr(0, kSignature.size()) != kSignature) return std::nullopt;
  WineRegistry registry;
  std::unordered_map<std::string, Value>* key = nullptr;  // the key being read, when it is wanted
  while (const std::optional<std::string_view> next = lines.Next()) {
    std::string_view line = TrimLeft(*next);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      size_t pos = 1;
      const std::optional<std::string> path = ReadEscaped(line, pos, ']');
      key = nullptr;
      if (!path) continue;
      for (const std::string& prefix : keyPrefixes) {
        if (StartsWithNoCase(*path, prefix)) key = &registry.keys_[AsciiLower(*path)];
      }
      continue;
    }
    // A value continued over several lines (hex data) is taken whole before it is read.
    std::string joined;
    while (!line.empty() && line.back() == '\\' && line.find("=hex") != std::string_view::npos) {
      joined.append(line.substr(0, line.size() - 1));
      const std::optional<std::string_view> more = lines.Next();
      if (!more) break;
      line = TrimLeft(*more);
    }
    if (key == nullptr) continue;
    if (!joined.empty()) {
      joined.append(line);
      line = joined;
    }
    size_t pos = 0;
    std::string name;
    if (line.front() == '@') {
      pos = 1;
    } else if (line.front() == '"') {
      pos = 1;
      const std::optional<std::string> read = ReadEscaped(line, pos, '"');
      if (!read) continue;
      name = *read;
    } else {
      continue;
    }
    if (pos >= line.size() || line[pos] != '=') continue;
    const std::string_view data = line.substr(pos + 1);
    Value value;
    if (data.starts_with("\"") || data.starts_with("str(2):\"")) {
      value.expandable = data.front() == 's';
      size_t start = data.find('"') + 1;
      const std::optional<std::string> read = ReadEscaped(data, start, '"');
      if (!read) continue;
      value.text = *read;
    } else if (data.starts_with("hex(1):") || data.starts_with("hex(2):")) {
      value.expandable = data[4] == '2';
      const std::optional<std::string> read = DecodeHexString(data.substr(7));
      if (!read) continue;
      value.text = *read;
    } else {
      continue;  // numbers and binary data: nothing this program reads
    }
    (*key)[AsciiLower(name)] = std::move(value);
  }
  return registry;
}

const std::unordered_map<std::string, WineRegistry::Value>* WineRegistry::Key(std::string_view key) const {
  const auto it = keys_.find(AsciiLower(key));
  return it != keys_.end() ? &it->second : nullptr;
}

const WineRegistry::Value* WineRegistry::Find(std::string_view key, std::string_view name) const {
  const auto* values = Key(key);
  if (values == nullptr) return nullptr;
  const auto it = values->find(AsciiLower(name));
  return it != values->end() ? &it->second : nullptr;
}

}  // namespace vendrel::shell
