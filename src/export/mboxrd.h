// A message's text as an mbox ("mboxrd") entry holds it: LF line ends, and every line that starts with
// ">"s and then "From " one ">" more, so that a reader can take exactly one away again. Streams over the
// pieces of the text chain; runs that stay as they are go out in place.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "export/byte_sink.h"

namespace vendrel {

class MboxrdBody {
 public:
  void Feed(std::span<const uint8_t> piece, ByteSink& out);
  // Ends the entry: a last line without its line end gets one, then the empty line between entries.
  void Finish(ByteSink& out);

 private:
  // The line start held back while a piece ended before it showed whether it reads ">...From ".
  void Decide(ByteSink& out, bool quote);

  bool lineStart_ = true;
  bool pendingCr_ = false;
  std::string held_;
};

}  // namespace vendrel
