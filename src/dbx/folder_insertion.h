// A new folder record in Folders.dbx under a parent folder: checked, then written whole or not at all.
// The record goes into new room and into index trees 0, 1 and 2; the parent is marked as having
// subfolders when this is its first. The change is made on a copy of the file, checked to lie clear of
// everything the trees reach, and committed under a rollback journal; a damaged file is refused unchanged.
#pragma once

#include <cstdint>
#include <string>

#include "store/db_store.h"

namespace vendrel::dbx {

inline constexpr const char* kNameTaken = "Name already in database";
inline constexpr uint32_t kNewFolderAnyInfo = 0x00040021;
inline constexpr uint32_t kNewFolderProtocol = 3;
// The longest name the folder dialog's buffer holds, in bytes of the legacy code page.
inline constexpr size_t kMaxFolderNameBytes = 259;

struct FolderInsertion {
  enum Outcome {
    Inserted,
    NameRefused,  // the legacy code page cannot hold it, or it is too long
    NameTaken,    // a sibling has it, in some letter case
    NoParent,     // no folder of that ID, or one that cannot hold subfolders
    NotWritable,  // the file (or the directory its journal goes to) cannot be written
    Damaged,      // writing would spread damage the file has already
  } outcome = Inserted;
  uint32_t folderId = 0;   // the new folder's, when inserted
  std::string reason;      // in words, when not
  std::string legacyName;  // the name as the file keeps it (raw legacy bytes)

  bool inserted() const { return outcome == Inserted; }
  static FolderInsertion Refused(Outcome outcome, std::string reason) { return {outcome, 0, std::move(reason), {}}; }
};

// Whether a folder named utf8Name can be made under parentId as far as its name goes: it fits the legacy
// code page and the dialog, and no sibling has it. Inserted (with legacyName) when it can.
FolderInsertion CheckFolderName(const DbStore& store, uint32_t parentId, const std::string& utf8Name);

// Makes the folder in the folder database that store has open (writable).
FolderInsertion InsertFolder(DbStore& store, uint32_t parentId, const std::string& utf8Name);

}  // namespace vendrel::dbx
