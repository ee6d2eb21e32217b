// One message as an entry of an mbox file ("mboxrd"), as mutt and Thunderbird read it.
#pragma once

#include <cstdint>
#include <string>

#include "export/byte_sink.h"
#include "export/text_read_ahead.h"
#include "store/db_store.h"

namespace vendrel {

// The lines an entry starts with: the "From " line (the sender and the time received), then the read
// state in the two fields the clients look for ("Status: RO" and "X-Mozilla-Status: 0001" for a read
// message, "O" and "0000" else). recordRa is 0 for a text found without its record.
std::string MboxEntryStart(const DbStore& store, uint32_t recordRa, uint32_t firstBlock);

// The rest of the entry: the text with LF line ends and its "From " lines quoted, and the empty line that
// ends it.
void WriteMboxBody(ByteSink& sink, const MessageText& text);

}  // namespace vendrel
