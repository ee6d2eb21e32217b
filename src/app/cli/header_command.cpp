#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header_rows.h"

namespace vendrel::cli {

int RunHeader(const Arguments& arguments) {
  if (arguments.size() != 1) {
    PrintError("usage: vendrel-cli header FILE");
    return kExitUsage;
  }
  DbStore store;
  if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  for (const dbx::FieldRow& row : dbx::HeaderRows(store)) PrintRow(row);
  return kExitOk;
}

}  // namespace vendrel::cli
