// One message as an entry of an mbox file ("mboxrd"), as mutt and Thunderbird read it.
#pragma once

#include <cstdint>

#include "export/byte_sink.h"
#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

// The "From " line (the sender and the time received), the read state in the two fields the clients look
// for ("Status: RO" and "X-Mozilla-Status: 0001" for a read message, "O" and "0000" else), then the text
// with LF line ends and its "From " lines quoted, and the empty line that ends the entry. recordRa is 0
// for a text found without its record.
void WriteMboxEntry(ByteSink& sink, const DbStore& store, uint32_t recordRa, uint32_t firstBlock,
                    const MessageText& text);

}  // namespace vendrel
