// Where converted message text goes: runs of the stored text, taken in place, and short texts the
// conversion puts between them. A file writer gathers the pieces and writes them together, so that text
// that needs no change is never copied.
#pragma once

#include <sys/uio.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vendrel {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Bytes that must stay where they are until the sink is done with them (the mapping of the database).
  virtual void Run(const uint8_t* bytes, size_t length) = 0;
  // A text with static storage ("\r\n", ">").
  virtual void Literal(std::string_view text) = 0;
  // Bytes that may go away at once: the sink keeps its own copy.
  virtual void Copy(std::string_view bytes) = 0;
  // Room for up to length bytes written in place, then Produced(how many were); nothing else goes to the
  // sink in between. A sink with a buffer of its own lends it, which saves a copy of text that changes
  // at every line.
  virtual uint8_t* Room(size_t length) {
    room_.resize(length);
    return reinterpret_cast<uint8_t*>(room_.data());
  }
  virtual void Produced(size_t length) { Copy(std::string_view(room_).substr(0, length)); }

 private:
  std::string room_;
};

class StringSink : public ByteSink {
 public:
  explicit StringSink(std::string& out) : out_(out) {}
  void Run(const uint8_t* bytes, size_t length) override {
    out_.append(reinterpret_cast<const char*>(bytes), length);
  }
  void Literal(std::string_view text) override { out_.append(text); }
  void Copy(std::string_view bytes) override { out_.append(bytes); }

 private:
  std::string& out_;
};

// Gathers the bytes in a buffer of its own, kept from one use to the next (Clear keeps its room) and not
// cleared when it grows: a conversion writes straight into it.
class BufferSink : public ByteSink {
 public:
  void Run(const uint8_t* bytes, size_t length) override;
  void Literal(std::string_view text) override { Copy(text); }
  void Copy(std::string_view bytes) override {
    Run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  uint8_t* Room(size_t length) override;
  void Produced(size_t length) override { size_ += length; }
  void Clear() { size_ = 0; }
  size_t capacity() const { return capacity_; }
  const uint8_t* data() const { return data_.get(); }
  size_t size() const { return size_; }
  std::string_view view() const { return {reinterpret_cast<const char*>(data_.get()), size_}; }

 private:
  std::unique_ptr<uint8_t[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

// Writes the pieces to a file descriptor with writev, a thousand pieces a call. One sink at a time per
// thread: the room for the pieces is kept from one file to the next.
class FileSink : public ByteSink {
 public:
  explicit FileSink(int fd);
  void Run(const uint8_t* bytes, size_t length) override;
  void Literal(std::string_view text) override {
    Run(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  }
  void Copy(std::string_view bytes) override;
  // Writes what is gathered; false once any write failed (error() then holds its errno).
  bool Flush();
  int error() const { return error_; }

 private:
  int fd_;
  bool failed_ = false;
  int error_ = 0;
  std::vector<iovec>& pieces_;
  std::deque<std::string> copies_;  // each stays where it is until the pieces that point into it are written
};

// Gathers the bytes in a buffer of its own and writes them a quarter of a mebibyte at a time: for text
// that changes at every line (an mbox's line ends), where pieces in place would be as many as lines. It
// lends its buffer to a conversion (Room), which then writes straight into it.
class BufferedFileSink : public ByteSink {
 public:
  explicit BufferedFileSink(int fd) : fd_(fd) {}
  void Run(const uint8_t* bytes, size_t length) override {
    buffer_.Run(bytes, length);
    WriteWhenFull();
  }
  void Literal(std::string_view text) override { Copy(text); }
  void Copy(std::string_view bytes) override {
    Run(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  uint8_t* Room(size_t length) override { return buffer_.Room(length); }
  void Produced(size_t length) override {
    buffer_.Produced(length);
    WriteWhenFull();
  }
  // Writes what is gathered; false once any write failed (error() then holds its errno).
  bool Flush();
  int error() const { return error_; }

 private:
  static constexpr size_t kBlock = 256 * 1024;

  void WriteWhenFull() {
    if (buffer_.size() >= kBlock) Flush();
  }

  int fd_;
  int error_ = 0;
  BufferSink buffer_;
};

}  // namespace vendrel
