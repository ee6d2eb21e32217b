#include <cstdio>
#include <string>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "dbx/index_walk.h"
#include "dbx/property_names.h"
#include "dbx/property_value_text.h"
#include "dbx/record.h"
#include "platform/code_page.h"
#include "platform/format.h"

namespace vendrel::cli {

namespace {

void PrintRecord(const DbStore& store, uint32_t ra) {
  const std::string name = LegacyCodePage().ToUtf8(dbx::GetDisplayName(store, ra).value_or(""));
  std::printf("%08X\t%08X\t%s\n", ra, dbx::GetId(store, ra), name.c_str());
  const bool messageDatabase = dbx::IsMessageDatabase(&store);
  const uint32_t dataArea = dbx::DataAreaRa(store, ra);
  const unsigned count = dbx::PropertyCount(store, ra);
  for (unsigned i = 0; i < count; ++i) {
    const std::optional<dbx::PropertyEntry> entry = dbx::PropertyAt(store, ra, i);
    if (!entry) break;
    std::printf("\t%s\t%s\n", dbx::PropertyName(messageDatabase, *entry).c_str(),
                dbx::PropertyValueText(store, *entry, dataArea).c_str());
  }
}

}  // namespace

int RunRecords(const Arguments& arguments) {
  int slot = 0;
  if (arguments.size() == 2) {
    const std::string& text = arguments[1];
    if (text.size() != 1 || text[0] < '0' || text[0] > '7') {
      PrintError("SLOT must be 0 to 7");
      return kExitUsage;
    }
    slot = text[0] - '0';
  } else if (arguments.size() != 1) {
    PrintError("usage: vendrel-cli records FILE [SLOT]");
    return kExitUsage;
  }
  DbStore store;
  if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  const uint32_t root = dbx::TreeRoot(store, slot);
  if (root == 0) return kExitOk;
  if (!dbx::IndexNode::At(store, root)) {
    PrintError(Format("the root node of index %d at %08X is not valid", slot, root));
    return kExitFailed;
  }
  int invalid = 0;
  const dbx::WalkEnd end = dbx::WalkIndexTree(store, root, [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
    if (dbx::RecordAt(store, ra) != nullptr) {
      PrintRecord(store, ra);
    } else {
      PrintError(Format("the record at %08X is not valid", ra));
      ++invalid;
    }
    return false;
  });
  if (end == dbx::WalkEnd::Cut) {
    PrintError(Format("index %d loops or is larger than the file: the walk stopped", slot));
    return kExitFailed;
  }
  return invalid == 0 ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
