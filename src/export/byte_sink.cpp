#include "export/byte_sink.h"

#include <unistd.h>

#include <cerrno>
#include <climits>

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

void BufferedFileSink::Run(const uint8_t* bytes, size_t length) {
  buffer_.append(reinterpret_cast<const char*>(bytes), length);
  if (buffer_.size() >= kBlock) Flush();
}

bool BufferedFileSink::Flush() {
  for (size_t done = 0; error_ == 0 && done < buffer_.size();) {
    const ssize_t written = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error_ = written < 0 ? errno : ENOSPC;
      break;
    }
    done += static_cast<size_t>(written);
  }
  buffer_.clear();
  return error_ == 0;
}

}  // namespace vendrel
