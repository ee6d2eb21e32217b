// The folders of a store as a tree: read from Folders.dbx (every folder record of index tree 0, each
// under the folder its ParentID names), or a single message database as a folder of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "store/db_store.h"

namespace vendrel {

struct StoreFolder {
  std::string name;                     // the display name, raw (legacy code page)
  std::string fileName;                 // the message database it names, raw; empty for none
  std::optional<std::string> database;  // that file, found beside Folders.dbx
  std::vector<size_t> children;         // in the order of tree 0
};

struct StoreFolders {
  std::string name;  // of a store, the name of the directory it is in (UTF-8); empty for one database
  std::vector<StoreFolder> folders;
  std::vector<size_t> top;  // the folders without a parent (or whose parent is not there)
  int repeats = 0;          // records tree 0 names again, and folders with an ID another one has
};

// The folder record at ra of the Folders.dbx at foldersPath, with its message database found beside it;
// no children.
StoreFolder FolderOfRecord(const DbStore& store, uint32_t ra, const std::string& foldersPath);
// The folder tree of the Folders.dbx session store is open on (its file at foldersPath). A ParentID
// that would make a folder its own ancestor puts it at the top instead.
StoreFolders ReadStoreFolders(const DbStore& store, const std::string& foldersPath);
// A message database as a store of one folder, named as its header names it.
StoreFolders SingleFolder(const DbStore& store, const std::string& path);
// The store's own Inbox, the folder a mail server keeps as its INBOX: the first folder (depth first, in
// the order of the tree) whose database is the file "Inbox.dbx", else the first top-level folder named
// "Inbox", either without regard to case; none when neither is there.
std::optional<size_t> FindInbox(const StoreFolders& store);

}  // namespace vendrel
