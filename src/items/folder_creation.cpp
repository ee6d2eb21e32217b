#include "items/folder_creation.h"

#include "dbx/header.h"
#include "dbx/record.h"
#include "dbx/sibling_file.h"
#include "items/db_root_item.h"
#include "items/record_item.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/format.h"

namespace vendrel {

namespace {

constexpr const char* kFolderDatabaseName = "Folders.dbx";
constexpr const char* kNoFolderDatabase =
    "Folders.dbx cannot be opened at this location.\nNo folder was created.";
constexpr const char* kNoFolderDatabaseCaption = "Some little problem...";
constexpr const char* kDamagedCaption = "Can't do it...";

void Tell(const std::string& text, const char* caption) {
  CurrentDesktop().ShowMessage(text, caption);
}

// Says in a message box what the user can do something about: the name, or a damaged file.
void TellRefusal(const dbx::FolderInsertion& outcome) {
  switch (outcome.outcome) {
    case dbx::FolderInsertion::NameRefused:
    case dbx::FolderInsertion::NameTaken:
      Tell(outcome.reason, kNameTakenCaption);
      break;
    case dbx::FolderInsertion::Damaged:
      Tell(Format("The folder database is damaged: %s.\nNothing was changed.", outcome.reason.c_str()),
           kDamagedCaption);
      break;
    default:
      break;
  }
}

}  // namespace

bool GatherParentInfo(DbItem& item, NewFolderInfo& info) {
  DbStore store;
  if (!item.OpenStore(store)) return false;
  if (dynamic_cast<RecordItem*>(&item) != nullptr) {
    if (!dbx::IsFolderDatabase(&store) || dbx::RecordAt(store, item.ra) == nullptr) return false;
    info.parentName = std::string(dbx::GetDisplayName(store, item.ra).value_or(""));
    info.parentId = dbx::GetId(store, item.ra);
  } else {
    const std::optional<uint32_t> folderId = store.ReadU32(dbx::kFolderIdField);
    if (!dbx::IsMessageDatabase(&store) || !folderId) return false;
    info.parentName = dbx::HeaderTextBytes(store, dbx::kFolderNameField, dbx::kFolderIdField);
    info.parentId = *folderId;
  }
  info.directory = DirectoryOf(*item.FindDatabasePath());
  return true;
}

DbRootItem* OpenFolderDatabase(DbItem& item, const std::string& directory) {
  DbStore store;
  if (!item.OpenStore(store)) return nullptr;
  if (!dbx::IsMessageDatabase(&store)) {
    // The item is in Folders.dbx itself: its root is the first item above it that stands for RA 0.
    for (ExplorerItem* up = &item; up != nullptr; up = up->parent) {
      auto* dbItem = dynamic_cast<DbItem*>(up);
      if (dbItem != nullptr && dbItem->ra == 0) {
        auto* root = dynamic_cast<DbRootItem*>(dbItem);
        if (root == nullptr) return nullptr;
        root->AddRef();
        return root;
      }
    }
    return nullptr;
  }
  store.Close();
  const std::optional<std::string> path = ResolveSiblingFile(directory, kFolderDatabaseName);
  if (!path) return nullptr;
  auto root = MakeItem<DbRootItem>(nullptr, 0);
  if (!root->AttachDatabase(*path, item.FindTreeView(), item.FindListView(), false, false)) return nullptr;
  return root.Take();
}

bool AskFolderName(const std::string* presetName, NewFolderInfo& info) {
  if (presetName != nullptr && !presetName->empty()) {
    info.newName = *presetName;
  } else {
    const std::optional<std::string> typed = CurrentDesktop().AskFolderName(
        LegacyCodePage().ToUtf8(info.parentName), [&](const std::string& name) {
          // Without Folders.dbx there is nothing to check against: only Cancel leaves.
          if (info.folderDatabase == nullptr) return false;
          info.newName = name;
          return IsFolderNameFree(*info.folderDatabase, info);
        });
    if (!typed) {
      info.newName.clear();
      return false;
    }
  }
  info.fileName = info.newName + ".dbx";
  return true;
}

bool IsFolderNameFree(DbRootItem& folderDatabase, const NewFolderInfo& info) {
  DbStore store;
  if (!folderDatabase.OpenStore(store)) return false;
  const dbx::FolderInsertion checked = dbx::CheckFolderName(store, info.parentId, info.newName);
  TellRefusal(checked);
  return checked.inserted();
}

dbx::FolderInsertion InsertFolderRecord(DbRootItem& folderDatabase, uint32_t parentId,
                                        const std::string& name) {
  DbStore store;
  if (!folderDatabase.OpenStore(store)) {
    return dbx::FolderInsertion::Refused(dbx::FolderInsertion::NotWritable, folderDatabase.failure);
  }
  const dbx::FolderInsertion outcome = dbx::InsertFolder(store, parentId, name);
  TellRefusal(outcome);
  return outcome;
}

bool CreateFolderBelow(DbItem& item, const std::string* presetName) {
  NewFolderInfo info;
  if (!GatherParentInfo(item, info)) return false;
  const ItemRef<DbRootItem> folderDatabase =
      ItemRef<DbRootItem>::Adopt(OpenFolderDatabase(item, info.directory));
  if (!folderDatabase) {
    // Nothing can be created without the folder database: say so rather than report a success.
    Tell(kNoFolderDatabase, kNoFolderDatabaseCaption);
    return false;
  }
  info.folderDatabase = folderDatabase.get();
  if (!AskFolderName(presetName, info)) return false;
  const dbx::FolderInsertion created = InsertFolderRecord(*folderDatabase, info.parentId, info.newName);
  if (!created.inserted()) item.failure = created.reason;
  // The folder record shows its new subfolder; a message database's root refreshes the folder above it.
  ExplorerItem* shown =
      dynamic_cast<RecordItem*>(&item) == nullptr && item.parent != nullptr ? item.parent : &item;
  shown->Refresh();
  return created.inserted();
}

}  // namespace vendrel
