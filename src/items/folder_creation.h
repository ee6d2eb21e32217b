// Creating a folder record in Folders.dbx under a parent folder: the parent is a folder record, or the
// folder a message database belongs to.
#pragma once

#include <cstdint>
#include <string>

#include "items/explorer_item.h"

namespace vendrel {

class DbRootItem;

inline constexpr const char* kNameTaken = "Name already in database";
inline constexpr const char* kNameTakenCaption = "Choose another name";
inline constexpr uint32_t kNewFolderAnyInfo = 0x00040021;
inline constexpr uint32_t kNewFolderProtocol = 3;

// What travels from the item through the dialog to the writer. Names are raw legacy bytes.
struct NewFolderInfo {
  std::string newName;
  std::string parentName;
  uint32_t parentId = 0;
  std::string directory;                 // of the database the item belongs to, with its final '/'
  std::string fileName;                  // "<new name>.dbx": formed, not used further
  DbRootItem* folderDatabase = nullptr;  // holds a reference while set
};

// The parent's name, FolderID and directory, into a fresh info: from a folder record of Folders.dbx, or
// from the header of a message database (item is a record or a root). False when the item's database is
// not of that kind.
bool GatherParentInfo(DbItem& item, NewFolderInfo& info);
// Folders.dbx as a root item with one reference: the item's own root when it is in Folders.dbx, else the
// Folders.dbx beside its message database (not shown in the tree). Null when there is none.
DbRootItem* OpenFolderDatabase(DbItem& item, const std::string& directory);
// The new name: the preset one, or what the user types in the dialog, which accepts a name only when
// the legacy code page can hold it and no sibling has it.
bool AskFolderName(const std::string* presetName, NewFolderInfo& info);
// False (after telling the user) when a subfolder of the parent has the new name in any letter case.
bool IsFolderNameFree(DbRootItem& folderDatabase, const NewFolderInfo& info);
// Writes the folder record and enters it into trees 0, 1 and 2; marks the parent as having subfolders
// when this is its first. All of it or nothing: the change is made and checked on a copy first, and a
// damaged file (trees that share nodes or loop, counts that do not add up, free space over live
// structures, a last ID below the folders') is refused with a message, unchanged.
bool InsertFolderRecord(DbRootItem& folderDatabase, uint32_t parentId, const std::string& name);

// CreateFolder of a folder record or of a message database's root item.
bool CreateFolderBelow(DbItem& item, const std::string* presetName);

}  // namespace vendrel
