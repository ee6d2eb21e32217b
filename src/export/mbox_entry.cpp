#include "export/mbox_entry.h"

#include "dbx/record.h"
#include "export/lf_body.h"
#include "export/mail_headers.h"

namespace vendrel {

std::string MboxEntryStart(const DbStore& store, uint32_t recordRa, uint32_t firstBlock) {
  LazyHeader header(store, firstBlock);
  const bool read = (dbx::GetParentOrFlags(store, recordRa) & dbx::kMessageRead) != 0;
  return "From " + EnvelopeSender(store, recordRa, header) + " " + AsctimeUtc(ReceivedTime(store, recordRa, header)) +
         (read ? "\nStatus: RO\nX-Mozilla-Status: 0001\n" : "\nStatus: O\nX-Mozilla-Status: 0000\n");
}

void WriteMboxBody(ByteSink& sink, const MessageText& text) {
  LfBody body(LfBody::Kind::MboxEntry);
  for (const std::span<const uint8_t> piece : text.pieces) body.Feed(piece, sink);
  body.Finish(sink);
}

}  // namespace vendrel
