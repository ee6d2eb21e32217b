#include "large_databases.h"

#include "platform/format.h"

namespace vendrel::tools {

using testsupport::DbKind;
using testsupport::FolderFields;
using testsupport::MessageFields;

DbxBuilder LargeMessageDatabase(int count, size_t textBytes) {
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> records;
  for (int i = 0; i < count; ++i) {
    MessageFields message;
    message.id = static_cast<uint32_t>(i + 2);
    message.subject = Format("Message %d", i);
    std::string text = Format(
        "From: Sender %d <sender%d@example.com>\r\nTo: Reader <reader@example.org>\r\nSubject: Message %d\r\n"
        "Date: Mon, %d Jan 2007 10:%02d:00 +0000\r\nMessage-ID: <%d@example.com>\r\nMIME-Version: 1.0\r\n"
        "Content-Type: text/plain; charset=utf-8\r\n\r\n",
        i % 100, i % 100, i, 1 + i % 28, i % 60, i);
    while (text.size() < textBytes) text += "A line of text in a message body.\r\n";
    message.text = text;
    records.push_back(builder.AddMessage(message));
  }
  builder.SetIndex(0, records);
  builder.SetLastAssignedId(static_cast<uint32_t>(count + 1));
  return builder;
}

DbxBuilder LargeFolderDatabase(int count) {
  std::vector<FolderFields> folders;
  for (int i = 0; i < count; ++i) {
    const uint32_t id = static_cast<uint32_t>(i + 1);
    const uint32_t parent = i % 100 == 0 ? 0 : static_cast<uint32_t>(i / 100 * 100 + 1);
    folders.push_back({id, parent, Format("Folder %d", i), "", true, 0x21, 3});
  }
  DbxBuilder builder(DbKind::Folder);
  builder.AddFolders(folders);
  builder.SetLastAssignedId(static_cast<uint32_t>(count));
  return builder;
}

}  // namespace vendrel::tools
