// A shared mapping of a whole file: the stand-in for a named file mapping and its view. Shared mappings
// of one file are coherent between processes, which is what joining a peer's named mapping gives.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vendrel {

// What tells one file from another, whatever it is called.
struct FileIdentity {
  uint64_t device = 0, inode = 0;
  auto operator<=>(const FileIdentity&) const = default;
};

// What tells one state of a file from the next: it is the same file, unchanged, while its stamp is.
struct FileStamp {
  uint64_t device, inode, size;
  int64_t modifiedSeconds, modifiedNanoseconds;
  bool operator==(const FileStamp&) const = default;
  FileIdentity identity() const { return {device, inode}; }
};

class FileMapping {
 public:
  FileMapping() = default;
  ~FileMapping() { Close(); }
  FileMapping(const FileMapping&) = delete;
  FileMapping& operator=(const FileMapping&) = delete;

  // Opens an existing regular file for reading and writing, or for reading only when writing is not
  // allowed (a read-only archive copy). Never creates a file.
  bool Open(const std::string& path);
  // A private copy of bytes in memory instead of a file: what a change is made on before it is written.
  bool OpenCopy(std::span<const uint8_t> bytes);
  // Maps the whole file at its current size. An empty file cannot be mapped.
  bool Map();
  // Makes the file at least length bytes long (never shorter: a peer may have made it longer) and
  // maps it anew at its full size. The view may move.
  bool Extend(uint64_t length);
  // Writes the dirty pages of the view back to the file.
  void Flush();
  // Writes bytes into the file at offset with the file system's own checks (a full disk fails here, not
  // in a later page fault), and cuts the file to length. The view, shared with the file, sees the bytes.
  bool WriteFile(uint64_t offset, std::span<const uint8_t> bytes);
  bool Truncate(uint64_t length);
  bool Sync();
  void Unmap();
  void Close();

  bool IsOpen() const { return fd_ >= 0 || isCopy_; }
  // The open file's stamp now; none for a copy or a file that cannot be asked.
  std::optional<FileStamp> Stamp() const;
  bool IsCopy() const { return isCopy_; }
  bool IsWritable() const { return writable_; }
  uint8_t* data() const { return view_.data(); }
  uint64_t size() const { return view_.size(); }

 private:
  int fd_ = -1;
  bool isCopy_ = false;
  std::vector<uint8_t> copy_;
  bool writable_ = false;
  std::span<uint8_t> view_;
};

// The page size that mapping lengths are rounded to.
uint32_t PageSize();

}  // namespace vendrel
