#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "export/byte_sink.h"

namespace vendrel {

// Turns every line end of a text into CR LF while it streams past in pieces: a CR LF pair, a bare LF and
// a bare CR each become one CR LF, also when a pair is split between two pieces. Text that is right
// already goes to the sink as runs of the piece, unchanged and uncopied.
class CrLfNormalizer {
 public:
  void Feed(std::span<const uint8_t> piece, ByteSink& out);
  // Ends the text: a CR that was the last byte gets its LF.
  void Finish(ByteSink& out);

 private:
  bool pendingCr_ = false;
};

// Whether a text in pieces has CR LF line ends only, so that CrLfNormalizer would pass it unchanged.
bool IsCrLfOnly(const std::vector<std::span<const uint8_t>>& pieces);

}  // namespace vendrel
