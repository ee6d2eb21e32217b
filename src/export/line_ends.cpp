#include "export/line_ends.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace vendrel {

namespace {

// A line end that needs mending shows where a byte is an LF while the byte before it is no CR (a bare LF),
// or the byte before is a CR while this one is no LF (a bare CR). The first such position in [from, end),
// whose byte before is from[-1]; end when there is none. Mail is CR LF almost everywhere: sixteen bytes
// (thirty-two where the processor can) are checked at a time, without stopping at each line.
const uint8_t* FindMismatchNarrow(const uint8_t* from, const uint8_t* end) {
#if defined(__SSE2__)
  const __m128i cr = _mm_set1_epi8('\r');
  const __m128i lf = _mm_set1_epi8('\n');
  for (; end - from >= 16; from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from - 1));
    const int lfs = _mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf));
    const int crsBefore = _mm_movemask_epi8(_mm_cmpeq_epi8(before, cr));
    if (lfs != crsBefore) return from + __builtin_ctz(static_cast<unsigned>(lfs ^ crsBefore));
  }
#endif
  for (; from < end; ++from) {
    if ((*from == '\n') != (from[-1] == '\r')) return from;
  }
  return end;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) const uint8_t* FindMismatchWide(const uint8_t* from, const uint8_t* end) {
  const __m256i cr = _mm256_set1_epi8('\r');
  const __m256i lf = _mm256_set1_epi8('\n');
  for (; end - from >= 32; from += 32) {
    const __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from));
    const __m256i before = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from - 1));
    const unsigned lfs = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(bytes, lf)));
    const unsigned crsBefore = static_cast<unsigned>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(before, cr)));
    if (lfs != crsBefore) return from + __builtin_ctz(lfs ^ crsBefore);
  }
  return FindMismatchNarrow(from, end);
}
#endif

const uint8_t* FindMismatch(const uint8_t* from, const uint8_t* end) {
#if defined(__x86_64__)
  static const bool wide = __builtin_cpu_supports("avx2");
  if (wide) return FindMismatchWide(from, end);
#endif
  return FindMismatchNarrow(from, end);
}

}  // namespace

void CrLfNormalizer::Feed(std::span<const uint8_t> piece, ByteSink& out) {
  const uint8_t* const start = piece.data();
  const uint8_t* const end = start + piece.size();
  if (start == end) return;
  const uint8_t* run = start;  // the start of what goes out unchanged
  // The first byte's byte before is the last of the previous piece.
  if (pendingCr_ && *start != '\n') out.Literal("\n");  // that CR was a bare one
  if (!pendingCr_ && *start == '\n') {
    out.Literal("\r\n");
    run = start + 1;
  }
  for (const uint8_t* at = start + 1; at < end;) {
    const uint8_t* mismatch = FindMismatch(at, end);
    if (mismatch == end) break;
    if (*mismatch == '\n') {  // an LF without its CR
      out.Run(run, static_cast<size_t>(mismatch - run));
      out.Literal("\r\n");
      run = mismatch + 1;
    } else {  // the CR before this byte has no LF
      out.Run(run, static_cast<size_t>(mismatch - run));
      out.Literal("\n");
      run = mismatch;
    }
    at = mismatch + 1;
  }
  out.Run(run, static_cast<size_t>(end - run));
  // A CR at the end gets its LF from the next piece, or from Finish.
  pendingCr_ = end[-1] == '\r';
}

bool IsCrLfOnly(const std::vector<std::span<const uint8_t>>& pieces) {
  bool afterCr = false;  // the last byte of the pieces before
  for (const std::span<const uint8_t> piece : pieces) {
    if (piece.empty()) continue;
    const uint8_t* const end = piece.data() + piece.size();
    if ((piece[0] == '\n') != afterCr || FindMismatch(piece.data() + 1, end) != end) return false;
    afterCr = end[-1] == '\r';
  }
  return !afterCr;
}

void CrLfNormalizer::Finish(ByteSink& out) {
  if (pendingCr_) out.Literal("\n");
  pendingCr_ = false;
}

}  // namespace vendrel
