#include "app/cli/cli_support.h"

#include <cstdio>

#include "dbx/header.h"

namespace vendrel::cli {

bool OpenDatabase(DbStore& store, const std::string& path) {
  if (!store.Open(path)) {
    PrintError("cannot open " + path + " (missing, empty, unreadable or locked)");
    return false;
  }
  if (!dbx::IsFolderDatabase(&store) && !dbx::IsMessageDatabase(&store)) {
    PrintError(path + " is not a folder database or a message database");
    store.Close();
    return false;
  }
  return true;
}

void PrintRow(const dbx::FieldRow& row) {
  std::printf("%s\t%s\t%s\t%s\n", row.name.c_str(), row.ra.c_str(), row.value.c_str(),
              row.description.c_str());
}

void PrintError(const std::string& message) { std::fprintf(stderr, "vendrel-cli: %s\n", message.c_str()); }

}  // namespace vendrel::cli
