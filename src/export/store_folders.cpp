#include "export/store_folders.h"

#include <filesystem>
#include <unordered_map>

#include "dbx/header.h"
#include "dbx/record.h"
#include "export/message_order.h"
#include "dbx/sibling_file.h"
#include "platform/format.h"

namespace vendrel {

namespace {

constexpr size_t kNone = static_cast<size_t>(-1);

}  // namespace

StoreFolder FolderOfRecord(const DbStore& store, uint32_t ra, const std::string& foldersPath) {
  StoreFolder folder;
  folder.name = std::string(dbx::GetDisplayName(store, ra).value_or(""));
  folder.fileName = std::string(dbx::GetString(store, ra, dbx::kPropFileName).value_or(""));
  if (!folder.fileName.empty()) folder.database = ResolveFolderFile(DirectoryOf(foldersPath), folder.fileName);
  return folder;
}

StoreFolders ReadStoreFolders(const DbStore& store, const std::string& foldersPath) {
  StoreFolders result;
  std::error_code error;
  result.name = std::filesystem::weakly_canonical(foldersPath, error).parent_path().filename().string();
  if (result.name.empty()) result.name = "Folders";  // a store at the root of the file system
  const MessageList records = MessagesOf(store, dbx::TreeRoot(store, 0), true);
  result.repeats = records.repeats;
  std::unordered_map<uint32_t, size_t> byId;
  std::vector<uint32_t> parents;
  for (const uint32_t ra : records.records) {
    const uint32_t id = dbx::GetId(store, ra);
    if (!byId.emplace(id, result.folders.size()).second) {
      ++result.repeats;
      continue;
    }
    result.folders.push_back(FolderOfRecord(store, ra, foldersPath));
    parents.push_back(dbx::GetParentOrFlags(store, ra));
  }
  // The parent of each folder, as an index; none for a top-level folder or a parent that is not there.
  std::vector<size_t> parentOf(result.folders.size(), kNone);
  for (size_t i = 0; i < parents.size(); ++i) {
    const auto it = parents[i] == 0 ? byId.end() : byId.find(parents[i]);
    if (it != byId.end() && it->second != i) parentOf[i] = it->second;
  }
  // A chain of parents that comes back to itself is cut where it closes: that folder goes to the top.
  // Each folder is passed once: 1 while on the chain being followed, 2 once settled.
  std::vector<uint8_t> state(parentOf.size(), 0);
  std::vector<size_t> chain;
  for (size_t i = 0; i < parentOf.size(); ++i) {
    chain.clear();
    size_t up = i;
    for (; up != kNone && state[up] == 0; up = parentOf[up]) {
      state[up] = 1;
      chain.push_back(up);
    }
    if (up != kNone && state[up] == 1) parentOf[up] = kNone;
    for (const size_t settled : chain) state[settled] = 2;
  }
  for (size_t i = 0; i < parentOf.size(); ++i) {
    (parentOf[i] == kNone ? result.top : result.folders[parentOf[i]].children).push_back(i);
  }
  return result;
}

StoreFolders SingleFolder(const DbStore& store, const std::string& path) {
  StoreFolders single;
  StoreFolder folder;
  folder.name = dbx::HeaderTextBytes(store, dbx::kFolderNameField, dbx::kFolderIdField);
  folder.database = path;
  single.folders.push_back(std::move(folder));
  single.top.push_back(0);
  return single;
}

std::optional<size_t> FindInbox(const StoreFolders& store) {
  const auto fileOf = [&](const StoreFolder& folder) {
    if (!folder.fileName.empty()) return folder.fileName;
    return folder.database ? std::filesystem::path(*folder.database).filename().string() : std::string();
  };
  std::vector<size_t> pending(store.top.rbegin(), store.top.rend());
  while (!pending.empty()) {
    const size_t index = pending.back();
    pending.pop_back();
    if (AsciiLower(fileOf(store.folders[index])) == "inbox.dbx") return index;
    const std::vector<size_t>& children = store.folders[index].children;
    pending.insert(pending.end(), children.rbegin(), children.rend());
  }
  for (const size_t top : store.top)
    if (AsciiLower(store.folders[top].name) == "inbox") return top;
  return std::nullopt;
}

}  // namespace vendrel
