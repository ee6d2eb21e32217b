// A store handed to today's mail clients: every folder of Folders.dbx (or the one folder of a message
// database) as an mbox file ("mboxrd", subfolders in "<name>.sbd/" beside it, as Thunderbird keeps its
// local folders) or as a Maildir (subfolders as Maildir++ ".Parent.Child"). The messages are those of the
// .eml export, in its order, with the same bytes: an mbox has LF line ends and its "From " quoting, a
// Maildir keeps them as stored.
#pragma once

#include <string>
#include <vector>

namespace vendrel {

enum class MailFormat { Mbox, Maildir };

struct MailExport {
  int folders = 0;   // folders written
  int messages = 0;  // messages written
  int repeats = 0;   // entries of damaged trees that named a record or a folder again: written once
  std::vector<std::string> problems;  // what was left out, one line each
  bool stopped = false;               // the user stopped it
};

// Exports the store at path into directory. An mbox that is there already, or a Maildir that holds
// messages, is left alone unless force (the mbox is then replaced, the Maildir added to). Nothing is
// written outside directory: folder names are made safe and never followed through a link.
MailExport ExportMailboxes(const std::string& path, const std::string& directory, MailFormat format,
                           bool force);

}  // namespace vendrel
