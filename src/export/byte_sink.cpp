#include "export/byte_sink.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/file_io.h"

namespace vendrel {

namespace {

constexpr size_t kPiecesPerWrite = IOV_MAX;

}  // namespace

FileSink::FileSink(int fd)
    : fd_(fd), pieces_([]() -> std::vector<iovec>& {
        thread_local std::vector<iovec> pieces;
        return pieces;
      }()) {
  pieces_.clear();
}

void FileSink::Run(const uint8_t* bytes, size_t length) {
  if (length == 0) return;
  // Adjacent runs (a block's text then the next, read in place) are one piece.
  if (!pieces_.empty()) {
    iovec& last = pieces_.back();
    if (static_cast<const uint8_t*>(last.iov_base) + last.iov_len == bytes) {
      last.iov_len += length;
      return;
    }
  }
  pieces_.push_back({const_cast<uint8_t*>(bytes), length});
  if (pieces_.size() == kPiecesPerWrite) Flush();
}

void FileSink::Copy(std::string_view bytes) {
  if (bytes.empty()) return;
  copies_.emplace_back(bytes);
  Run(reinterpret_cast<const uint8_t*>(copies_.back().data()), bytes.size());
}

void BufferSink::Run(const uint8_t* bytes, size_t length) {
  if (length == 0) return;
  std::memcpy(Room(length), bytes, length);
  size_ += length;
}

uint8_t* BufferSink::Room(size_t length) {
  if (size_ + length > capacity_) {
    const size_t capacity = std::max(size_ + length, 2 * capacity_);
    std::unique_ptr<uint8_t[]> grown = std::make_unique_for_overwrite<uint8_t[]>(capacity);
    if (size_ != 0) std::memcpy(grown.get(), data_.get(), size_);
    data_ = std::move(grown);
    capacity_ = capacity;
  }
  return data_.get() + size_;
}

bool FileSink::Flush() {
  size_t first = 0;
  while (!failed_ && first < pieces_.size()) {
    const int count = static_cast<int>(std::min(pieces_.size() - first, kPiecesPerWrite));
    const ssize_t written = writev(fd_, pieces_.data() + first, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      failed_ = true;
      error_ = written < 0 ? errno : ENOSPC;
      break;
    }
    // A short write: skip what went out, also part of a piece.
    for (size_t left = static_cast<size_t>(written); left > 0 && first < pieces_.size();) {
      iovec& piece = pieces_[first];
      const size_t taken = std::min(left, piece.iov_len);
      piece.iov_base = static_cast<uint8_t*>(piece.iov_base) + taken;
      piece.iov_len -= taken;
      left -= taken;
      if (piece.iov_len == 0) ++first;
    }
  }
  pieces_.clear();
  copies_.clear();
  return !failed_;
}

bool BufferedFileSink::Flush() {
  const bool written = error_ == 0 && WriteAll(fd_, {buffer_.data(), buffer_.size()});
  if (error_ == 0 && !written) error_ = errno;
  buffer_.Clear();
  return error_ == 0;
}

}  // namespace vendrel
