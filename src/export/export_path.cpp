#include "export/export_path.h"

#include <sys/stat.h>

#include <climits>

#include "dbx/header.h"
#include "dbx/record.h"
#include "export/safe_name.h"
#include "platform/code_page.h"
#include "platform/format.h"

namespace vendrel {

namespace {

// Paths are never cut to fit: one that is too long is refused, so that it cannot turn into another name.
std::optional<std::string> Checked(std::string path) {
  if (path.size() >= PATH_MAX) return std::nullopt;
  return path;
}

// "%08X": a whole-database export names thousands of files, and formatting was a fair part of its time.
void AppendHex8(std::string& text, uint32_t value) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int shift = 28; shift >= 0; shift -= 4) text += kDigits[(value >> shift) & 0xF];
}

}  // namespace

bool MakeDirectory(const std::string& path) {
  if (path.empty()) return false;
  mkdir(path.c_str(), 0777);
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::optional<std::string> GetExportExtension(const DbStore& store) {
  const std::optional<uint8_t> prototype = store.ReadU8(dbx::kPrototypeField);
  if (!prototype) return std::nullopt;
  if (*prototype == 2 || *prototype == 3) return "eml";
  return *prototype == 0 ? "nws" : "txt";
}

std::optional<std::string> ExportFileName(const DbStore& store, uint32_t recordRa) {
  if (dbx::RecordAt(store, recordRa) == nullptr) return std::nullopt;
  const std::optional<std::string> extension = GetExportExtension(store);
  const std::optional<uint32_t> folderId = store.ReadU32(dbx::kFolderIdField);
  if (!extension || !folderId) return std::nullopt;
  // stem FOLDERID_MESSAGEID.extension
  std::string name = GetSafeDispName(dbx::GetDisplayName(store, recordRa));
  name += ' ';
  AppendHex8(name, *folderId);
  name += '_';
  AppendHex8(name, dbx::GetId(store, recordRa));
  name += '.';
  name += *extension;
  return name;
}

std::optional<std::string> ExportFileName(const DbStore& store, uint32_t recordRa, uint32_t firstBlockRa) {
  if (recordRa != 0) return ExportFileName(store, recordRa);
  const std::optional<std::string> extension = GetExportExtension(store);
  if (!extension) return std::nullopt;
  std::string name = "Text at ";
  AppendHex8(name, firstBlockRa);
  return name + "." + *extension;
}

std::optional<std::string> MakeExportPath(const DbStore& store, uint32_t recordRa,
                                          const std::string& directory) {
  if (directory.empty()) return std::nullopt;
  const std::optional<std::string> name = ExportFileName(store, recordRa);
  if (!name) return std::nullopt;
  return Checked(directory + "/" + *name);
}

std::string FolderDirectoryName(const DbStore& store) {
  return SafeFolderName(dbx::HeaderTextBytes(store, dbx::kFolderNameField, dbx::kFolderIdField));
}

std::optional<std::string> FolderDirectory(const DbStore& store, const std::string& directory) {
  return Checked(directory + "/" + FolderDirectoryName(store));
}

}  // namespace vendrel
