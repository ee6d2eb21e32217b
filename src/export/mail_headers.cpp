#include "export/mail_headers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <ctime>

#include "dbx/message_text.h"
#include "dbx/record.h"

namespace vendrel {

namespace {

constexpr size_t kMaxHeader = 64 * 1024;
constexpr int64_t kFileTimeTo1970 = 11644473600;  // seconds from 1601 to 1970
constexpr int64_t kLastTime = 253402300799;       // 9999-12-31 23:59:59

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
  });
}

bool IsAddress(std::string_view text) {
  return !text.empty() && text.size() < 256 && std::none_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) <= ' ' || c == 0x7F;
  });
}

// The words of a date, split at blanks and commas.
std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  size_t start = std::string_view::npos;
  for (size_t i = 0; i <= text.size(); ++i) {
    const bool separator = i == text.size() || text[i] == ' ' || text[i] == '\t' || text[i] == ',';
    if (!separator && start == std::string_view::npos) start = i;
    if (separator && start != std::string_view::npos) {
      words.push_back(text.substr(start, i - start));
      start = std::string_view::npos;
    }
  }
  return words;
}

std::optional<int> Number(std::string_view text) {
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string MessageHeader(const DbStore& store, uint32_t firstBlockRa) {
  std::string header;
  dbx::ReadMessageTextWhile(store, firstBlockRa, [&](std::span<const uint8_t> text) {
    const size_t from = header.size() < 3 ? 0 : header.size() - 3;  // a blank line may span two blocks
    header.append(reinterpret_cast<const char*>(text.data()),
                  std::min(text.size(), kMaxHeader - header.size()));
    return header.size() < kMaxHeader && header.find("\n\n", from) == std::string::npos &&
           header.find("\r\n\r\n", from) == std::string::npos;
  });
  for (const char* end : {"\r\n\r\n", "\n\n"}) {
    const size_t blank = header.find(end);
    if (blank != std::string::npos) header.resize(blank + 1);
  }
  return header;
}

std::optional<std::string> HeaderField(std::string_view header, std::string_view name) {
  size_t line = 0;
  while (line < header.size()) {
    const size_t end = std::min(header.find('\n', line), header.size());
    const std::string_view text = header.substr(line, end - line);
    if (text.size() > name.size() && text[name.size()] == ':' &&
        EqualNoCase(text.substr(0, name.size()), name)) {
      std::string value(text.substr(name.size() + 1));
      // Folded lines go on with a blank at their start.
      for (size_t next = end + 1; next < header.size() && (header[next] == ' ' || header[next] == '\t');) {
        const size_t nextEnd = std::min(header.find('\n', next), header.size());
        value += header.substr(next, nextEnd - next);
        next = nextEnd + 1;
      }
      std::erase(value, '\r');
      return value;
    }
    line = end + 1;
  }
  return std::nullopt;
}

std::optional<std::string> AddressIn(std::string_view field) {
  const size_t open = field.rfind('<');
  const size_t close = open == std::string_view::npos ? std::string_view::npos : field.find('>', open);
  if (close != std::string_view::npos) {
    const std::string_view inside = field.substr(open + 1, close - open - 1);
    if (IsAddress(inside)) return std::string(inside);
  }
  for (const std::string_view word : Words(field)) {
    if (word.find('@') != std::string_view::npos && IsAddress(word)) return std::string(word);
  }
  return std::nullopt;
}

std::optional<int64_t> ParseMailDate(std::string_view date) {
  static constexpr std::array<std::string_view, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                               "jul", "aug", "sep", "oct", "nov", "dec"};
  std::vector<std::string_view> words = Words(date);
  if (!words.empty() && !std::isdigit(static_cast<unsigned char>(words.front().front()))) {
    words.erase(words.begin());  // the day of the week
  }
  if (words.size() < 4) return std::nullopt;
  const std::optional<int> day = Number(words[0]);
  const auto month = std::find_if(kMonths.begin(), kMonths.end(),
                                  [&](std::string_view m) { return EqualNoCase(words[1].substr(0, 3), m); });
  std::optional<int> year = Number(words[2]);
  if (!day || month == kMonths.end() || !year) return std::nullopt;
  // Old mailers wrote two or three digits: 00-49 are 2000-2049, 50-99 and any three digits count from 1900.
  if (words[2].size() <= 2) *year += *year < 50 ? 2000 : 1900;
  if (words[2].size() == 3) *year += 1900;
  const std::string_view time = words[3];
  if (time.size() < 5 || time[2] != ':') return std::nullopt;
  const std::optional<int> hour = Number(time.substr(0, 2)), minute = Number(time.substr(3, 2));
  if (!hour || !minute) return std::nullopt;
  const int second = time.size() >= 8 && time[5] == ':' ? Number(time.substr(6, 2)).value_or(0) : 0;
  int offset = 0;  // minutes east of UTC
  if (words.size() > 4 && (words[4].front() == '+' || words[4].front() == '-') && words[4].size() == 5) {
    const std::optional<int> zone = Number(words[4].substr(1));
    if (zone) offset = (words[4].front() == '-' ? -1 : 1) * (*zone / 100 * 60 + *zone % 100);
  }
  std::tm fields{};
  fields.tm_year = *year - 1900;
  fields.tm_mon = static_cast<int>(month - kMonths.begin());
  fields.tm_mday = *day;
  fields.tm_hour = *hour;
  fields.tm_min = *minute;
  fields.tm_sec = second;
  if (*day < 1 || *day > 31 || *hour > 23 || *minute > 59 || second > 60) return std::nullopt;
  return static_cast<int64_t>(timegm(&fields)) - int64_t{offset} * 60;
}

