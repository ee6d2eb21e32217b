// Writes the bundled sample databases into a directory: the build runs it so that the README's first
// command has files to explore. Usage: make-sample DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/format.h"
#include "support/dbx_builder.h"

using vendrel::Format;
using vendrel::testsupport::DbKind;
using vendrel::testsupport::DbxBuilder;
using vendrel::testsupport::FolderDescription;
using vendrel::testsupport::FolderSpec;
using vendrel::testsupport::MessageSpec;

namespace {

// Subjects and names are Windows-1252 text, as a French user's client wrote them.
const char* const kSubjects[] = {
    "R\xE9union de lundi",
    "Re: R\xE9union de lundi",
    "Photos de l'\xE9t\xE9",
    "\x93Urgent\x94 \x96 facture",
    "",
    "Bonjour",
    "Re: Bonjour",
    "Fw: Programme",
};

std::string MessageSource(int n, const std::string& subject) {
  std::string source = Format(
      "From: \"Ann Example\" <ann@example.com>\r\nTo: <bob@example.com>\r\nSubject: %s\r\n"
      "Date: Mon, %d Jan 2007 10:%02d:00 +0100\r\nMessage-ID: <%d@example.com>\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n",
      subject.c_str(), 1 + n % 28, n % 60, n);
  // Messages of one to a few kilobytes: chains of several 512-byte blocks.
  for (int line = 0; line < 8 + 9 * (n % 5); ++line) {
    source += Format("Ligne %d du message %d : voil\xE0 un peu de texte.\r\n", line, n);
  }
  return source;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);

  FolderDescription inbox;
  inbox.name =
      "Bo\xEEte de r\xE9"
      "ception";
  inbox.folderId = 5;
  DbxBuilder messages(DbKind::Message);
  messages.SetFolder(inbox);
  std::vector<uint32_t> records;
  for (int n = 0; n < 60; ++n) {
    MessageSpec message;
    message.id = static_cast<uint32_t>(n + 2);
    message.subject = kSubjects[n % std::size(kSubjects)];
    message.text = MessageSource(n, message.subject);
    message.sent += static_cast<uint64_t>(n) * 3600 * 10000000ull;
    records.push_back(messages.AddMessage(message));
  }
  // Sixty messages do not fit one node: a root with child nodes.
  messages.SetIndex(0, records);
  messages.SetLastAssignedId(61);
  messages.WriteTo(directory / "Inbox.dbx");

  DbxBuilder folders(DbKind::Folder);
  folders.AddFolders({
      {1, 0, "Local Folders", "", true, 0x10},
      {5, 1, "Inbox", "Inbox.dbx", true, 0},
      {6, 1, "Outbox", "Outbox.dbx", true, 0},
      {7, 1, "Sent Items", "Sent Items.dbx", true, 0},
      {8, 1, "Deleted Items", "Deleted Items.dbx", true, 0},
      {9, 1, "Drafts", "Drafts.dbx", true, 0},
      {10, 5, "Famille", "Famille.dbx", true, 0},
      {11, 5,
       "\xC9"
       "cole",
       "Ecole.dbx", false, 0},
  });
  folders.WriteTo(directory / "Folders.dbx");
  return 0;
}
