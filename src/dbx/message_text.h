// The text of a message: a chain of text blocks (the explorer's sections).
//
//   offset  type   label              meaning
//   0x00    u32    "RA"               the block's own RA (self-tag)
//   0x04    u32    "Allocated"        bytes of text room in the block
//   0x08    u32    "Used"             text bytes held in the block
//   0x0C    u32    "RA next section"  RA of the next block, 0 ends the chain
//   0x10    bytes                     the text (raw message source)
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr uint32_t kTextBlockHeadSize = 0x10;

struct TextBlock {
  uint32_t ra;
  uint32_t allocated;
  uint32_t used;
  uint32_t next;
  // The text held, read in place: "Used" bounded by the room and by the end of the view.
  std::span<const uint8_t> text;
};

// The validated block at ra; none when ra is 0, outside the view, or not tagged with its own RA.
std::optional<TextBlock> TextBlockAt(const DbStore& store, uint32_t ra);

using TextSink = std::function<void(std::span<const uint8_t>)>;

// Hands the text of every block of the chain from firstRa to the sink, in order, straight from the
// mapping. A chain that loops is followed once round. Returns the number of bytes delivered.
uint64_t ReadMessageText(const DbStore& store, uint32_t firstRa, const TextSink& sink);
// The whole text of the chain as one string, for a reader that needs it in one piece (a MIME parser).
std::string ReadMessageSource(const DbStore& store, uint32_t firstRa);
// The same, until the sink returns false.
uint64_t ReadMessageTextWhile(const DbStore& store, uint32_t firstRa,
                              const std::function<bool(std::span<const uint8_t>)>& sink);

}  // namespace vendrel::dbx
