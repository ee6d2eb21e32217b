// Writes the bundled sample databases into a directory: the build runs it so that the README's first
// command has files to explore. Usage: make-sample DIR
#include <cstdio>
#include <filesystem>

#include "support/dbx_builder.h"

using vendrel::testsupport::DbKind;
using vendrel::testsupport::DbxBuilder;
using vendrel::testsupport::FolderDescription;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);

  // A French user's inbox: the folder name is Windows-1252 text ("Boîte de réception").
  FolderDescription inbox;
  inbox.name = "Bo\xEEte de r\xE9" "ception";
  inbox.folderId = 5;
  DbxBuilder messages(DbKind::Message);
  messages.SetFolder(inbox).SetLastAssignedId(0x1D);
  messages.WriteTo(directory / "Inbox.dbx");

  DbxBuilder folders(DbKind::Folder);
  folders.SetLastAssignedId(5);
  folders.WriteTo(directory / "Folders.dbx");
  return 0;
}
