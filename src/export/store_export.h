// A store handed to today's mail clients: every folder of Folders.dbx (or the one folder of a message
// database) as files of their own per message (.eml, each database into the directory of its folder, as
// "Save default" writes them), as an mbox file ("mboxrd", subfolders in "<name>.sbd/" beside it, as
// Thunderbird keeps its local folders), or as a Maildir (subfolders as Maildir++ ".Parent.Child"). The
// messages are written in the order of tree 0 with the bytes the .eml export writes: an mbox has LF line
// ends and its "From " quoting, a Maildir keeps them as stored.
#pragma once

#include <string>
#include <vector>

#include "export/export_watcher.h"

namespace vendrel {

enum class ExportFormat { Eml, Mbox, Maildir };

struct StoreExport {
  int folders = 0;   // folders (or databases) written
  int messages = 0;  // messages written
  int repeats = 0;   // entries of damaged trees that named a record, a folder or a database again: once
  std::vector<std::string> problems;  // what was left out, one line each
  bool stopped = false;               // the user stopped it
};

// Exports the store at path into directory. An mbox that is there already, or a Maildir that holds
// messages, is left alone unless force (the mbox is then replaced whole, the Maildir added to); an .eml
// file of the same name is replaced whole. Nothing is written outside directory: folder names are made
// safe and never followed through a link.
StoreExport ExportStore(const std::string& path, const std::string& directory, ExportFormat format,
                        bool force, ExportWatcher& watcher);

}  // namespace vendrel
