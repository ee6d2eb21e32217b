// vendrel-cli export and save: every message of a store or of one message database as .eml files, mbox
// or Maildir, and one message as "Save default" writes it.
#include <unistd.h>

#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "export/message_saves.h"
#include "export/store_export.h"
#include "platform/format.h"
#include "platform/stop_signals.h"

namespace vendrel::cli {

namespace {

// The status lines are what an export prints; its progress goes to stderr when a person watches it.
// Ctrl-C stops it after the message being written, so that no file is left half made.
class PrintingWatcher : public ExportWatcher {
 public:
  PrintingWatcher() : showProgress_(isatty(STDERR_FILENO) != 0) { StopOnSignals(); }

  bool Step(uint64_t done, uint64_t total) override {
    if (StopRequested()) {
      if (showProgress_) std::fputc('\n', stderr);  // the lines that say what was left out start afresh
      return false;
    }
    if (showProgress_) {
      std::fprintf(stderr, "\r%llu/%llu", static_cast<unsigned long long>(done),
                   static_cast<unsigned long long>(total));
      if (done == total) std::fputc('\n', stderr);
    }
    return true;
  }
  void Saved(const std::string& statusLine) override { std::printf("%s\n", statusLine.c_str()); }

 private:
  bool showProgress_;
};

// What was left out, one line each, and the exit code it comes to.
int Outcome(const std::vector<std::string>& problems, int repeats) {
  if (repeats > 0) {
    std::printf("Skipped %d entries that name a folder, a database or a message exported already\n", repeats);
  }
  for (const std::string& problem : problems) PrintError(problem);
  return problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace

// FILE DIR [--format eml|mbox|maildir] [--maildir-names utf7|utf8] [--force], as export and recover take
// them; none after a line on stderr when they do not parse.
struct ExportArguments {
  std::string path, directory;
  ExportOptions options;
};

std::optional<ExportArguments> ParseExportArguments(const Arguments& arguments, const char* command) {
  std::vector<std::string> operands;
  std::string format = "eml", names = "utf7";
  ExportArguments parsed;
  bool known = true;
  for (size_t i = 0; i < arguments.size() && known; ++i) {
    if (arguments[i] == "--format" && i + 1 < arguments.size()) {
      format = arguments[++i];
    } else if (arguments[i] == "--maildir-names" && i + 1 < arguments.size()) {
      names = arguments[++i];
    } else if (arguments[i] == "--force") {
      parsed.options.force = true;
    } else {
      known = !arguments[i].starts_with("--");
      operands.push_back(arguments[i]);
    }
  }
  if (!known || operands.size() != 2 || (format != "eml" && format != "mbox" && format != "maildir") ||
      (names != "utf7" && names != "utf8")) {
    PrintError(Format("usage: vendrel-cli %s FILE DIR [--format eml|mbox|maildir] [--maildir-names utf7|utf8] "
                      "[--force]",
                      command));
    return std::nullopt;
  }
  parsed.path = operands[0];
  parsed.directory = operands[1];
  parsed.options.format =
      format == "eml" ? ExportFormat::Eml : format == "mbox" ? ExportFormat::Mbox : ExportFormat::Maildir;
  parsed.options.maildirNames = names == "utf8" ? MaildirNames::Utf8 : MaildirNames::ModifiedUtf7;
  return parsed;
}

int RunExport(const Arguments& arguments) {
  const std::optional<ExportArguments> parsed = ParseExportArguments(arguments, "export");
  if (!parsed) return kExitUsage;
  {
    DbStore store;
    if (const int opened = OpenDatabase(store, parsed->path); opened != kExitOk) return opened;
  }
  PrintingWatcher watcher;
  StoreExport report = ExportStore(parsed->path, parsed->directory, parsed->options, watcher);
  if (report.stopped) report.problems.push_back("stopped");
  return Outcome(report.problems, report.repeats);
}

int RunRecover(const Arguments& arguments) {
  const std::optional<ExportArguments> parsed = ParseExportArguments(arguments, "recover");
  if (!parsed) return kExitUsage;
  {
    DbStore store;
    if (!store.OpenAsFound(parsed->path)) {
      PrintError("cannot open " + parsed->path + ": " + store.DescribeFailure());
      return store.lastFailure() == OpenFailure::Locked ? kExitFailed : kExitNotDatabase;
    }
    if (!dbx::IsFolderDatabase(&store) && !dbx::IsMessageDatabase(&store)) {
      PrintError(parsed->path + " is no folder or message database");
      return kExitNotDatabase;
    }
  }
  PrintingWatcher watcher;
  StoreExport report = RecoverStore(parsed->path, parsed->directory, parsed->options, watcher);
  const RecoveryCounts& found = report.recovered;
  std::printf("Recovered: %d messages the trees reach, %d message records no tree reaches, %d texts no record "
              "owns, %d texts cut short; %d found twice and written once; %d folders no tree reaches\n",
              found.reached, found.records, found.chains, found.partialChains, found.sameText, found.folders);
  if (report.stopped) report.problems.push_back("stopped");
  return Outcome(report.problems, report.repeats);
}

int RunSave(const Arguments& arguments) {
  const std::optional<uint32_t> ra = arguments.size() == 3 ? ParseHex(arguments[1]) : std::nullopt;
  if (!ra) {
    PrintError("usage: vendrel-cli save FILE RA DIR (RA in hexadecimal)");
    return kExitUsage;
  }
  DbStore store;
  if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  if (!dbx::IsMessageDatabase(&store)) {
    PrintError(arguments[0] + " is a folder database: it holds no messages");
    return kExitFailed;
  }
  PrintingWatcher watcher;
  const SaveCount count = SaveMessages(store, MessageList{{*ra}, {}, 0, false}, arguments[2], watcher);
  if (count.saved == 1) watcher.Saved(Format("Saved 1 msgs (1 total).Path: %s", arguments[2].c_str()));
  return Outcome(count.problems, 0);
}

}  // namespace vendrel::cli
