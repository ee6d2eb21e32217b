// Creating a folder record in Folders.dbx under a parent folder: the parent is a folder record, or the
// folder a message database belongs to. The items find the parent, ask for the name and refresh; the
// record itself is written by dbx::InsertFolder.
#pragma once

#include <cstdint>
#include <string>

#include "dbx/folder_insertion.h"
#include "items/explorer_item.h"

namespace vendrel {

class DbRootItem;

inline constexpr const char* kNameTakenCaption = "Choose another name";

// What travels from the item through the dialog to the writer.
struct NewFolderInfo {
  std::string newName;     // as the user typed it (UTF-8)
  std::string parentName;  // raw legacy bytes, as the file keeps it
  uint32_t parentId = 0;
  std::string directory;                 // of the database the item belongs to, with its final '/'
  std::string fileName;                  // "<new name>.dbx": formed, not used further
  DbRootItem* folderDatabase = nullptr;  // while the name is asked for
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
// False (after telling the user) when the name cannot be written or a subfolder of the parent has it in
// any letter case.
bool IsFolderNameFree(DbRootItem& folderDatabase, const NewFolderInfo& info);
// Writes the folder (see dbx::InsertFolder) and tells the user what refused it: the name, or damage the
// file has already (a message box each); a file that cannot be opened or written only says why in the
// outcome's reason.
dbx::FolderInsertion InsertFolderRecord(DbRootItem& folderDatabase, uint32_t parentId,
                                        const std::string& name);

// CreateFolder of a folder record or of a message database's root.
bool CreateFolderBelow(DbItem& item, const std::string* presetName);

}  // namespace vendrel
