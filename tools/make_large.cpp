// Writes a large message database for timing and profiling: make-large FILE MESSAGES [TEXT_BYTES]
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/format.h"
#include "support/dbx_builder.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: make-large FILE MESSAGES [TEXT_BYTES]\n");
    return 2;
  }
  const int count = std::atoi(argv[2]);
  const size_t textBytes = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 4096;
  vendrel::testsupport::DbxBuilder builder(vendrel::testsupport::DbKind::Message);
  std::vector<uint32_t> records;
  for (int i = 0; i < count; ++i) {
    vendrel::testsupport::MessageSpec message;
    message.id = static_cast<uint32_t>(i + 2);
    message.subject = vendrel::Format("Message %d", i);
    std::string text = vendrel::Format("Subject: Message %d\r\n\r\n", i);
    while (text.size() < textBytes) text += "A line of text in a message body.\r\n";
    message.text = text;
    records.push_back(builder.AddMessage(message));
  }
  builder.SetIndex(0, records);
  builder.SetLastAssignedId(static_cast<uint32_t>(count + 1));
  builder.WriteTo(argv[1]);
  return 0;
}
