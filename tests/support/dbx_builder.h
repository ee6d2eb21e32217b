// Builds DBX files for tests, benchmarks and the bundled sample: folder and message databases with any
// header content, and damaged ones. The image is a plain byte vector; structures are placed with
// Reserve, which carves room at the end of the allocated part the way the program's allocator does.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "dbx/header.h"

namespace vendrel::testsupport {

enum class DbKind { Folder, Message };

// The folder fields of a message database header. Texts are raw legacy (8-bit) bytes.
struct FolderDescription {
  uint8_t prototype = 3;  // exports as .eml
  std::string typeName = "LocalStore";
  uint8_t type = 0;
  std::string name = "Inbox";
  uint32_t folderId = 5;
};

// Room left for the header before the first structure, as in the mail client's files.
inline constexpr uint32_t kBuilderHeaderSize = 0x2800;

class DbxBuilder {
 public:
  // A header like the mail client writes: magic, class identifier of the kind, version fields, no
  // chunks and no index trees yet; a message database gets FolderDescription's defaults.
  explicit DbxBuilder(DbKind kind);

  DbKind kind() const { return kind_; }

  // Raw field access. Writing past the end of the image extends it with zeros.
  DbxBuilder& SetU8(uint32_t ra, uint8_t value);
  DbxBuilder& SetU16(uint32_t ra, uint16_t value);
  DbxBuilder& SetU32(uint32_t ra, uint32_t value);
  DbxBuilder& SetBytes(uint32_t ra, std::span<const uint8_t> bytes);
  // Stores text and its terminating zero.
  DbxBuilder& SetText(uint32_t ra, std::string_view text);
  uint32_t U32(uint32_t ra) const;

  // Header fields.
  DbxBuilder& SetMagic(uint32_t magic) { return SetU32(dbx::kMagicField, magic); }
  DbxBuilder& SetClsid(const dbx::Clsid& clsid) { return SetBytes(dbx::kClsidField, clsid); }
  DbxBuilder& SetFolder(const FolderDescription& folder);
  DbxBuilder& SetLastAssignedId(uint32_t id) { return SetU32(dbx::kLastAssignedIdField, id); }
  DbxBuilder& SetIndexSlot(int k, uint32_t rootRa, uint32_t count);
  DbxBuilder& SetDescriptor(uint32_t offset, uint32_t chunkRa, uint32_t chunkSize, uint32_t used);
  DbxBuilder& SetAllocatedSize(uint32_t size) { return SetU32(kAllocatedSizeField, size); }
  uint32_t allocatedSize() const { return U32(kAllocatedSizeField); }

  // Zero-filled room of length bytes (rounded up to 4) at the allocated size, which then moves past it;
  // the image grows to cover it. Returns the RA of the room.
  uint32_t Reserve(uint32_t length);

  // Damage and shape.
  DbxBuilder& Truncate(size_t length);
  DbxBuilder& PadTo(size_t length);

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  void WriteTo(const std::filesystem::path& path) const;

 private:
  void Cover(uint64_t end);

  DbKind kind_;
  std::vector<uint8_t> bytes_;
};

void WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);

// A fresh directory under the system's temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

}  // namespace vendrel::testsupport
