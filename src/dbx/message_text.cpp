#include "dbx/message_text.h"

#include <algorithm>

#include "dbx/index_walk.h"
#include "store/little_endian.h"

namespace vendrel::dbx {

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

std::string ReadMessageSource(const DbStore& store, uint32_t firstRa) {
  std::string source;
  ReadMessageText(store, firstRa, [&](std::span<const uint8_t> text) {
    source.append(reinterpret_cast<const char*>(text.data()), text.size());
  });
  return source;
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
