#include "export/mbox_entry.h"

#include "dbx/record.h"
#include "export/lf_body.h"
#include "export/mail_headers.h"

namespace vendrel {

void WriteMboxEntry(ByteSink& sink, const DbStore& store, uint32_t recordRa, uint32_t firstBlock,
                    const MessageText& text) {
  LazyHeader header(store, firstBlock);
  sink.Copy("From " + EnvelopeSender(store, recordRa, header) + " " +
            AsctimeUtc(ReceivedTime(store, recordRa, header)) + "\n");
  const bool read = (dbx::GetParentOrFlags(store, recordRa) & dbx::kMessageRead) != 0;
  sink.Literal(read ? "Status: RO\nX-Mozilla-Status: 0001\n" : "Status: O\nX-Mozilla-Status: 0000\n");
  LfBody body(LfBody::Kind::MboxEntry);
  for (const std::span<const uint8_t> piece : text.pieces) body.Feed(piece, sink);
  body.Finish(sink);
}

}  // namespace vendrel
