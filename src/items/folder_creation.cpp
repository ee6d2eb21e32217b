#include "items/folder_creation.h"

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_insert.h"
#include "dbx/index_node.h"
#include "dbx/name_compare.h"
#include "dbx/record.h"
#include "dbx/record_builder.h"
#include "dbx/tree_check.h"
#include "export/sibling_file.h"
#include "items/db_root_item.h"
#include "items/record_item.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/format.h"
#include "store/allocation.h"
#include "store/copy_on_write.h"
#include "store/little_endian.h"

namespace vendrel {

namespace {

constexpr uint32_t kHasSubfolders = 0x10;  // in the 24-bit "Any info" value
constexpr size_t kMaxNameBytes = 259;
constexpr const char* kFolderDatabaseName = "Folders.dbx";
constexpr const char* kNoFolderDatabase =
    "Folders.dbx cannot be opened at this location.\nNo folder was created.";
constexpr const char* kNoFolderDatabaseCaption = "Some little problem...";
constexpr const char* kDamagedCaption = "Can't do it...";
constexpr uint32_t kNoKey = 0xFFFFFFFF;

void Tell(const std::string& text, const char* caption) {
  CurrentDesktop().ShowMessage(text, caption);
}

// The name as the file stores it, or none (after telling the user) when the legacy code page cannot
// hold it or it is too long for the folder dialog's buffer.
std::optional<std::string> LegacyName(const std::string& utf8) {
  const std::optional<std::string> legacy = LegacyCodePage().FromUtf8(utf8);
  if (!legacy) {
    Tell(Format("The name \"%s\" cannot be written in the code page %s of this database.", utf8.c_str(),
                LegacyCodePage().name().c_str()),
         kNameTakenCaption);
    return std::nullopt;
  }
  if (legacy->size() > kMaxNameBytes || legacy->find('\0') != std::string::npos) {
    Tell("The name is too long.", kNameTakenCaption);
    return std::nullopt;
  }
  return legacy;
}

// The RA of the first record of tree 0 that the cursor finds, 0 for none.
uint32_t FirstInTree0(const DbStore& store, uint8_t mode, uint32_t target) {
  dbx::IndexCursor cursor(store.ReadU32(dbx::RootSlot(0)).value_or(0), mode, target);
  return cursor.Next(store);
}

// The RA of the parent's direct "Any info" entry when the new folder will be its first subfolder; 0
// when it has subfolders already; none when the parent cannot be marked.
std::optional<uint32_t> ParentFlagToSet(const DbStore& store, uint32_t parentId) {
  if (FirstInTree0(store, dbx::IndexCursor::MatchParentId, parentId) != 0) return 0;
  const uint32_t parent = FirstInTree0(store, dbx::IndexCursor::MatchId, parentId);
  if (parent == 0) return std::nullopt;
  const unsigned count = dbx::PropertyCount(store, parent);
  for (unsigned i = 0; i < count; ++i) {
    const std::optional<dbx::PropertyEntry> entry = dbx::PropertyAt(store, parent, i);
    if (!entry || entry->id() != dbx::kPropAnyInfo) continue;
    if (!entry->isDirect()) return std::nullopt;
    return dbx::PropertyEntryRa(parent, i);
  }
  return std::nullopt;
}

// Tells the user why a folder database is left as it is; false, for the caller to return.
bool TellDamaged(const std::string& why) {
  Tell(Format("The folder database is damaged: %s.\nNothing was changed.", why.c_str()), kDamagedCaption);
  return false;
}

void ReleaseFolderDatabase(NewFolderInfo& info) {
  if (info.folderDatabase != nullptr) info.folderDatabase->Release();
  info.folderDatabase = nullptr;
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
  auto* root = new DbRootItem(nullptr, 0);
  if (!root->AttachDatabase(*path, item.FindTreeView(), item.FindListView(), false, false)) {
    root->Release();
    return nullptr;
  }
  return root;
}

bool AskFolderName(const std::string* presetName, NewFolderInfo& info) {
  if (presetName != nullptr && !presetName->empty()) {
    const std::optional<std::string> legacy = LegacyName(*presetName);
    if (!legacy) return false;
    info.newName = *legacy;
  } else {
    const std::optional<std::string> typed = CurrentDesktop().AskFolderName(
        LegacyCodePage().ToUtf8(info.parentName), [&](const std::string& name) {
          // Without Folders.dbx there is nothing to check against: only Cancel leaves.
          if (info.folderDatabase == nullptr) return false;
          const std::optional<std::string> legacy = LegacyName(name);
          if (!legacy) return false;
          info.newName = *legacy;
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
  dbx::IndexCursor cursor(store.ReadU32(dbx::RootSlot(0)).value_or(0), dbx::IndexCursor::MatchParentId,
                          info.parentId);
  for (const uint32_t sibling : cursor.Rest(store)) {
    const auto record = MakeItem<RecordItem>(&folderDatabase, sibling, 0);
    if (!record->LoadRecord(store, false, false)) continue;
    const std::optional<std::string_view> name = dbx::GetDisplayName(store, sibling);
    if (name && dbx::CompareNamesNoCase(*name, info.newName) == 0) {
      Tell(kNameTaken, kNameTakenCaption);
      return false;
    }
  }
  return true;
}

bool InsertFolderRecord(DbRootItem& folderDatabase, uint32_t parentId, const std::string& name) {
  DbStore store;
  if (!folderDatabase.OpenStore(store) || !dbx::IsFolderDatabase(&store) || !store.IsWritable()) return false;
  // A damaged file is not written into: the change would spread the damage. What the trees reach is
  // kept, so that the new record and nodes can be checked to lie clear of it.
  dbx::TreeSurvey survey;
  std::optional<std::string> damage = dbx::SurveyTrees(store, 3, survey);
  const uint32_t lastId = store.ReadU32(dbx::kLastAssignedIdField).value_or(0);
  if (!damage && (lastId < survey.highestId || lastId >= kNoKey - 1)) {
    damage = Format("the last ID given, %08X, does not lie above every folder's", lastId);
  }
  if (damage) return TellDamaged(*damage);

  // The whole change is made on a copy of the file first; only a change that is whole and clear of
  // everything the trees reach is written, at once.
  CopyOnWrite change;
  if (!change.Begin(store)) return false;
  DbStore& copy = change.copy();
  const std::optional<uint32_t> parentFlag = ParentFlagToSet(copy, parentId);
  if (!parentFlag) return false;
  dbx::RecordBuilder record(/*folderDatabase=*/true);
  record.SetInteger(dbx::kPropParentOrFlags, parentId);
  record.SetString(dbx::kPropFolderDisplayName, name);
  record.SetInteger(dbx::kPropAnyInfo, kNewFolderAnyInfo);
  record.SetInteger(dbx::kPropProtocol, kNewFolderProtocol);
  const uint32_t ra = record.Write(copy);
  if (ra == 0) return false;
  // The parent's "has subfolders" flag is set, not added: a flag that is already set stays as it is.
  if (*parentFlag != 0) {
    uint8_t* entry = copy.AtWritable(*parentFlag, 4);
    if (entry == nullptr) return false;
    StoreU32(entry, LoadU32(entry) | kHasSubfolders << 8);
  }
  bool inserted = true;
  for (int k = 0; k < 3 && inserted; ++k) inserted = dbx::InsertIntoIndex(copy, ra, k);
  // Checked also when an insertion failed: room carved over a live node is the likeliest reason.
  for (const auto& [blockRa, length] : copy.allocations()) {
    if (blockRa < kHeaderEnd || dbx::Overlaps(survey.structures, blockRa, length)) {
      return TellDamaged(Format("its free space at %08X lies over a folder or an index node", blockRa));
    }
  }
  return inserted && change.Commit();
}

bool CreateFolderBelow(DbItem& item, const std::string* presetName) {
  NewFolderInfo info;
  if (!GatherParentInfo(item, info)) return false;
  info.folderDatabase = OpenFolderDatabase(item, info.directory);
  if (info.folderDatabase == nullptr) {
    // Nothing can be created without the folder database: say so rather than report a success.
    Tell(kNoFolderDatabase, kNoFolderDatabaseCaption);
    return false;
  }
  if (!AskFolderName(presetName, info)) {
    ReleaseFolderDatabase(info);
    return false;
  }
  const bool created = InsertFolderRecord(*info.folderDatabase, info.parentId, info.newName);
  ReleaseFolderDatabase(info);
  // The folder record shows its new subfolder; a message database's root refreshes the folder above it.
  ExplorerItem* shown =
      dynamic_cast<RecordItem*>(&item) == nullptr && item.parent != nullptr ? item.parent : &item;
  shown->Refresh();
  return created;
}

}  // namespace vendrel
