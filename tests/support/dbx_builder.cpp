#include "support/dbx_builder.h"

#include <cstdlib>
#include <fstream>
#include <stdexcept>

#include "store/little_endian.h"

namespace vendrel::testsupport {

DbxBuilder::DbxBuilder(DbKind kind) : kind_(kind), bytes_(kBuilderHeaderSize, 0) {
  SetMagic(dbx::kMagic);
  SetClsid(kind == DbKind::Message ? dbx::kClsidMessageDatabase : dbx::kClsidFolderDatabase);
  SetU32(0x14, 5).SetU32(0x18, 5).SetU32(0x1C, 0x618);
  SetAllocatedSize(kBuilderHeaderSize);
  if (kind == DbKind::Message) SetFolder(FolderDescription{});
}

void DbxBuilder::Cover(uint64_t end) {
  if (end > UINT32_MAX) throw std::length_error("DBX image past 4 GiB");
  if (end > bytes_.size()) bytes_.resize(static_cast<size_t>(end), 0);
}

DbxBuilder& DbxBuilder::SetU8(uint32_t ra, uint8_t value) {
  Cover(uint64_t{ra} + 1);
  bytes_[ra] = value;
  return *this;
}

DbxBuilder& DbxBuilder::SetU16(uint32_t ra, uint16_t value) {
  Cover(uint64_t{ra} + 2);
  StoreU16(&bytes_[ra], value);
  return *this;
}

DbxBuilder& DbxBuilder::SetU32(uint32_t ra, uint32_t value) {
  Cover(uint64_t{ra} + 4);
  StoreU32(&bytes_[ra], value);
  return *this;
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

DbxBuilder& DbxBuilder::SetIndexSlot(int k, uint32_t rootRa, uint32_t count) {
  SetU32(dbx::RootSlot(k), rootRa);
  return SetU32(dbx::CountSlot(k), count);
}

DbxBuilder& DbxBuilder::SetDescriptor(uint32_t offset, uint32_t chunkRa, uint32_t chunkSize, uint32_t used) {
  return SetU32(offset, chunkRa).SetU32(offset + 4, chunkSize).SetU32(offset + 8, used);
}

uint32_t DbxBuilder::Reserve(uint32_t length) {
  const uint32_t ra = allocatedSize();
  const uint64_t end = uint64_t{ra} + ((uint64_t{length} + 3) & ~uint64_t{3});
  Cover(end);
  SetAllocatedSize(static_cast<uint32_t>(end));
  return ra;
}

DbxBuilder& DbxBuilder::Truncate(size_t length) {
  if (length < bytes_.size()) bytes_.resize(length);
  return *this;
}

DbxBuilder& DbxBuilder::PadTo(size_t length) {
  Cover(length);
  return *this;
}

void DbxBuilder::WriteTo(const std::filesystem::path& path) const { WriteFileBytes(path, bytes_); }

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
