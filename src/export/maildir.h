// A Maildir as mail servers and clients read it: Maildir++ folder names in the form the server keeps
// them, and messages delivered through tmp/ into cur/ with LF line ends, their flags in the name and the
// time they were received as the file's modification time (which servers give as the arrival time).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "export/output_directory.h"
#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

// How the server names folders on disk: IMAP's modified UTF-7 (Dovecot's and Courier's default), or
// UTF-8 as it is (a server set up for it).
enum class MaildirNames { ModifiedUtf7, Utf8 };

// One level of a Maildir++ folder name for a folder name in UTF-8: ".", "/" and "%" escaped as "%2E",
// "%2F" and "%25" (the first is the separator of the levels), then as names says.
std::string MaildirNamePart(const std::string& name, MaildirNames names);

// Makes cur/, new/ and tmp/ below directory; false when any cannot be made.
bool MakeMaildir(const OutputDirectory& directory);

// A message's text as a Maildir holds it: with LF line ends.
void MaildirText(const MessageText& text, BufferSink& message);

// Delivers messages into one Maildir.
class MaildirDelivery {
 public:
  // None (after setting problem) when tmp/ or cur/ cannot be opened.
  static std::optional<MaildirDelivery> Into(const OutputDirectory& maildir, std::string& problem);

  // Writes message (see MaildirText), whose record is at recordRa (0 for a text found without its
  // record) and whose text starts at firstBlock; false (after setting problem) when it could not be
  // written whole, and then nothing of it is left.
  bool Deliver(const DbStore& store, uint32_t recordRa, uint32_t firstBlock, std::string_view message,
               std::string& problem);

 private:
  MaildirDelivery(OutputDirectory tmp, OutputDirectory cur) : tmp_(std::move(tmp)), cur_(std::move(cur)) {}

  OutputDirectory tmp_, cur_;
};

}  // namespace vendrel
