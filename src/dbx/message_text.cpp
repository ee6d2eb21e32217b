#include "dbx/message_text.h"

#include <algorithm>

#include "dbx/index_walk.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

namespace {

// The chain as a sequence of RAs in which every invalid block is 0, the end.
uint32_t NextInChain(const DbStore& store, uint32_t ra) {
  const std::optional<TextBlock> block = TextBlockAt(store, ra);
  return block && TextBlockAt(store, block->next) ? block->next : 0;
}

}  // namespace

std::optional<TextBlock> TextBlockAt(const DbStore& store, uint32_t ra) {
  if (ra == 0) return std::nullopt;
  const uint8_t* head = store.AtChecked(ra, kTextBlockHeadSize);
  if (head == nullptr) return std::nullopt;
  TextBlock block{ra, LoadU32(head + 4), LoadU32(head + 8), LoadU32(head + 12), {}};
  const uint64_t textRa = uint64_t{ra} + kTextBlockHeadSize;
  const uint64_t inView = store.viewLength() - textRa;
  const uint32_t length = static_cast<uint32_t>(std::min<uint64_t>({block.used, block.allocated, inView}));
  block.text = std::span(head + kTextBlockHeadSize, length);
  return block;
}

uint64_t ChainLength(const DbStore& store, uint32_t firstRa) {
  if (!TextBlockAt(store, firstRa)) return 0;
  // Brent's cycle detection: the hare runs ahead, the tortoise jumps to it at every power of two.
  uint32_t tortoise = firstRa;
  uint32_t hare = NextInChain(store, firstRa);
  uint64_t power = 1, cycle = 1, index = 1;
  while (tortoise != hare) {
    if (hare == 0) return index;  // the chain ended: blocks 0 .. index - 1 are valid and distinct
    if (power == cycle) {
      tortoise = hare;
      power *= 2;
      cycle = 0;
    }
    hare = NextInChain(store, hare);
    ++cycle;
    ++index;
  }
  // A loop of `cycle` blocks: find where it starts, after `lead` blocks.
  tortoise = hare = firstRa;
  for (uint64_t i = 0; i < cycle; ++i) hare = NextInChain(store, hare);
  uint64_t lead = 0;
  while (tortoise != hare) {
    tortoise = NextInChain(store, tortoise);
    hare = NextInChain(store, hare);
    ++lead;
  }
  return lead + cycle;
}

uint64_t ReadMessageText(const DbStore& store, uint32_t firstRa, const TextSink& sink) {
  return ReadMessageTextWhile(store, firstRa, [&](std::span<const uint8_t> text) {
    sink(text);
    return true;
  });
}

uint64_t ReadMessageTextWhile(const DbStore& store, uint32_t firstRa,
                              const std::function<bool(std::span<const uint8_t>)>& sink) {
  // Each block is checked as it is read: a block the chain has passed already ends it. Chains almost
  // always run forward through the file, and one that does cannot meet itself: the blocks are entered in
  // a set only once the chain has stepped back.
  thread_local EnteredNodes entered;
  uint32_t last = 0;
  bool forward = true;
  uint64_t delivered = 0;
  for (std::optional<TextBlock> block = TextBlockAt(store, firstRa); block;
       block = TextBlockAt(store, block->next)) {
    if (forward && block->ra <= last) {
      forward = false;
      entered.Clear();
      for (uint32_t ra = firstRa; ra != last; ra = TextBlockAt(store, ra)->next) entered.Insert(ra);
      entered.Insert(last);
    }
    if (!forward && !entered.Insert(block->ra)) break;
    last = block->ra;
    delivered += block->text.size();
    if (!block->text.empty() && !sink(block->text)) break;
  }
  return delivered;
}

}  // namespace vendrel::dbx
