#include "support/dbx_builder.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "dbx/index_node.h"
#include "dbx/message_text.h"
#include "dbx/name_compare.h"
#include "dbx/record.h"
#include "platform/format.h"
#include "store/little_endian.h"

namespace vendrel::testsupport {

DbxBuilder::DbxBuilder(DbKind kind) : bytes_(kBuilderHeaderSize, 0) {
  SetBytes(dbx::kClsidField,
           kind == DbKind::Message ? dbx::kClsidMessageDatabase : dbx::kClsidFolderDatabase);
  SetU32(dbx::kMagicField, dbx::kMagic).SetU32(0x14, 5).SetU32(0x18, 5).SetU32(0x1C, 0x618);
  SetAllocatedSize(kBuilderHeaderSize);
  if (kind == DbKind::Message) SetFolder(FolderDescription{});
}

void DbxBuilder::Cover(uint64_t end) {
  if (end > UINT32_MAX) throw std::length_error("DBX image past 4 GiB");
  if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end), 0);
}

DbxBuilder& DbxBuilder::SetBytes(uint32_t ra, std::span<const uint8_t> bytes) {
  Cover(uint64_t{ra} + bytes.size());
  std::copy(bytes.begin(), bytes.end(), bytes_.begin() + ra);
  return *this;
}

