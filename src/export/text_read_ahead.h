// The texts of the messages an export writes, read on a second thread a short way ahead of the writer.
// Walking a text chain waits on memory at every block, and checking or changing line ends reads every
// byte: done in the writer's thread that time adds to what the file system takes; done beside it, it
// hides behind the writes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "export/byte_sink.h"
#include "store/db_store.h"

namespace vendrel {

// Where a text is: a message record's (read from the record, which the reader validates), or a chain
// found without its record.
struct TextSource {
  uint32_t record = 0;
  uint32_t firstBlock = 0;  // of a text without its record
};

struct MessageText {
  bool recordValid = true;
  uint32_t firstBlock = 0;  // 0: no text in the file
  std::vector<std::span<const uint8_t>> pieces;  // in place in the mapping, block by block
  uint64_t length = 0;                            // of the pieces together
  bool crLfOnly = false;  // known to need no line end changed (looked for only when asked)
  // What the conversion made of it, when there is one: the writer may keep it past the next text (to write
  // many at once), the reader then converts the next text of this slot elsewhere.
  std::shared_ptr<BufferSink> converted;
  bool convertedWhole = false;  // converted holds all that is written of the text, the text itself too
};

// Makes of a text what is written (an mbox separator, say), on the reader's thread: it may read the
// database, nothing else. Called only for a text that is there. spare: the reader is well ahead of the
// writer and the text is short, so the conversion may take on the writer's part too and convert the text
// itself (it then returns true): the two threads share the work.
using ConvertText =
    std::function<bool(const TextSource& source, const MessageText& text, BufferSink& converted, bool spare)>;

// The text of the chain that starts at firstBlockRa; no pieces when there is none.
void ReadMessageTextOf(const DbStore& store, uint32_t firstBlockRa, bool checkLineEnds, MessageText& text);

// How far the reader runs ahead: far enough that it sleeps and wakes seldom (each wake costs both
// threads a system call), near enough that what it holds stays small and recently read.
struct ReadAheadLimits {
  size_t texts = 1024;
  uint64_t bytes = 16 << 20;
  // How many texts ahead of the writer the reader is spare (see ConvertText): more than the writer waits
  // for when it has caught up, or the reader would take on the writer's part even as it is waited for.
  size_t spare = 128;
};

class TextReadAhead {
 public:
  // The texts of sources, each converted when convert is given. store stays open, and sources unchanged,
  // until this object is gone.
  TextReadAhead(const DbStore& store, std::span<const TextSource> sources, bool checkLineEnds,
                ReadAheadLimits limits = {}, ConvertText convert = {});
  ~TextReadAhead();
  TextReadAhead(const TextReadAhead&) = delete;
  TextReadAhead& operator=(const TextReadAhead&) = delete;

  // The text of sources[index], valid until the next call. Indexes only grow from one call to the next
  // (records may be passed over).
  const MessageText& Take(size_t index);

 private:
  static constexpr size_t kWriterBatch = 64;

  void Read();
  void ReadText(size_t index, MessageText& text, bool spare);

  const DbStore& store_;
  const std::span<const TextSource> sources_;
  const bool checkLineEnds_;
  const ConvertText convert_;
  const uint64_t maxBytesAhead_;
  const size_t spareAhead_;
  std::vector<MessageText> slots_;  // sources_[i] in slot i % slots_.size()
  std::vector<uint64_t> sizes_;     // the text length of each slot
  std::mutex mutex_;
  std::condition_variable textRead_;
  std::condition_variable slotsFree_;
  size_t read_ = 0;    // sources_[0, read_) are read
  size_t taken_ = 0;   // the writer is done with sources_[0, taken_)
  size_t wakeAt_ = 0;  // when not 0, the reader sleeps until taken_ reaches it
  bool full_ = false;  // the reader sleeps: the ring is full
  size_t writerWakeAt_ = 0;  // when not 0, the writer sleeps until read_ reaches it (or the ring is full)
  bool stop_ = false;
  std::thread reader_;
};

}  // namespace vendrel
