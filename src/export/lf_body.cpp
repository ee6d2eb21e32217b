#include "export/lf_body.h"

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>
#include <string_view>

namespace vendrel {

namespace {

constexpr std::string_view kFrom = "From ";

bool IsLineBreak(uint8_t byte) {
  return byte == '\r' || byte == '\n';
}

// Copies [from, the first CR or LF) to to and returns where it stopped (end when there is none). It may
// write up to 15 bytes beyond what it copies. Lines are short, so the loop over them is the export's
// hottest: sixteen bytes are looked at (and copied) at once where the machine can.
const uint8_t* CopyToLineBreak(const uint8_t* from, const uint8_t* end, uint8_t* to) {
#ifdef __SSE2__
  const __m128i cr = _mm_set1_epi8('\r'), lf = _mm_set1_epi8('\n');
  for (; end - from >= 16; from += 16, to += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), bytes);
    const auto breaks = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(bytes, cr), _mm_cmpeq_epi8(bytes, lf))));
    if (breaks != 0) return from + std::countr_zero(breaks);
  }
#endif
  for (; from != end && !IsLineBreak(*from); ++from) *to++ = *from;
  return from;
}

}  // namespace

void LfBody::Feed(std::span<const uint8_t> piece, ByteSink& out) {
  const uint8_t* at = piece.data();
  const uint8_t* const end = at + piece.size();
  if (pendingCr_ && at != end) {
    pendingCr_ = false;
    if (*at == '\n') ++at;  // the LF of a CR LF whose line end went out already
  }
  // Never more than each byte, a ">" before each line, what was held back, and what a copy of sixteen
  // bytes at once writes beyond.
  uint8_t* const start = out.Room(2 * piece.size() + held_.size() + 16);
  uint8_t* to = start;
  while (at != end) {
    // In an mbox, the start of a line (with what was held back) decides whether it gets its ">"; only
    // one that starts with ">" or "F" can, however many ">"s it starts with.
    if (lineStart_ && mbox_ && (!held_.empty() || *at == '>' || *at == 'F')) {
      const uint8_t* head = at;
      size_t matched = heldFrom_;
      if (matched == 0) {
        while (head != end && *head == '>') ++head;
      }
      while (head != end && matched < kFrom.size() && *head == kFrom[matched]) ++head, ++matched;
      if (head == end && matched < kFrom.size()) {  // the piece ended before the line showed which
        held_.append(at, head);
        heldFrom_ = matched;
        break;
      }
      if (matched == kFrom.size()) *to++ = '>';
      to = std::copy(held_.begin(), held_.end(), to);
      held_.clear();
      heldFrom_ = 0;
    }
    lineStart_ = false;
    const uint8_t* const lineEnd = CopyToLineBreak(at, end, to);
    to += lineEnd - at;
    at = lineEnd;
    if (at == end) break;
    *to++ = '\n';
    lineStart_ = true;
    if (*at++ == '\r') {
      if (at == end) {
        pendingCr_ = true;
        break;
      }
      if (*at == '\n') ++at;
    }
  }
  out.Produced(static_cast<size_t>(to - start));
}

void LfBody::Finish(ByteSink& out) {
  if (!mbox_) {
    pendingCr_ = false;
    return;
  }
  if (!held_.empty()) {
    out.Copy(held_);  // the text ended before its last line could read "From "
    held_.clear();
    heldFrom_ = 0;
    lineStart_ = false;
  }
  if (!lineStart_) out.Literal("\n");
  out.Literal("\n");
  lineStart_ = true;
  pendingCr_ = false;
}

}  // namespace vendrel
