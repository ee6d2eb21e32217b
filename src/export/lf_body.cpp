#include "export/lf_body.h"

#include <cstring>
#include <string_view>

namespace vendrel {

namespace {

constexpr std::string_view kFrom = "From ";

enum class Quote { Yes, No, Undecided };

// Whether a line starting with text reads ">...From ", or text is too short to tell.
Quote NeedsQuote(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == '>') ++i;
  const std::string_view rest = text.substr(i);
  if (rest.size() >= kFrom.size()) return rest.substr(0, kFrom.size()) == kFrom ? Quote::Yes : Quote::No;
  return kFrom.substr(0, rest.size()) == rest ? Quote::Undecided : Quote::No;
}

bool IsLineBreak(uint8_t byte) {
  return byte == '\r' || byte == '\n';
}

// The first CR or LF in [from, end), or end.
const uint8_t* NextLineBreak(const uint8_t* from, const uint8_t* end) {
  const auto* lf = static_cast<const uint8_t*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
  const uint8_t* limit = lf != nullptr ? lf : end;
  const auto* cr = static_cast<const uint8_t*>(std::memchr(from, '\r', static_cast<size_t>(limit - from)));
  return cr != nullptr ? cr : limit;
}

}  // namespace

void LfBody::Decide(ByteSink& out, bool quote) {
  if (quote) out.Literal(">");
  out.Copy(held_);
  held_.clear();
}

void LfBody::Feed(std::span<const uint8_t> piece, ByteSink& out) {
  const auto* text = reinterpret_cast<const char*>(piece.data());
  size_t at = 0;
  if (pendingCr_ && !piece.empty()) {
    pendingCr_ = false;
    if (piece[0] == '\n') at = 1;  // the LF of a CR LF whose line end went out already
  }
  while (at < piece.size()) {
    if (lineStart_ && mbox_) {
      // The start of a line (with what was held back) decides whether it gets its ">".
      size_t head = at;
      while (head < piece.size() && head - at < 16 && !IsLineBreak(piece[head])) ++head;
      const std::string_view here(text + at, head - at);
      const Quote quote = held_.empty() ? NeedsQuote(here) : NeedsQuote(held_ + std::string(here));
      if (quote == Quote::Undecided && head == piece.size()) {
        held_ += here;
        return;
      }
      if (!held_.empty()) {
        Decide(out, quote == Quote::Yes);
      } else if (quote == Quote::Yes) {
        out.Literal(">");
      }
      lineStart_ = false;
    }
    const size_t end =
        static_cast<size_t>(NextLineBreak(piece.data() + at, piece.data() + piece.size()) - piece.data());
    out.Run(piece.data() + at, end - at);
    if (end == piece.size()) return;
    out.Literal("\n");
    lineStart_ = true;
    if (piece[end] == '\r') {
      if (end + 1 == piece.size()) {
        pendingCr_ = true;
        return;
      }
      at = piece[end + 1] == '\n' ? end + 2 : end + 1;
      continue;
    }
    at = end + 1;
  }
}

void LfBody::Finish(ByteSink& out) {
  if (!mbox_) {
    pendingCr_ = false;
    return;
  }
  if (!held_.empty()) {
    Decide(out, false);  // the text ended before its last line could read "From "
    lineStart_ = false;
  }
  if (!lineStart_) out.Literal("\n");
  out.Literal("\n");
  lineStart_ = true;
  pendingCr_ = false;
}

}  // namespace vendrel
