// vendrel-cli new-folder: a folder record in Folders.dbx, as the window's "New folder..." makes it.
#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/folder_insertion.h"
#include "dbx/header.h"
#include "dbx/sibling_file.h"
#include "platform/format.h"

namespace vendrel::cli {

int RunNewFolder(const Arguments& arguments) {
  if (arguments.size() != 3 || arguments[2].empty()) {
    PrintError(
        "usage: vendrel-cli new-folder FILE PARENT_ID NAME (PARENT_ID in hexadecimal, or - for the "
        "folder of a message database)");
    return kExitUsage;
  }
  const std::string& path = arguments[0];
  std::string foldersPath = path;
  std::optional<uint32_t> parentId = ParseHex(arguments[1]);
  {
    DbStore store;
    if (const int opened = OpenDatabase(store, path); opened != kExitOk) return opened;
    if (dbx::IsMessageDatabase(&store)) {
      // The folder the message database holds, in the Folders.dbx beside it.
      const uint32_t folderId = dbx::HeaderU32(store, dbx::kFolderIdField);
      if (arguments[1] != "-" && parentId != folderId) {
        PrintError(Format("the message database holds folder %08X: give that ID or -", folderId));
        return kExitUsage;
      }
      parentId = folderId;
      const std::optional<std::string> beside = ResolveSiblingFile(DirectoryOf(path), "Folders.dbx");
      if (!beside) {
        PrintError("there is no Folders.dbx beside " + path + ": no folder was created");
        return kExitFailed;
      }
      foldersPath = *beside;
    } else if (!parentId) {
      PrintError("PARENT_ID must be a folder ID in hexadecimal");
      return kExitUsage;
    }
  }
  DbStore folders;
  if (const int opened = OpenDatabase(folders, foldersPath); opened != kExitOk) return opened;
  const dbx::FolderInsertion created = dbx::InsertFolder(folders, *parentId, arguments[2]);
  if (created.inserted()) {
    std::printf("%08X\n", created.folderId);
    return kExitOk;
  }
  PrintError(created.outcome == dbx::FolderInsertion::Damaged
                 ? "the folder database is damaged: " + created.reason + "; nothing was changed"
                 : foldersPath + ": " + created.reason);
  return kExitFailed;
}

}  // namespace vendrel::cli
