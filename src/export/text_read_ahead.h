// The texts of the messages an export writes, read on a second thread a short way ahead of the writer.
// Walking a text chain waits on memory at every block, and checking line ends reads every byte: done in
// the writer's thread that time adds to what the file system takes; done beside it, it hides behind
// the writes.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

#include "store/db_store.h"

namespace vendrel {

struct MessageText {
  std::vector<std::span<const uint8_t>> pieces;  // in place in the mapping, block by block
  bool crLfOnly = false;  // known to need no line end changed (looked for only when asked)
};

// The text of the chain that starts at firstBlockRa; no pieces when there is none.
void ReadMessageTextOf(const DbStore& store, uint32_t firstBlockRa, bool checkLineEnds, MessageText& text);

// How far the reader runs ahead: far enough that it sleeps and wakes seldom (each wake costs both
// threads a system call), near enough that what it holds stays small and recently read.
struct ReadAheadLimits {
  size_t texts = 1024;
  uint64_t bytes = 16 << 20;
};

class TextReadAhead {
 public:
  // The texts of the chains that start at firstBlocks (0: no text). store stays open, and firstBlocks
  // unchanged, until this object is gone.
  TextReadAhead(const DbStore& store, std::span<const uint32_t> firstBlocks, bool checkLineEnds,
                ReadAheadLimits limits = {});
  ~TextReadAhead();
  TextReadAhead(const TextReadAhead&) = delete;
  TextReadAhead& operator=(const TextReadAhead&) = delete;

  // The text of firstBlocks[index], valid until the next call. Indexes only grow from one call to the next
  // (records may be passed over).
  const MessageText& Take(size_t index);

 private:
  void Read();

  const DbStore& store_;
  const std::span<const uint32_t> firstBlocks_;
  const bool checkLineEnds_;
  const uint64_t maxBytesAhead_;
  std::vector<MessageText> slots_;  // firstBlocks_[i] in slot i % slots_.size()
  std::vector<uint64_t> sizes_;     // the text length of each slot
  std::mutex mutex_;
  std::condition_variable textRead_;
  std::condition_variable slotsFree_;
  size_t read_ = 0;    // firstBlocks_[0, read_) are read
  size_t taken_ = 0;   // the writer is done with firstBlocks_[0, taken_)
  size_t wakeAt_ = 0;  // when not 0, the reader sleeps until taken_ reaches it
  bool stop_ = false;
  std::thread reader_;
};

}  // namespace vendrel
