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
#include "dbx/record_builder.h"

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

// A message as the builder stores it: a record with the properties the mail client writes, and its text
// as a chain of blocks. Texts are raw legacy (8-bit) bytes.
struct MessageFields {
  uint32_t id = 0;
  std::string subject{};           // "Subject(Original)" and "Subject"; empty: no subject at all
  std::string text{};              // the message source; empty: no text in the file
  uint32_t textBlockRoom = 0x200;  // "Allocated" of each text block
  uint32_t flags = 0x010089;
  uint64_t sent = 0x01C6F0B8A1E2C000;  // a FILETIME in October 2006
  std::string fromName = "Ann Example";
  std::string fromAddress = "ann@example.com";
  std::string toName = "Bob Example";
  std::string toAddress = "bob@example.com";
};

// A folder record of Folders.dbx.
struct FolderFields {
  uint32_t id = 0;
  uint32_t parentId = 0;  // 0: a top-level folder (no ParentID property)
  std::string name;
  std::string fileName;  // the message database, e.g. "Inbox.dbx"; empty: none
  bool subscribed = true;
  uint32_t anyInfo = 0;
  uint32_t protocol = 0;  // 3: a local folder, as the mail client makes them
};

// One entry of an index node as the builder writes it.
struct NodeEntry {
  uint32_t recordRa = 0;
  uint32_t childRa = 0;
};

// Room left for the header before the first structure, as in the mail client's files.
inline constexpr uint32_t kBuilderHeaderSize = 0x2800;

void WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes);
std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path);
// The file as text; empty when it cannot be read (not there yet, say).
std::string ReadText(const std::filesystem::path& path);

class DbxBuilder {
 public:
  // A header like the mail client writes: magic, class identifier of the kind, version fields, no
  // chunks and no index trees yet; a message database gets FolderDescription's defaults.
  explicit DbxBuilder(DbKind kind);

  // Raw field access. Writing past the end of the image extends it with zeros.
  DbxBuilder& SetU8(uint32_t ra, uint8_t value) { return SetBytes(ra, std::span(&value, 1)); }
  DbxBuilder& SetU16(uint32_t ra, uint16_t v) { return SetU8(ra, v & 0xFF).SetU8(ra + 1, v >> 8); }
  DbxBuilder& SetU32(uint32_t ra, uint32_t v) { return SetU16(ra, v & 0xFFFF).SetU16(ra + 2, v >> 16); }
  DbxBuilder& SetBytes(uint32_t ra, std::span<const uint8_t> bytes);
  // Stores text and its terminating zero.
  DbxBuilder& SetText(uint32_t ra, std::string_view text);
  uint32_t U32(uint32_t ra) const;

  // Header fields.
  DbxBuilder& SetFolder(const FolderDescription& folder);
  DbxBuilder& SetLastAssignedId(uint32_t id) { return SetU32(dbx::kLastAssignedIdField, id); }
  DbxBuilder& SetIndexSlot(int k, uint32_t rootRa, uint32_t count) {
    return SetU32(dbx::RootSlot(k), rootRa).SetU32(dbx::CountSlot(k), count);
  }
  DbxBuilder& SetDescriptor(uint32_t offset, uint32_t chunkRa, uint32_t chunkSize, uint32_t used) {
    return SetU32(offset, chunkRa).SetU32(offset + 4, chunkSize).SetU32(offset + 8, used);
  }
  DbxBuilder& SetAllocatedSize(uint32_t size) { return SetU32(kAllocatedSizeField, size); }
  uint32_t allocatedSize() const { return U32(kAllocatedSizeField); }

  // Zero-filled room of length bytes (rounded up to 4) at the allocated size, which then moves past it;
  // the image grows to cover it. Returns the RA of the room.
  uint32_t Reserve(uint32_t length);

  // Records. AddRecord stores what the program's own RecordBuilder serialises; AddRawRecord stores any
  // property table and data area (for damaged records). Both return the record's RA.
  uint32_t AddRecord(const dbx::RecordBuilder& record);
  uint32_t AddRawRecord(std::span<const uint32_t> entries, std::span<const uint8_t> data);
  uint32_t AddMessage(const MessageFields& message);
  uint32_t AddFolder(const FolderFields& folder);

  // Message text: a chain of blocks of blockRoom bytes each; 0 for an empty text. AddTextBlock makes
  // one block of any shape.
  uint32_t AddTextChain(std::string_view text, uint32_t blockRoom = 0x200);
  uint32_t AddTextBlock(uint32_t allocated, uint32_t used, std::string_view bytes, uint32_t next = 0);

  // Index nodes: AddNode gives an empty node; entries and left children are linked both ways with their
  // counts refreshed, as a sound file has them.
  uint32_t AddNode();
  DbxBuilder& SetNodeEntries(uint32_t nodeRa, const std::vector<NodeEntry>& entries);
  DbxBuilder& SetNodeLeftChild(uint32_t nodeRa, uint32_t childRa);
  // A tree holding the records in this order, at most perNode entries a node: one node when they fit,
  // else a root with a left child and an entry child under every entry, and so on down. Returns the
  // root (an empty node for no records).
  uint32_t AddIndexTree(std::span<const uint32_t> recordsInOrder, unsigned perNode = 51);
  // AddIndexTree, hung into index slot k with its record count.
  uint32_t SetIndex(int k, std::span<const uint32_t> recordsInOrder, unsigned perNode = 51);
  // Folders.dbx indexes: tree 0 in the order given, tree 1 by parent ID then name without regard to case,
  // tree 2 the same for the subscribed folders. Returns the folder records' RAs in the order given.
  std::vector<uint32_t> AddFolders(const std::vector<FolderFields>& folders, unsigned perNode = 51);

  // Damage and shape.
  DbxBuilder& Truncate(size_t length) {
    return bytes_.resize(length < bytes_.size() ? length : bytes_.size()), *this;
  }
  DbxBuilder& PadTo(size_t length) { return Cover(length), *this; }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  // The path written to, as a string for the code that opens it.
  std::string WriteTo(const std::filesystem::path& path) const {
    WriteFileBytes(path, bytes_);
    return path;
  }

 private:
  void Cover(uint64_t end);
  uint32_t BuildSubtree(std::span<const uint32_t> records, unsigned perNode);

  std::vector<uint8_t> bytes_;
};

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