DbxBuilder& DbxBuilder::SetText(uint32_t ra, std::string_view text) {
  SetBytes(ra, std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  return SetU8(static_cast<uint32_t>(ra + text.size()), 0);
}

uint32_t DbxBuilder::U32(uint32_t ra) const {
  if (uint64_t{ra} + 4 > bytes_.size()) throw std::out_of_range("U32 past the end of the image");
  return LoadU32(&bytes_[ra]);
}

DbxBuilder& DbxBuilder::SetFolder(const FolderDescription& folder) {
  SetU8(dbx::kPrototypeField, folder.prototype);
  SetText(dbx::kTypeNameField, folder.typeName);
  SetU8(dbx::kTypeField, folder.type);
  SetText(dbx::kFolderNameField, folder.name);
  return SetU32(dbx::kFolderIdField, folder.folderId);
}

uint32_t DbxBuilder::Reserve(uint32_t length) {
  const uint32_t ra = allocatedSize();
  const uint64_t end = uint64_t{ra} + ((uint64_t{length} + 3) & ~uint64_t{3});
  Cover(end);
  SetAllocatedSize(static_cast<uint32_t>(end));
  return ra;
}

uint32_t DbxBuilder::AddRecord(const dbx::RecordBuilder& record) {
  const std::vector<uint8_t> bytes = record.Serialise();
  if (bytes.empty()) throw std::length_error("record body past 0xFFFF bytes");
  const uint32_t ra = Reserve(static_cast<uint32_t>(bytes.size()));
  SetBytes(ra, bytes);
  SetU32(ra, ra);
  return ra;
}

uint32_t DbxBuilder::AddRawRecord(std::span<const uint32_t> entries, std::span<const uint8_t> data) {
  const uint32_t body = static_cast<uint32_t>(4 * entries.size() + data.size());
  const uint32_t ra = Reserve(dbx::kRecordHeadSize + body);
  SetU32(ra, ra).SetU16(ra + 4, static_cast<uint16_t>((body + 3) & ~3u));
  SetU8(ra + 0x0A, static_cast<uint8_t>(entries.size())).SetU8(ra + 0x0B, 1);
  for (size_t i = 0; i < entries.size(); ++i) SetU32(static_cast<uint32_t>(ra + 12 + 4 * i), entries[i]);
  SetBytes(static_cast<uint32_t>(ra + 12 + 4 * entries.size()), data);
  return ra;
}

uint32_t DbxBuilder::AddMessage(const MessageFields& message) {
  dbx::RecordBuilder record(/*folderDatabase=*/false);
  record.SetInteger(0x00, message.id);
  record.SetInteger(0x01, message.flags);
  record.SetFileTime(0x02, message.sent);
  record.SetInteger(0x04, AddTextChain(message.text, message.textBlockRoom));
  record.SetString(0x05, message.subject);
  record.SetFileTime(0x06, message.sent + 600 * 10000000ull);
  record.SetString(0x08, message.subject);
  record.SetString(0x0D, message.fromName);
  record.SetString(0x0E, message.fromAddress);
  record.SetInteger(0x10, 3);
  record.SetInteger(0x11, static_cast<uint32_t>(message.text.size()));
  record.SetFileTime(0x12, message.sent + 1200 * 10000000ull);
  record.SetString(0x13, message.toName);
  record.SetString(0x14, message.toAddress);
  record.SetString(0x1A, "mail.example.com");
  record.SetString(0x1B, "00000001");
  return AddRecord(record);
}

uint32_t DbxBuilder::AddFolder(const FolderFields& folder) {
  dbx::RecordBuilder record(/*folderDatabase=*/true);
  record.SetInteger(0x00, folder.id);
  record.SetInteger(0x01, folder.parentId);
  record.SetString(0x02, folder.name);
  record.SetString(0x03, folder.fileName);
  record.SetInteger(0x06, folder.anyInfo);
  record.SetInteger(0x0A, folder.protocol);
  return AddRecord(record);
}

uint32_t DbxBuilder::AddTextChain(std::string_view text, uint32_t blockRoom) {
  std::vector<uint32_t> ras;
  for (size_t at = 0; at < text.size(); at += blockRoom) {
    const std::string_view part = text.substr(at, blockRoom);
    ras.push_back(AddTextBlock(blockRoom, static_cast<uint32_t>(part.size()), part));
    if (ras.size() > 1) SetU32(ras[ras.size() - 2] + 12, ras.back());
  }
  return ras.empty() ? 0 : ras[0];
}

uint32_t DbxBuilder::AddTextBlock(uint32_t allocated, uint32_t used, std::string_view bytes, uint32_t next) {
  const uint32_t ra = Reserve(dbx::kTextBlockHeadSize + allocated);
  SetU32(ra, ra).SetU32(ra + 4, allocated).SetU32(ra + 8, used).SetU32(ra + 12, next);
  SetBytes(ra + dbx::kTextBlockHeadSize,
           std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  return ra;
}

uint32_t DbxBuilder::AddNode() {
  const uint32_t ra = Reserve(dbx::kIndexNodeSize);
  SetU32(ra, ra);
  return ra;
}

DbxBuilder& DbxBuilder::SetNodeEntries(uint32_t nodeRa, const std::vector<NodeEntry>& entries) {
  SetU8(nodeRa + 0x11, static_cast<uint8_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    const uint32_t at = static_cast<uint32_t>(nodeRa + dbx::kIndexEntriesOffset + dbx::kIndexEntrySize * i);
    const uint32_t child = entries[i].childRa;
    SetU32(at, entries[i].recordRa).SetU32(at + 4, child);
    if (child != 0 && uint64_t{child} + dbx::kIndexNodeSize <= bytes_.size()) {
      SetU32(at + 8, bytes_[child + 0x11]);
      SetU32(child + 0x0C, nodeRa).SetU8(child + 0x10, static_cast<uint8_t>(i));
    }
  }
  return *this;
}

DbxBuilder& DbxBuilder::SetNodeLeftChild(uint32_t nodeRa, uint32_t childRa) {
  SetU32(nodeRa + 0x08, childRa);
  if (childRa != 0 && uint64_t{childRa} + dbx::kIndexNodeSize <= bytes_.size()) {
    SetU8(nodeRa + 0x14, bytes_[childRa + 0x11]);
    SetU32(childRa + 0x0C, nodeRa).SetU8(childRa + 0x10, 0);
  }
  return *this;
}

uint32_t DbxBuilder::BuildSubtree(std::span<const uint32_t> records, unsigned perNode) {
  if (records.empty()) return 0;
  const uint32_t node = AddNode();
  // As many entries as fit, the other records spread evenly over the left child and the entries' children.
  const size_t count = std::min<size_t>(records.size(), perNode);
  const size_t rest = records.size() - count;
  const size_t groups = count + 1;
  auto groupSize = [&](size_t j) { return rest / groups + (j < rest % groups ? 1 : 0); };
  size_t next = groupSize(0);
  const uint32_t left = BuildSubtree(records.first(next), perNode);
  std::vector<NodeEntry> entries;
  for (size_t i = 0; i < count; ++i) {
    const uint32_t record = records[next++];
    const size_t size = groupSize(i + 1);
    entries.push_back({record, BuildSubtree(records.subspan(next, size), perNode)});
    next += size;
  }
  SetNodeEntries(node, entries);
  SetNodeLeftChild(node, left);
  return node;
}

uint32_t DbxBuilder::AddIndexTree(std::span<const uint32_t> recordsInOrder, unsigned perNode) {
  if (perNode == 0 || perNode > dbx::kMaxIndexEntries) throw std::invalid_argument("perNode out of range");
  return recordsInOrder.empty() ? AddNode() : BuildSubtree(recordsInOrder, perNode);
}

uint32_t DbxBuilder::SetIndex(int k, std::span<const uint32_t> recordsInOrder, unsigned perNode) {
  const uint32_t root = AddIndexTree(recordsInOrder, perNode);
  SetIndexSlot(k, root, static_cast<uint32_t>(recordsInOrder.size()));
  return root;
}

std::vector<uint32_t> DbxBuilder::AddFolders(const std::vector<FolderFields>& folders, unsigned perNode) {
  std::vector<uint32_t> ras;
  for (const FolderFields& folder : folders) ras.push_back(AddFolder(folder));
  std::vector<size_t> order(folders.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (folders[a].parentId != folders[b].parentId) return folders[a].parentId < folders[b].parentId;
    return dbx::CompareNamesNoCase(folders[a].name, folders[b].name) < 0;
  });
  std::vector<uint32_t> byParent, subscribed;
  for (const size_t i : order) {
    byParent.push_back(ras[i]);
    if (folders[i].subscribed) subscribed.push_back(ras[i]);
  }
  SetIndex(0, ras, perNode);
  SetIndex(1, byParent, perNode);
  SetIndex(2, subscribed, perNode);
  uint32_t lastId = 0;
  for (const FolderFields& folder : folders) lastId = std::max(lastId, folder.id);
  SetLastAssignedId(lastId);
  return ras;
}

void WriteFileBytes(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::vector<uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), {}};
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "vendrel-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a temporary directory");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace vendrel::testsupport
