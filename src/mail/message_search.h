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
  // Seconds since 1970: the Date field from (inclusive) and before.
  std::optional<int64_t> after{}, before{};
  // Only the text needs the whole message decoded: the rest is in its header.
  bool NeedsBody() const { return !text.empty(); }
};

// The message source as far as its header goes (up to the first empty line), for a search that needs
// no more.
std::string_view HeaderOf(std::string_view source);

// Whether message meets every criterion given.
bool Matches(const DecodedMessage& message, const SearchCriteria& criteria);

// A date written YYYY-MM-DD as the first second of that day in local time; none when it is no such date.
std::optional<int64_t> ParseDay(const std::string& text);

}  // namespace vendrel::mail
