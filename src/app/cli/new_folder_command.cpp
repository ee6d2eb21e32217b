// vendrel-cli new-folder: folder creation with the dialog answered by the command line.
#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "export/sibling_file.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/record_item.h"
#include "platform/desktop.h"
#include "platform/format.h"

namespace vendrel::cli {

namespace {

// The dialog gets the name once: a refused name (taken, or not in the code page) ends in Cancel.
class NewFolderDesktop : public HeadlessDesktop {
 public:
  explicit NewFolderDesktop(std::string name) { AddFolderNameAnswer(std::move(name)); }
};

}  // namespace

int RunNewFolder(const Arguments& arguments) {
  if (arguments.size() != 3 || arguments[2].empty()) {
    PrintError(
        "usage: vendrel-cli new-folder FILE PARENT_ID NAME (PARENT_ID in hexadecimal, or - for the "
        "folder of a message database)");
    return kExitUsage;
  }
  const std::string& path = arguments[0];
  uint32_t parentRa = 0;
  bool messageDatabase = false;
  {
    DbStore store;
    if (!OpenDatabase(store, path)) return kExitNotDatabase;
    messageDatabase = dbx::IsMessageDatabase(&store);
    const std::optional<uint32_t> parentId = ParseHex(arguments[1]);
    if (messageDatabase) {
      const uint32_t folderId = store.ReadU32(dbx::kFolderIdField).value_or(0);
      if (arguments[1] != "-" && (!parentId || *parentId != folderId)) {
        PrintError(Format("the message database holds folder %08X: give that ID or -", folderId));
        return kExitUsage;
      }
    } else {
      if (!parentId) {
        PrintError("PARENT_ID must be a folder ID in hexadecimal");
        return kExitUsage;
      }
      dbx::IndexCursor cursor(store.ReadU32(dbx::RootSlot(0)).value_or(0), dbx::IndexCursor::MatchId,
                              *parentId);
      parentRa = cursor.Next(store);
      if (parentRa == 0) {
        PrintError(Format("there is no folder %08X in %s", *parentId, path.c_str()));
        return kExitFailed;
      }
    }
  }

  NewFolderDesktop desktop(arguments[2]);
  SetCurrentDesktop(&desktop);
  InMemoryTreeView tree;
  InMemoryListView list;
  auto* root = new DbRootItem(nullptr, 0);
  bool created = false;
  if (root->AttachDatabase(path, &tree, &list, true, false)) {
    if (messageDatabase) {
      created = root->CreateFolder(nullptr);
    } else {
      // Without a subfolder tree: nothing here shows the folder's subfolders.
      auto* parent = new RecordItem(root, parentRa, 0);
      DbStore store;
      if (root->OpenStore(store) && parent->LoadRecord(store, true, false)) {
        store.Close();
        created = parent->CreateFolder(nullptr);
      } else {
        parent->Release();
      }
    }
  } else {
    root->Release();
  }
  list.DeleteAllRows();
  tree.DeleteAll();
  SetCurrentDesktop(nullptr);
  if (!created) return kExitFailed;

  // The new folder took the ID after the last one given.
  const std::optional<std::string> foldersPath =
      messageDatabase ? ResolveSiblingFile(DirectoryOf(path), "Folders.dbx") : path;
  DbStore store;
  if (!foldersPath || !store.Open(*foldersPath)) return kExitOk;
  std::printf("%08X\n", store.ReadU32(dbx::kLastAssignedIdField).value_or(0));
  return kExitOk;
}

}  // namespace vendrel::cli
