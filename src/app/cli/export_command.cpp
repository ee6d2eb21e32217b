// vendrel-cli export and save: "Save default" of a whole database, of every database of Folders.dbx, or
// of one message.
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"
#include "export/mailbox_export.h"
#include "export/sibling_file.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "items/record_item.h"
#include "platform/code_page.h"
#include "platform/desktop.h"
#include "platform/status_text.h"

namespace vendrel::cli {

namespace {

// Status lines are what export prints; progress goes to stderr when a person watches it.
class ExportDesktop : public HeadlessDesktop {
 public:
  ExportDesktop() : showProgress_(isatty(STDERR_FILENO) != 0) { SetEcho(true); }

  void ShowStatus(std::string_view text) override {
    std::printf("%.*s\n", static_cast<int>(text.size()), text.data());
  }

  bool ReportProgress(uint64_t done, uint64_t total) override {
    if (showProgress_) {
      std::fprintf(stderr, "\r%llu/%llu", static_cast<unsigned long long>(done),
                   static_cast<unsigned long long>(total));
      if (done == total) std::fputc('\n', stderr);
    }
    return true;
  }

 private:
  bool showProgress_;
};

// Saves one message database into directory; true when every message with text was written.
bool ExportDatabase(const std::string& path, const std::string& directory, InMemoryTreeView& tree,
                    InMemoryListView& list) {
  const auto root = MakeItem<DbRootItem>(nullptr, 0);
  bool saved = false;
  if (root->AttachDatabase(path, &tree, &list, false, false)) {
    const SaveCount count = root->SaveAll(directory);
    saved = count.valid && count.failed == 0;
    if (count.skipped > 0) {
      std::printf("Skipped %d entries of %s that name a message saved already\n", count.skipped,
                  path.c_str());
    }
  }
  if (!saved) PrintError("not every message of " + path + " was saved");
  return saved;
}

// The message databases that the folder records of Folders.dbx name, in the order of tree 0, each once
// (a damaged tree may name one many times: the repeats are counted in skipped); missing tells whether one
// of them is not there.
std::vector<std::string> MessageDatabasesOf(const DbStore& store, const std::string& foldersPath,
                                            bool& missing, int& skipped) {
  std::vector<std::string> paths;
  std::set<std::string> files;
  const uint32_t root = store.ReadU32(dbx::RootSlot(0)).value_or(0);
  dbx::WalkIndexTree(store, root, [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
    const std::optional<std::string_view> name = dbx::GetString(store, ra, dbx::kPropFileName);
    if (name && !name->empty()) {
      const std::string utf8 = LegacyCodePage().ToUtf8(*name);
      if (const std::optional<std::string> path = ResolveFolderFile(DirectoryOf(foldersPath), *name)) {
        std::error_code error;
        if (files.insert(std::filesystem::weakly_canonical(*path, error).string()).second) {
          paths.push_back(*path);
        } else {
          ++skipped;
        }
      } else {
        PrintError("the message database " + utf8 + " of " + foldersPath + " is not there");
        missing = true;
      }
    }
    return false;
  });
  return paths;
}

// mbox or Maildir: every folder into directory, what was left out said on stderr.
int ExportToMailboxes(const std::string& path, const std::string& directory, MailFormat format, bool force) {
  ExportDesktop desktop;
  SetCurrentDesktop(&desktop);
  SetStatusLineRegistered(true);
  const MailExport report = ExportMailboxes(path, directory, format, force);
  SetCurrentDesktop(nullptr);
  if (report.repeats > 0)
    std::printf("Skipped %d entries that name a folder or a message exported already\n", report.repeats);
  for (const std::string& problem : report.problems) PrintError(problem);
  if (report.stopped) PrintError("stopped");
  return report.problems.empty() && !report.stopped ? kExitOk : kExitFailed;
}

}  // namespace

int RunExport(const Arguments& arguments) {
  constexpr const char* kUsage = "usage: vendrel-cli export FILE DIR [--format eml|mbox|maildir] [--force]";
  std::vector<std::string> operands;
  std::string format = "eml";
  bool force = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--format" && i + 1 < arguments.size()) {
      format = arguments[++i];
    } else if (arguments[i] == "--force") {
      force = true;
    } else if (arguments[i].starts_with("--")) {
      return PrintError(kUsage), kExitUsage;
    } else {
      operands.push_back(arguments[i]);
    }
  }
  if (operands.size() != 2 || (format != "eml" && format != "mbox" && format != "maildir")) {
    PrintError(kUsage);
    return kExitUsage;
  }
  const std::string& path = operands[0];
  const std::string& directory = operands[1];
  if (format != "eml") {
    DbStore store;
    if (!OpenDatabase(store, path)) return kExitNotDatabase;
    store.Close();
    return ExportToMailboxes(path, directory, format == "mbox" ? MailFormat::Mbox : MailFormat::Maildir,
                             force);
  }
  bool missing = false;
  int skipped = 0;
  std::vector<std::string> databases;
  {
    DbStore store;
    if (!OpenDatabase(store, path)) return kExitNotDatabase;
    databases = dbx::IsFolderDatabase(&store) ? MessageDatabasesOf(store, path, missing, skipped)
                                              : std::vector<std::string>{path};
  }
  ExportDesktop desktop;
  SetCurrentDesktop(&desktop);
  SetStatusLineRegistered(true);
  InMemoryTreeView tree;
  InMemoryListView list;
  bool allSaved = !missing;
  if (skipped > 0) std::printf("Skipped %d folders that name a message database exported already\n", skipped);
  for (const std::string& database : databases)
    allSaved = ExportDatabase(database, directory, tree, list) && allSaved;
  SetCurrentDesktop(nullptr);
  return allSaved ? kExitOk : kExitFailed;
}

int RunSave(const Arguments& arguments) {
  const std::optional<uint32_t> ra = arguments.size() == 3 ? ParseHex(arguments[1]) : std::nullopt;
  if (!ra) {
    PrintError("usage: vendrel-cli save FILE RA DIR (RA in hexadecimal)");
    return kExitUsage;
  }
  {
    DbStore store;
    if (!OpenDatabase(store, arguments[0])) return kExitNotDatabase;
  }
  SetStatusLineRegistered(true);
  InMemoryTreeView tree;
  InMemoryListView list;
  const auto root = MakeItem<DbRootItem>(nullptr, 0);
  bool saved = false;
  if (root->AttachDatabase(arguments[0], &tree, &list, false, false)) {
    const auto record = MakeItem<RecordItem>(root.get(), *ra, 0);
    DbStore store;
    saved = root->OpenStore(store) && record->LoadRecord(store, false, false) && (store.Close(), true) &&
            record->SaveDefault(arguments[2], true);
  }
  if (!saved) PrintError("the message at " + arguments[1] + " was not saved");
  return saved ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
