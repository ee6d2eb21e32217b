#include "mail/message_search.h"

#include <glib.h>

#include <ctime>

namespace vendrel::mail {

namespace {

// Text made comparable: composed the same way (an accent typed or stored either way), letter case folded.
std::string Folded(std::string_view text) {
  gchar* normal = g_utf8_normalize(text.data(), static_cast<gssize>(text.size()), G_NORMALIZE_DEFAULT_COMPOSE);
  if (normal == nullptr) return std::string(text);  // no valid UTF-8: compared as it is
  gchar* folded = g_utf8_casefold(normal, -1);
  std::string result = folded;
  g_free(folded);
  g_free(normal);
  return result;
}

bool Contains(std::string_view haystack, const std::string& needle) {
  return needle.empty() || Folded(haystack).find(Folded(needle)) != std::string::npos;
}

}  // namespace

std::string_view HeaderOf(std::string_view source) {
  for (const std::string_view end : {"\r\n\r\n", "\n\n"}) {
    const size_t at = source.find(end);
    if (at != std::string_view::npos) return source.substr(0, at + end.size());
  }
  return source;
}

bool Matches(const DecodedMessage& message, const SearchCriteria& criteria) {
  if (criteria.after || criteria.before) {
    if (!message.date()) return false;
    if (criteria.after && *message.date() < *criteria.after) return false;
    if (criteria.before && *message.date() >= *criteria.before) return false;
  }
  return Contains(message.from(), criteria.from) && Contains(message.to() + "\n" + message.cc(), criteria.to) &&
         Contains(message.subject(), criteria.subject) && Contains(message.text(), criteria.text);
}

std::optional<int64_t> ParseDay(const std::string& text) {
  tm day{};
  const char* end = strptime(text.c_str(), "%Y-%m-%d", &day);
  if (end == nullptr || *end != '\0') return std::nullopt;
  day.tm_isdst = -1;
  const time_t seconds = mktime(&day);
  if (seconds == -1) return std::nullopt;
  return seconds;
}

}  // namespace vendrel::mail
