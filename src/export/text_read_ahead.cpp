#include "export/text_read_ahead.h"

#include <algorithm>
#include <system_error>

#include "dbx/message_text.h"
#include "dbx/record.h"
#include "export/line_ends.h"

namespace vendrel {

void ReadMessageTextOf(const DbStore& store, uint32_t firstBlockRa, bool checkLineEnds, MessageText& text) {
  text.pieces.clear();
  dbx::ReadMessageText(store, firstBlockRa,
                       [&](std::span<const uint8_t> piece) { text.pieces.push_back(piece); });
  text.crLfOnly = checkLineEnds && IsCrLfOnly(text.pieces);
}

TextReadAhead::TextReadAhead(const DbStore& store, std::span<const uint32_t> firstBlocks, bool checkLineEnds,
                             ReadAheadLimits limits)
    : store_(store),
      firstBlocks_(firstBlocks),
      checkLineEnds_(checkLineEnds),
      maxBytesAhead_(std::max<uint64_t>(limits.bytes, 1)),
      slots_(std::max<size_t>(limits.texts, 1)),
      sizes_(slots_.size()) {
  if (firstBlocks.empty()) return;
  try {
    reader_ = std::thread([this] { Read(); });
  } catch (const std::system_error&) {
    // No thread to be had (a process limit): Take reads each text itself.
  }
}

TextReadAhead::~TextReadAhead() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  slotsFree_.notify_one();
  if (reader_.joinable()) reader_.join();
}

void TextReadAhead::Read() {
  size_t released = 0;      // the slots before this one are counted out of bytesAhead
  uint64_t bytesAhead = 0;  // the text held for the writer
  for (size_t index = 0; index < firstBlocks_.size(); ++index) {
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        if (stop_) return;
        for (; released < std::min(taken_, index); ++released) bytesAhead -= sizes_[released % sizes_.size()];
        if (index < taken_ + slots_.size() && bytesAhead < maxBytesAhead_) break;
        // Full: sleep until the writer is half-way through what is held, not wake at every text it takes.
        wakeAt_ = taken_ + (index - taken_ + 1) / 2;
        slotsFree_.wait(lock);
        wakeAt_ = 0;
      }
    }
    MessageText& text = slots_[index % slots_.size()];
    ReadMessageTextOf(store_, firstBlocks_[index], checkLineEnds_, text);
    uint64_t& size = sizes_[index % sizes_.size()];
    size = 0;
    for (const std::span<const uint8_t> piece : text.pieces) size += piece.size();
    bytesAhead += size;
    {
      std::lock_guard lock(mutex_);
      read_ = index + 1;
    }
    textRead_.notify_one();
  }
}

const MessageText& TextReadAhead::Take(size_t index) {
  if (!reader_.joinable()) {
    ReadMessageTextOf(store_, firstBlocks_[index], checkLineEnds_, slots_[0]);
    return slots_[0];
  }
  std::unique_lock lock(mutex_);
  taken_ = index;
  if (wakeAt_ != 0 && taken_ >= wakeAt_) slotsFree_.notify_one();
  textRead_.wait(lock, [&] { return read_ > index; });
  return slots_[index % slots_.size()];
}

}  // namespace vendrel
