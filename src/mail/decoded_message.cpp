#include "mail/decoded_message.h"

#include <gmime/gmime.h>

#include <algorithm>
#include <mutex>

#include "export/mail_headers.h"
#include "platform/code_page.h"

namespace vendrel::mail {

namespace {

// Deeper than any mail client nests its parts; what lies below is left out (and a hostile message cannot
// make the walk's stack grow with it).
constexpr int kMostNesting = 64;
constexpr size_t kMostNameBytes = 200;

void InitGMime() {
  static std::once_flag once;
  std::call_once(once, [] { g_mime_init(); });
}

// A GLib string as a std::string, freed.
std::string Take(char* text) {
  std::string taken = text != nullptr ? text : "";
  g_free(text);
  return taken;
}

std::string Addresses(InternetAddressList* list) {
  return list != nullptr ? Take(internet_address_list_to_string(list, nullptr, FALSE)) : std::string();
}

std::string MimeType(GMimeObject* object) {
  GMimeContentType* type = g_mime_object_get_content_type(object);
  return type != nullptr ? Take(g_mime_content_type_get_mime_type(type)) : "application/octet-stream";
}

bool IsType(GMimeObject* object, const char* type, const char* subtype) {
  GMimeContentType* contentType = g_mime_object_get_content_type(object);
  return contentType != nullptr && g_mime_content_type_is_type(contentType, type, subtype);
}

// The bytes a part's content decodes to, written to stream; -1 when they could not be.
ssize_t WriteContent(GMimePart* part, GMimeStream* stream) {
  GMimeDataWrapper* content = g_mime_part_get_content(part);
  return content != nullptr ? g_mime_data_wrapper_write_to_stream(content, stream) : 0;
}

// What an attachment decodes to: a part's content, a forwarded message as it was sent; -1 when it
// cannot be written.
ssize_t WriteDecoded(GMimeObject* object, GMimeStream* stream) {
  if (GMIME_IS_PART(object)) return WriteContent(GMIME_PART(object), stream);
  GMimeMessage* inner = GMIME_IS_MESSAGE_PART(object) ? g_mime_message_part_get_message(GMIME_MESSAGE_PART(object)) : nullptr;
  return inner != nullptr ? g_mime_object_write_to_stream(GMIME_OBJECT(inner), nullptr, stream) : -1;
}

// The same, in memory.
std::optional<std::string> InMemory(GMimeObject* object) {
  GMimeStream* stream = g_mime_stream_mem_new();
  std::optional<std::string> content;
  if (WriteDecoded(object, stream) >= 0) {
    const GByteArray* bytes = g_mime_stream_mem_get_byte_array(GMIME_STREAM_MEM(stream));
    content.emplace(reinterpret_cast<const char*>(bytes->data), bytes->len);
  }
  g_object_unref(stream);
  return content;
}

// A reader's text has LF line ends, whatever the message was sent with.
std::string LfLines(std::string text) {
  size_t kept = text.find("\r\n");
  if (kept == std::string::npos) return text;
  for (size_t from = kept + 1; from < text.size();) {
    const size_t next = std::min(text.find("\r\n", from), text.size());
    std::copy(text.begin() + static_cast<ptrdiff_t>(from), text.begin() + static_cast<ptrdiff_t>(next),
              text.begin() + static_cast<ptrdiff_t>(kept));
    kept += next - from;
    from = next + 1;
  }
  text.resize(kept);
  return text;
}

// Most text is ASCII, which is UTF-8 and is told at the speed of memory; the rest is checked by GLib.
bool IsUtf8(std::string_view text) {
  unsigned char any = 0;
  for (const char c : text) any |= static_cast<unsigned char>(c);
  return any < 0x80 || g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

// A text part's text in UTF-8. Text that says it is UTF-8 (or ASCII) and is, is taken as it is decoded:
// GMime's conversion would turn it into the same bytes at a third of the speed of the whole search.
std::string TextOf(GMimeTextPart* part) {
  const char* charset = g_mime_text_part_get_charset(part);
  if (charset == nullptr || g_ascii_strcasecmp(charset, "utf-8") == 0 || g_ascii_strcasecmp(charset, "us-ascii") == 0) {
    const std::optional<std::string> text = InMemory(GMIME_OBJECT(part));
    if (text && IsUtf8(*text)) return *text;
  }
  return Take(g_mime_text_part_get_text(part));
}

uint64_t DecodedSize(GMimeObject* object) {
  GMimeStream* counter = g_mime_stream_null_new();
  WriteDecoded(object, counter);
  const uint64_t size = GMIME_STREAM_NULL(counter)->written;
  g_object_unref(counter);
  return size;
}

std::string DecodedText(const std::optional<std::string>& field) {
  return field ? Take(g_strstrip(g_mime_utils_header_decode_text(nullptr, field->c_str()))) : std::string();
}

// The senders as a list shows them: "Name <address>" without the quotes a header needs; the field as
// decoded text when it names no mailbox.
std::string Senders(const std::optional<std::string>& field) {
  InternetAddressList* list = field ? internet_address_list_parse(nullptr, field->c_str()) : nullptr;
  std::string senders;
  for (int i = 0; list != nullptr && i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    if (!INTERNET_ADDRESS_IS_MAILBOX(address)) continue;
    const char* name = internet_address_get_name(address);
    const char* mailbox = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
    if (!senders.empty()) senders += ", ";
    senders += name != nullptr && *name != '\0' ? std::string(name) + " <" + mailbox + ">" : std::string(mailbox);
  }
  if (list != nullptr) g_object_unref(list);
  return senders.empty() ? DecodedText(field) : senders;
}

}  // namespace

MessageHeaders DecodeHeaders(std::string_view header) {
  InitGMime();
  MessageHeaders headers{Senders(HeaderField(header, "From")),
                         DecodedText(HeaderField(header, "To")) + "\n" + DecodedText(HeaderField(header, "Cc")),
                         DecodedText(HeaderField(header, "Subject"))};
  if (const std::optional<std::string> date = HeaderField(header, "Date")) {
    if (GDateTime* time = g_mime_utils_header_decode_date(date->c_str())) {
      headers.date = g_date_time_to_unix(time);
      g_date_time_unref(time);
    }
  }
  return headers;
}

struct DecodedMessage::Parts {
  GMimeMessage* message = nullptr;
  std::vector<GMimeObject*> attachments;  // owned by message
  ~Parts() {
    if (message != nullptr) g_object_unref(message);
  }
};

DecodedMessage::DecodedMessage(std::string_view source, Reading reading)
    : reading_(reading), parts_(std::make_unique<Parts>()) {
  InitGMime();
  GMimeStream* stream = g_mime_stream_mem_new_with_buffer(source.data(), source.size());
  GMimeParser* parser = g_mime_parser_new_with_stream(stream);
  g_mime_parser_set_format(parser, GMIME_FORMAT_MESSAGE);
  parts_->message = g_mime_parser_construct_message(parser, nullptr);
  g_object_unref(parser);
  g_object_unref(stream);
  GMimeMessage* message = parts_->message;
  if (message == nullptr) {
    text_ = LegacyCodePage().ToUtf8(source);  // no header at all: the source is all there is to read
    return;
  }
  if (reading == Reading::Whole) {
    from_ = Addresses(g_mime_message_get_from(message));
    to_ = Addresses(g_mime_message_get_to(message));
    cc_ = Addresses(g_mime_message_get_cc(message));
    if (const char* subject = g_mime_message_get_subject(message)) subject_ = subject;
    if (GDateTime* date = g_mime_message_get_date(message)) date_ = g_date_time_to_unix(date);
  }
  Walk(g_mime_message_get_mime_part(message), 0);
  // No plain text anywhere: the first HTML part that is no attachment, as text.
  if (text_.empty() && !textFromHtml_) {
    GMimePartIter* parts = g_mime_part_iter_new(GMIME_OBJECT(message));
    do {
      GMimeObject* part = g_mime_part_iter_get_current(parts);
      if (part == nullptr || !GMIME_IS_TEXT_PART(part) || !IsType(part, "text", "html") ||
          g_mime_part_is_attachment(GMIME_PART(part)))
        continue;
      html_ = TextOf(GMIME_TEXT_PART(part));
      text_ = HtmlAsText(html_);
      textFromHtml_ = true;
      break;
    } while (g_mime_part_iter_next(parts));
    g_mime_part_iter_free(parts);
  }
  text_ = LfLines(std::move(text_));
}

DecodedMessage::~DecodedMessage() = default;
DecodedMessage::DecodedMessage(DecodedMessage&&) noexcept = default;
DecodedMessage& DecodedMessage::operator=(DecodedMessage&&) noexcept = default;

void DecodedMessage::Walk(void* object, int depth) {
  auto* part = static_cast<GMimeObject*>(object);
  if (part == nullptr || depth > kMostNesting) return;
  if (GMIME_IS_MULTIPART(part)) {
    GMimeMultipart* multipart = GMIME_MULTIPART(part);
    for (int i = 0; i < g_mime_multipart_get_count(multipart); ++i)
      Walk(g_mime_multipart_get_part(multipart, i), depth + 1);
    return;
  }
  std::string name;
  if (reading_ == Reading::TextOnly && !GMIME_IS_PART(part)) return;
  if (GMIME_IS_MESSAGE_PART(part)) {
    // A forwarded message: an attachment named after its subject.
    GMimeMessage* inner = g_mime_message_part_get_message(GMIME_MESSAGE_PART(part));
    const char* subject = inner != nullptr ? g_mime_message_get_subject(inner) : nullptr;
    name = std::string(subject != nullptr && *subject != '\0' ? subject : "message") + ".eml";
  } else if (GMIME_IS_PART(part)) {
    GMimePart* leaf = GMIME_PART(part);
    const bool attached = g_mime_part_is_attachment(leaf);
    if (!attached && text_.empty() && GMIME_IS_TEXT_PART(part) && IsType(part, "text", "plain")) {
      text_ = TextOf(GMIME_TEXT_PART(part));
      if (text_.empty()) text_ = " ";  // an empty body is still the body chosen
      return;
    }
    if (reading_ == Reading::TextOnly) return;
    const char* filename = g_mime_part_get_filename(leaf);
    // Text beside the body (the HTML alternative) is no attachment unless it says it is one.
    if (!attached && filename == nullptr && IsType(part, "text", "*")) return;
    name = filename != nullptr ? filename : "";
  } else {
    return;
  }
  const std::string type = MimeType(part);
  if (name.empty()) name = "part " + std::to_string(attachments_.size() + 1) + " (" + type + ")";
  attachments_.push_back({name, type, DecodedSize(part)});
  parts_->attachments.push_back(part);
}

bool DecodedMessage::WriteAttachment(size_t index, int fd) const {
  if (index >= parts_->attachments.size()) return false;
  GMimeStream* stream = g_mime_stream_fs_new(fd);
  g_mime_stream_fs_set_owner(GMIME_STREAM_FS(stream), FALSE);
  const ssize_t written = WriteDecoded(parts_->attachments[index], stream);
  const bool flushed = g_mime_stream_flush(stream) == 0;
  g_object_unref(stream);
  return written >= 0 && flushed;
}

std::optional<std::string> DecodedMessage::AttachmentContent(size_t index) const {
  return index < parts_->attachments.size() ? InMemory(parts_->attachments[index]) : std::nullopt;
}

std::string HtmlAsText(std::string_view html) {
  static constexpr std::pair<std::string_view, std::string_view> kEntities[] = {
      {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}, {"nbsp", "\u00A0"}};
  // Tags whose end is the end of a line.
  static constexpr std::string_view kBlocks[] = {"br", "p",  "div", "tr", "li", "h1", "h2",        "h3",
                                                 "h4", "h5", "h6",  "hr", "table", "blockquote", "pre"};
  std::string lower(html);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  std::string text;
  for (size_t i = 0; i < html.size();) {
    const char c = html[i];
    if (c == '<') {
      const size_t end = lower.find('>', i);
      if (end == std::string::npos) break;
      const std::string_view tag = std::string_view(lower).substr(i + 1, end - i - 1);
      const std::string_view bare = tag.substr(tag.starts_with('/') ? 1 : 0);
      const std::string_view name = bare.substr(0, bare.find_first_of(" \t\r\n/"));
      i = end + 1;
      if ((name == "script" || name == "style") && !tag.starts_with('/')) {  // their content is no text
        const size_t close = lower.find("</" + std::string(name), i);
        const size_t closeEnd = close == std::string::npos ? close : lower.find('>', close);
        i = closeEnd == std::string::npos ? html.size() : closeEnd + 1;
      } else if (std::ranges::find(kBlocks, name) != std::end(kBlocks) && !text.empty() &&
                 text.back() != '\n') {
        text += '\n';
      }
      continue;
    }
    if (c == '&') {
      // An entity is short: looking further for its ';' would make the walk quadratic.
      const size_t semicolon = html.substr(i, 12).find(';');
      const size_t end = semicolon == std::string_view::npos ? semicolon : i + semicolon;
      if (end != std::string_view::npos) {
        const std::string_view entity = html.substr(i + 1, end - i - 1);
        std::string decoded;
        if (entity.starts_with('#')) {
          const bool hex = entity.starts_with("#x") || entity.starts_with("#X");
          const unsigned long code = std::strtoul(std::string(entity.substr(hex ? 2 : 1)).c_str(), nullptr, hex ? 16 : 10);
          if (code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            gchar utf8[8] = {};
            decoded.assign(utf8, static_cast<size_t>(g_unichar_to_utf8(static_cast<gunichar>(code), utf8)));
          }
        }
        for (const auto& [name, value] : kEntities)
          if (entity == name) decoded = value;
        if (!decoded.empty()) {
          text += decoded;
          i = end + 1;
          continue;
        }
      }
    }
    // Runs of blanks in HTML are one blank.
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
      text += c;
    } else if (!text.empty() && text.back() != ' ' && text.back() != '\n') {
      text += ' ';
    }
    ++i;
  }
  return text;
}

std::string SafeAttachmentName(std::string_view name) {
  // The last part of a path is the name (a sender's "C:\x\report.pdf" or "../../x").
  const size_t slash = name.find_last_of("/\\");
  std::string safe(slash == std::string_view::npos ? name : name.substr(slash + 1));
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || std::string_view("<>:\"|?*").find(c) != std::string_view::npos) c = '_';
  }
  safe = CutUtf8(std::move(safe), kMostNameBytes);
  if (safe.empty() || safe == "." || safe == "..") safe = "attachment";
  return safe;
}

}  // namespace vendrel::mail
