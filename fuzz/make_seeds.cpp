// Writes the fuzz targets' seed databases, small ones of every shape the program reads: make-seeds DIR
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "dbx/header.h"
#include "platform/format.h"
#include "support/dbx_builder.h"

using vendrel::testsupport::DbKind;
using vendrel::testsupport::DbxBuilder;
using vendrel::testsupport::FolderFields;
using vendrel::testsupport::MessageFields;

namespace {

DbxBuilder Messages(int count, uint32_t blockRoom, unsigned perNode) {
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> records;
  for (int i = 0; i < count; ++i) {
    MessageFields message;
    message.id = static_cast<uint32_t>(i + 2);
    message.subject = vendrel::Format("Re: Message %d", i);
    message.text = vendrel::Format("Subject: %d\r\n\r\nLine one\nLine two\rLine three\r\n", i);
    message.textBlockRoom = blockRoom;
    records.push_back(builder.AddMessage(message));
  }
  builder.SetIndex(0, records, perNode);
  builder.SetIndex(1, records, perNode);
  builder.SetLastAssignedId(static_cast<uint32_t>(count + 1));
  return builder;
}

DbxBuilder Folders() {
  DbxBuilder builder(DbKind::Folder);
  builder.AddFolders({{1, 0, "Local Folders", "", true, 0x31, 3},
                      {2, 1, "Inbox", "Inbox.dbx", true, 0x31, 3},
                      {3, 1, "Sent", "Sent.dbx", true, 0x21, 3},
                      {4, 2, "Family", "", true, 0x21, 3},
                      {5, 2, "Work", "", false, 0x21, 3}},
                     2);
  builder.SetLastAssignedId(5);
  return builder;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make-seeds DIR\n");
    return 2;
  }
  const std::filesystem::path directory = argv[1];
  std::filesystem::create_directories(directory);
  Messages(3, 0x20, 2).WriteTo(directory / "messages.dbx");
  Messages(12, 0x40, 3).WriteTo(directory / "messages-deep.dbx");
  Folders().WriteTo(directory / "folders.dbx");
  // Damaged ones: a text chain that runs back into itself, trees that share a node.
  DbxBuilder looped = Messages(2, 0x10, 2);
  looped.AddTextBlock(0x10, 0x10, "0123456789abcdef", looped.allocatedSize() - 0x20);
  looped.WriteTo(directory / "messages-looped.dbx");
  DbxBuilder shared = Folders();
  shared.SetIndexSlot(1, shared.U32(vendrel::dbx::RootSlot(0)), shared.U32(vendrel::dbx::CountSlot(0)));
  shared.WriteTo(directory / "folders-shared.dbx");
  // Message texts for the decoder: nested parts, encoded words, an attachment, HTML.
  std::ofstream(directory / "message-mixed.eml", std::ios::binary)
      << "From: =?ISO-8859-1?Q?Andr=E9?= <a@b.c>\r\nSubject: =?UTF-8?B?w6l0w6k=?=\r\n"
         "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\nContent-Type: multipart/alternative; "
         "boundary=a\r\n\r\n--a\r\nContent-Type: text/html\r\n\r\n<p>x&amp;y</p>\r\n--a\r\n"
         "Content-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
         "Caf=E9\r\n--a--\r\n--m\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; "
         "filename=\"r.pdf\"\r\nContent-Transfer-Encoding: base64\r\n\r\nAAECAw==\r\n--m\r\n"
         "Content-Type: message/rfc822\r\n\r\nSubject: Inner\r\n\r\nbody\r\n--m--\r\n";
  return 0;
}