std::optional<int64_t> UnixTimeOf(uint64_t fileTime) {
  const int64_t seconds = static_cast<int64_t>(fileTime / 10000000) - kFileTimeTo1970;
  if (seconds < 0 || seconds > kLastTime) return std::nullopt;
  return seconds;
}

std::string AsctimeUtc(int64_t seconds) {
  static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static constexpr const char* kMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const std::time_t time = static_cast<std::time_t>(std::clamp<int64_t>(seconds, 0, kLastTime));
  std::tm fields{};
  gmtime_r(&time, &fields);
  char text[32];
  std::snprintf(text, sizeof text, "%s %s %2d %02d:%02d:%02d %d", kDays[fields.tm_wday],
                kMonthNames[fields.tm_mon], fields.tm_mday, fields.tm_hour, fields.tm_min, fields.tm_sec,
                fields.tm_year + 1900);
  return text;
}

const std::string& LazyHeader::text() {
  if (!text_) text_ = MessageHeader(store_, firstBlockRa_);
  return *text_;
}

std::string EnvelopeSender(const DbStore& store, uint32_t recordRa, LazyHeader& header) {
  if (const auto stored = dbx::GetString(store, recordRa, dbx::kPropFromAddress);
      stored && IsAddress(*stored)) {
    return std::string(*stored);
  }
  if (const auto field = HeaderField(header.text(), "From")) {
    if (const auto address = AddressIn(*field)) return *address;
  }
  return "MAILER-DAEMON";
}

int64_t ReceivedTime(const DbStore& store, uint32_t recordRa, LazyHeader& header) {
  for (const uint8_t id : {dbx::kPropReceived, dbx::kPropSent}) {
    if (const auto fileTime = dbx::GetFileTime(store, recordRa, id)) {
      if (const auto seconds = UnixTimeOf(*fileTime)) return *seconds;
    }
  }
  if (const auto field = HeaderField(header.text(), "Date")) {
    if (const auto seconds = ParseMailDate(*field)) return std::clamp<int64_t>(*seconds, 0, kLastTime);
  }
  return 0;
}

}  // namespace vendrel
