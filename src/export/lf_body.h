// A message's text with LF line ends, streamed over the pieces of its text chain; runs that stay as they
// are go out in place. As a Maildir holds a message (Plain): each CR LF, bare CR and bare LF becomes one LF.
// As an mbox ("mboxrd") entry holds it (MboxEntry): besides, every line that starts with ">"s and then
// "From " gets one ">" more, so that a reader can take exactly one away again; a last line without its
// line end gets one; an empty line follows.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "export/byte_sink.h"

namespace vendrel {

class LfBody {
 public:
  enum class Kind { Plain, MboxEntry };
  explicit LfBody(Kind kind) : mbox_(kind == Kind::MboxEntry) {}

  void Feed(std::span<const uint8_t> piece, ByteSink& out);
  // Ends the text; in an mbox, a last line without its line end gets one, then the empty line between
  // entries.
  void Finish(ByteSink& out);

 private:
  bool mbox_;
  bool lineStart_ = true;
  bool pendingCr_ = false;
  // A line's start held back, its piece ended before it showed whether it reads ">...From ": its ">"s,
  // then the first heldFrom_ letters of "From ".
  std::string held_;
  size_t heldFrom_ = 0;
};

}  // namespace vendrel
