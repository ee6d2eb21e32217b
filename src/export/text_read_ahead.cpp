#include "export/text_read_ahead.h"

#include <algorithm>
#include <system_error>

#include "dbx/message_text.h"
#include "dbx/record.h"
#include "export/line_ends.h"

namespace vendrel {

void ReadMessageTextOf(const DbStore& store, uint32_t firstBlockRa, bool checkLineEnds, MessageText& text) {
  text.pieces.clear();
  text.length = dbx::ReadMessageText(store, firstBlockRa,
                                     [&](std::span<const uint8_t> piece) { text.pieces.push_back(piece); });
  text.crLfOnly = checkLineEnds && IsCrLfOnly(text.pieces);
}

TextReadAhead::TextReadAhead(const DbStore& store, std::span<const TextSource> sources, bool checkLineEnds,
                             ReadAheadLimits limits, ConvertText convert)
    : store_(store),
      sources_(sources),
      checkLineEnds_(checkLineEnds),
      convert_(std::move(convert)),
      maxBytesAhead_(std::max<uint64_t>(limits.bytes, 1)),
      spareAhead_(limits.spare),
      slots_(std::max<size_t>(limits.texts, 1)),
      sizes_(slots_.size()) {
  if (sources.empty()) return;
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
  for (size_t index = 0; index < sources_.size(); ++index) {
    bool spare;
    {
      std::unique_lock lock(mutex_);
      for (;;) {
        if (stop_) return;
        for (; released < std::min(taken_, index); ++released) bytesAhead -= sizes_[released % sizes_.size()];
        if (index < taken_ + slots_.size() && bytesAhead < maxBytesAhead_) break;
        // Full: sleep until the writer is half-way through what is held, not wake at every text it takes;
        // a writer that waits for more than fits is told to take what there is.
        wakeAt_ = taken_ + (index - taken_ + 1) / 2;
        full_ = true;
        if (writerWakeAt_ != 0) textRead_.notify_one();
        slotsFree_.wait(lock);
        full_ = false;
        wakeAt_ = 0;
      }
      spare = index >= taken_ + spareAhead_;
    }
    MessageText& text = slots_[index % slots_.size()];
    ReadText(index, text, spare);
    uint64_t& size = sizes_[index % sizes_.size()];
    size = (text.converted ? text.converted->size() : 0) + text.length;
    bytesAhead += size;
    bool wake;
    {
      std::lock_guard lock(mutex_);
      read_ = index + 1;
      wake = writerWakeAt_ != 0 && read_ >= writerWakeAt_;
    }
    if (wake) textRead_.notify_one();
  }
}

void TextReadAhead::ReadText(size_t index, MessageText& text, bool spare) {
  const TextSource& source = sources_[index];
  text.recordValid = source.record == 0 || dbx::RecordAt(store_, source.record) != nullptr;
  text.firstBlock = source.record == 0 ? source.firstBlock
                    : text.recordValid ? dbx::GetTextOffset(store_, source.record)
                                       : 0;
  ReadMessageTextOf(store_, text.firstBlock, checkLineEnds_, text);
  text.convertedWhole = false;
  if (!convert_) return;
  // A slot keeps its room from one text to the next, but not the room of a long text it once held: a
  // thousand slots would keep a thousand of them.
  constexpr size_t kKeptRoom = 16 << 10;
  if (text.converted.use_count() != 1 || text.converted->capacity() > kKeptRoom) {
    text.converted = std::make_shared<BufferSink>();
  }
  text.converted->Clear();
  if (text.firstBlock == 0) return;
  constexpr uint64_t kLongestSpared = 256 << 10;
  text.convertedWhole = convert_(source, text, *text.converted, spare && text.length <= kLongestSpared);
}

const MessageText& TextReadAhead::Take(size_t index) {
  if (!reader_.joinable()) {
    ReadText(index, slots_[0], false);
    return slots_[0];
  }
  std::unique_lock lock(mutex_);
  taken_ = index;
  if (wakeAt_ != 0 && taken_ >= wakeAt_) slotsFree_.notify_one();
  if (read_ <= index) {
    // Caught up with the reader: sleep until it is some way ahead again, not wake at every text it reads.
    writerWakeAt_ = std::min(index + kWriterBatch, sources_.size());
    textRead_.wait(lock, [&] { return read_ > index && (read_ >= writerWakeAt_ || full_); });
    writerWakeAt_ = 0;
  }
  return slots_[index % slots_.size()];
}

}  // namespace vendrel
