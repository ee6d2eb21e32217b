// The program's larger operations on a hostile file: the explorer walked as vendrel-cli tree walks it,
// every message exported (as .eml files, an mbox and a Maildir), a folder created, which must leave the
// file whole: either as it was, or with sound trees holding the new folder; the check, and the salvage.
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>

#include "controllers/explorer_walk.h"
#include "dbx/database_check.h"
#include "dbx/folder_insertion.h"
#include "dbx/header.h"
#include "dbx/lost_and_found.h"
#include "dbx/tree_check.h"
#include "export/store_export.h"
#include "fuzz_input.h"
#include "items/db_root_item.h"
#include "mail/message_finder.h"

using namespace vendrel;

namespace {

[[maybe_unused]] void Walk(const std::string& path) {
  InMemoryTreeView tree;
  InMemoryListView list;
  DetachedExplorerWindow window;
  CommandGate gate;
  ExplorerController explorer(window, tree, list, gate, nullptr);
  if (!explorer.Create(path)) return;
  ExplorerWalk(explorer, tree, list, 12).Walk([](const WalkedNode&) {});
}

[[maybe_unused]] void Export(const std::string& path) {
  const auto root = MakeItem<DbRootItem>(nullptr, 0);
  if (root->AttachDatabase(path, nullptr, nullptr, false, false))
    root->SaveAll((fuzz::WorkDirectory() / "out").string());
  const std::string mail = (fuzz::WorkDirectory() / "mail").string();
  QuietWatcher watcher;
  for (const ExportFormat format : {ExportFormat::Eml, ExportFormat::Mbox, ExportFormat::Maildir})
    ExportStore(path, mail, {.format = format, .force = true}, watcher);
}

// The messages of the database (or of a store's) listed and searched, headers and text.
[[maybe_unused]] void Find(const std::string& path) {
  std::string failure;
  const std::vector<mail::SearchTarget> targets = mail::SearchTargetsOf(path, failure);
  mail::CatalogCache catalogs;
  QuietWatcher watcher;
  mail::FindMessages(targets, {.from = "a", .subject = "\xC3\xA9"}, catalogs, watcher);
  mail::FindMessages(targets, {.text = "x"}, catalogs, watcher);
}

// The check of the database (and, for Folders.dbx, of the store) and what a salvage finds beside its trees.
[[maybe_unused]] void Check(const std::string& path) {
  DbStore store;
  if (!store.OpenAsFound(path)) return;
  if (dbx::IsFolderDatabase(&store)) dbx::CheckStore(store, path);
  dbx::CheckDatabase(store);
  dbx::FindLostAndFound(store);
}

[[maybe_unused]] void Recover(const std::string& path) {
  const std::string out = (fuzz::WorkDirectory() / "recovered").string();
  QuietWatcher watcher;
  for (const ExportFormat format : {ExportFormat::Eml, ExportFormat::Mbox, ExportFormat::Maildir})
    RecoverStore(path, out, {.format = format, .force = true}, watcher);
}

std::string Bytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

[[maybe_unused]] void CreateFolder(const std::string& path, uint32_t parentId) {
  const std::string before = Bytes(path);
  DbStore store;
  if (!store.Open(path)) return;
  const bool created = dbx::InsertFolder(store, parentId, "Fuzz").inserted();
  store.Close();
  if (!created) {
    if (Bytes(path) != before) __builtin_trap();  // refused, yet the file changed
    return;
  }
  dbx::TreeSurvey survey;
  if (!store.Open(path) || dbx::SurveyTrees(store, 3, survey)) __builtin_trap();  // made, yet damaged
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > fuzz::kMaxInput) return -1;
  const std::string path = fuzz::WriteInput(data, size);
#if defined(VENDREL_FUZZ_WALK)
  Walk(path);
#elif defined(VENDREL_FUZZ_EXPORT)
  Export(path);
#elif defined(VENDREL_FUZZ_FIND)
  Find(path);
#elif defined(VENDREL_FUZZ_CHECK)
  Check(path);
#elif defined(VENDREL_FUZZ_RECOVER)
  Recover(path);
#elif defined(VENDREL_FUZZ_NEW_FOLDER)
  // The parent: a folder the input most likely has (its first record's ID sits near the start).
  CreateFolder(path, size > 0 ? 1u + data[size - 1] % 16 : 1u);
#endif
  fuzz::CleanUp();
  return 0;
}
