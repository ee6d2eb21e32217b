#include "export/line_ends.h"

#include <cstring>

namespace vendrel {

namespace {

// The first CR or LF in [from, end), or end.
const uint8_t* NextLineBreak(const uint8_t* from, const uint8_t* end) {
  const auto* lf = static_cast<const uint8_t*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
  const uint8_t* limit = lf != nullptr ? lf : end;
  const auto* cr = static_cast<const uint8_t*>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
  return cr != nullptr ? cr : limit;
}

}  // namespace

void CrLfNormalizer::Feed(std::span<const uint8_t> piece, std::string& out) {
  const uint8_t* at = piece.data();
  const uint8_t* const end = at + piece.size();
  out.reserve(out.size() + piece.size() + piece.size() / 16 + 2);
  while (at < end) {
    if (pendingCr_) {
      // A CR ends its line whatever follows; an LF right after it belongs to the same line end.
      out += "\r\n";
      pendingCr_ = false;
      if (*at == '\n') ++at;
      continue;
    }
    // Runs of text between line ends are copied whole.
    const uint8_t* lineEnd = NextLineBreak(at, end);
    out.append(reinterpret_cast<const char*>(at), static_cast<size_t>(lineEnd - at));
    if (lineEnd == end) break;
    if (*lineEnd == '\n') {
      out += "\r\n";
    } else {
      pendingCr_ = true;
    }
    at = lineEnd + 1;
  }
}

void CrLfNormalizer::Finish(std::string& out) {
  if (pendingCr_) out += "\r\n";
  pendingCr_ = false;
}

}  // namespace vendrel
