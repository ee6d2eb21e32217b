#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vendrel {

// Turns every line end of a text into CR LF while it streams past in pieces: a CR LF pair, a bare LF and
// a bare CR each become one CR LF, also when a pair is split between two pieces.
class CrLfNormalizer {
 public:
  // Appends the converted bytes of piece to out.
  void Feed(std::span<const uint8_t> piece, std::string& out);
  // Ends the text: a CR that was the last byte becomes its CR LF.
  void Finish(std::string& out);

 private:
  bool pendingCr_ = false;
};

}  // namespace vendrel
