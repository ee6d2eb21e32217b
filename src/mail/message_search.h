// Finding messages by what a reader sees of them: sender, recipients, subject, date range and text,
// compared as typed (accents and scripts included) without regard to letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "mail/decoded_message.h"

namespace vendrel::mail {

struct SearchCriteria {
  // Each, when given, must be found in its field (To and Cc for to).
  std::string from{}, to{}, subject{}, text{};
  // Seconds since 1970: the message's date from (inclusive) and before.
  std::optional<int64_t> after{}, before{};
  // Only the text needs the whole message decoded: the rest is in its header.
  bool NeedsBody() const { return !text.empty(); }
};

MessageHeaders HeadersOf(const DecodedMessage& message);

// Whether a message with headers (and, where the criteria ask for text, with text) meets every criterion
// given.
bool Matches(const MessageHeaders& headers, std::string_view text, const SearchCriteria& criteria);

// A date written YYYY-MM-DD as the first second of that day in local time; none when it is no such date.
std::optional<int64_t> ParseDay(const std::string& text);

// Text as a search compares it: composed the same way (an accent typed or stored either way), letter
// case folded.
std::string Folded(std::string_view text);

}  // namespace vendrel::mail
