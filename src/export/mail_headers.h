// What a mailbox needs to know of a message besides its text: who sent it and when, from the record
// and, where the record does not say, from the message's own header.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "store/db_store.h"

namespace vendrel {

// The header of the message text that starts at firstBlockRa: up to the first empty line (at most 64 KiB),
// with its line ends.
std::string MessageHeader(const DbStore& store, uint32_t firstBlockRa);
// The value of a header field (unfolded), the first of that name without regard to case.
std::optional<std::string> HeaderField(std::string_view header, std::string_view name);
// The address in a From field: within <...>, else the first word with an @.
std::optional<std::string> AddressIn(std::string_view field);
// An RFC 2822 date ("Mon, 1 Jan 2007 10:00:00 +0100") as seconds since 1970 in UTC.
std::optional<int64_t> ParseMailDate(std::string_view date);
// A FILETIME (100-ns ticks since 1601) as seconds since 1970; none for a time before 1970 or after 9999.
std::optional<int64_t> UnixTimeOf(uint64_t fileTime);
// "Mon Jan  1 09:00:00 2007": the C library's asctime form, in UTC.
std::string AsctimeUtc(int64_t seconds);

// A message's header, read only when first asked for: the record usually says what is needed.
class LazyHeader {
 public:
  LazyHeader(const DbStore& store, uint32_t firstBlockRa) : store_(store), firstBlockRa_(firstBlockRa) {}
  const std::string& text();

 private:
  const DbStore& store_;
  uint32_t firstBlockRa_;
  std::optional<std::string> text_;
};

// The sender of a message for the "From " line of an mbox: the record's "FromAddress", else the address
// in its From field, else MAILER-DAEMON. A text with a blank or a control character is no address. A text
// found without its record (recordRa 0) has only its header to tell.
std::string EnvelopeSender(const DbStore& store, uint32_t recordRa, LazyHeader& header);
// When it was received: the record's "Received", else "Sent", else its Date field; 0 when nothing says.
int64_t ReceivedTime(const DbStore& store, uint32_t recordRa, LazyHeader& header);

}  // namespace vendrel
