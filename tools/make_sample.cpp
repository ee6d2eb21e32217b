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
using vendrel::testsupport::FolderFields;
using vendrel::testsupport::MessageFields;

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
      "From: \"Ann Example\" <ann@example.com>\r\nTo: <bob@example.com>\r\nCc: <carol@example.com>\r\n"
      "Subject: %s\r\n"
      "Date: Mon, %d Jan 2007 10:%02d:00 +0100\r\nMessage-ID: <%d@example.com>\r\n"
      "MIME-Version: 1.0\r\nContent-Type: text/plain; charset=\"iso-8859-1\"\r\n\r\n",
      subject.c_str(), 1 + n % 28, n % 60, n);
  // Messages of one to a few kilobytes: chains of several 512-byte blocks.
  for (int line = 0; line < 8 + 9 * (n % 5); ++line) {
    source += Format("Ligne %d du message %d : voil\xE0 un peu de texte.\r\n", line, n);
  }
  return source;
}

// The message database of a folder: count messages with IDs from 2, their subjects taken in turn from
// firstSubject on.
void WriteMessageDatabase(const std::filesystem::path& path, const std::string& folderName, uint32_t folderId,
                          int count, int firstSubject) {
  FolderDescription folder;
  folder.name = folderName;
  folder.folderId = folderId;
  DbxBuilder messages(DbKind::Message);
  messages.SetFolder(folder);
  std::vector<uint32_t> records;
  for (int n = 0; n < count; ++n) {
    MessageFields message;
    message.id = static_cast<uint32_t>(n + 2);
    message.subject = kSubjects[(firstSubject + n) % std::size(kSubjects)];
    message.text = MessageSource(firstSubject + n, message.subject);
    message.sent += static_cast<uint64_t>(n) * 3600 * 10000000ull;
    // Every other message read, as a mail client leaves them.
    if (n % 2 == 1) message.flags &= ~0x80u;
    records.push_back(messages.AddMessage(message));
  }
  // More messages than fit one node make a root with child nodes.
  messages.SetIndex(0, records);
  messages.SetLastAssignedId(static_cast<uint32_t>(count + 1));
  messages.WriteTo(path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-sample DIR\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);

  // A local store as the mail client lays it out: "Local Folders" with its folders, one of them nested
  // twice, each with its message database beside Folders.dbx. Local folders have protocol 3; "Any info"
  // bit 0 marks them subscribed, 0x10 a folder with subfolders.
  struct SampleFolder {
    FolderFields record;
    int messages;
  };
  const uint32_t kLocal = 3;
  const SampleFolder folders[] = {
      {{1, 0, "Local Folders", "", true, 0x31, kLocal}, 0},
      {{5, 1,
        "Bo\xEEte de r\xE9"
        "ception",
        "Inbox.dbx", true, 0x31, kLocal},
       60},
      {{6, 1, "Outbox", "Outbox.dbx", true, 0x21, kLocal}, 2},
      {{7, 1, "Sent Items", "Sent Items.dbx", true, 0x21, kLocal}, 6},
      {{8, 1, "Deleted Items", "Deleted Items.dbx", true, 0x21, kLocal}, 3},
      {{9, 1, "Drafts", "Drafts.dbx", true, 0x21, kLocal}, 1},
      {{10, 5, "Famille", "Famille.dbx", true, 0x31, kLocal}, 8},
      {{11, 10,
        "\xC9"
        "cole",
        "Ecole.dbx", false, 0x21, kLocal},
       4},
  };
  std::vector<FolderFields> records;
  int subject = 0;
  for (const SampleFolder& folder : folders) {
    records.push_back(folder.record);
    if (folder.record.fileName.empty()) continue;
    WriteMessageDatabase(directory / folder.record.fileName, folder.record.name, folder.record.id,
                         folder.messages, subject);
    subject += folder.messages;
  }
  DbxBuilder store(DbKind::Folder);
  store.AddFolders(records);
  store.SetLastAssignedId(11);
  store.WriteTo(directory / "Folders.dbx");
  return 0;
}
