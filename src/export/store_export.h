// A store handed to today's mail clients and servers: every folder of Folders.dbx (or the one folder of a
// message database) as files of their own per message (.eml, each database into the directory of its
// folder, as "Save default" writes them), as mbox files ("mboxrd", subfolders in "<name>.sbd/" beside
// each, as Thunderbird keeps its local folders; a whole store below one folder named after it), or as a
// Maildir (subfolders as Maildir++ ".Parent.Child"; the store's Inbox is the Maildir's own INBOX). The
// messages are written in the order of tree 0 with the bytes the .eml export writes, but for the line
// ends: LF in an mbox (with its "From " quoting and the read state) and in a Maildir.
#pragma once

#include <string>
#include <vector>

#include "export/export_watcher.h"
#include "export/maildir.h"

namespace vendrel {

enum class ExportFormat { Eml, Mbox, Maildir };

struct ExportOptions {
  ExportFormat format = ExportFormat::Eml;
  bool force = false;  // write over what an earlier export left
  MaildirNames maildirNames = MaildirNames::ModifiedUtf7;
};

// The folders a salvage writes beside a folder's own: what its trees do not reach, and of that the texts
// cut short.
inline constexpr const char* kRecoveredSuffix = " (recovered)";
inline constexpr const char* kPartialSuffix = " (recovered, partial)";

// What a salvage found, by kind.
struct RecoveryCounts {
  int reached = 0;        // messages the trees reach
  int records = 0;        // message records no tree reaches
  int chains = 0;         // whole texts no record owns
  int partialChains = 0;  // texts no record owns, cut short
  int sameText = 0;       // records no tree reaches whose text a reached one has: written once
  int folders = 0;        // folders no tree of Folders.dbx reaches
};

struct StoreExport {
  int folders = 0;   // folders (or databases) written
  int messages = 0;  // messages written
  int repeats = 0;   // entries of damaged trees that named a record, a folder or a database again: once
  std::vector<std::string> problems;  // what was left out, one line each
  bool stopped = false;               // the user stopped it
  RecoveryCounts recovered;           // of a salvage
};

// Exports the store at path into directory. An mbox that is there already, or a Maildir that holds
// messages, is left alone unless options.force (the mbox is then replaced whole, the Maildir added to);
// an .eml file of the same name is replaced whole. Nothing is written outside directory: folder names are
// made safe and never followed through a link.
StoreExport ExportStore(const std::string& path, const std::string& directory, const ExportOptions& options,
                        ExportWatcher& watcher);

// The salvage of a damaged store: the file is opened as it is found (read-only, a cut-off change left as it
// is), and exported as ExportStore does; beside each folder's own, what its trees do not reach goes to the
// folder "<name> (recovered)" (records no tree reaches, texts no record owns) and "<name> (recovered,
// partial)" (texts cut short); folders no tree of Folders.dbx reaches are recovered as "<name>
// (recovered)" at the top. A directory that holds anything is refused unless options.force.
StoreExport RecoverStore(const std::string& path, const std::string& directory, const ExportOptions& options,
                         ExportWatcher& watcher);

}  // namespace vendrel
