// A stored message as a reader sees it: the sender, the recipients, the date and the subject decoded
// (encoded words, any charset), the text to read, and the attachments. The decoding is GMime's; what is
// chosen and how is this program's. The stored source stays the ground truth: nothing here changes it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrel::mail {

struct Attachment {
  std::string name;  // as the message gives it (UTF-8), or made from the type when it gives none
  std::string type;  // "application/pdf"; "message/rfc822" for a forwarded message
  uint64_t size = 0;  // decoded
};

// What a list of messages shows of one and a search of headers looks at, decoded.
struct MessageHeaders {
  std::string from{}, to{}, subject{};  // to: the To and Cc fields, a line each
  std::optional<int64_t> date{};        // seconds since 1970 (UTC)
};

// The fields of a message header (up to its empty line) decoded without parsing the message: a list of
// ten thousand messages reads only these.
MessageHeaders DecodeHeaders(std::string_view header);

class DecodedMessage {
 public:
  enum class Reading {
    Whole,     // every field and the attachments
    TextOnly,  // only the text, for a search of it
  };
  // Parses source; a message that cannot be parsed at all has empty fields and its source as the text.
  explicit DecodedMessage(std::string_view source, Reading reading = Reading::Whole);
  ~DecodedMessage();
  DecodedMessage(DecodedMessage&&) noexcept;
  DecodedMessage& operator=(DecodedMessage&&) noexcept;

  const std::string& from() const { return from_; }
  const std::string& to() const { return to_; }
  const std::string& cc() const { return cc_; }
  const std::string& subject() const { return subject_; }
  // Seconds since 1970 (UTC); none when the message has no readable Date field.
  std::optional<int64_t> date() const { return date_; }
  // The text to read: the first text/plain part that is no attachment, else the first HTML part as
  // plain text, else nothing.
  const std::string& text() const { return text_; }
  bool textFromHtml() const { return textFromHtml_; }
  // The HTML part the text was read from (UTF-8), for a view that shows it as rich text.
  const std::string& html() const { return html_; }
  const std::vector<Attachment>& attachments() const { return attachments_; }
  // Writes attachment index, decoded, to fd; false when it could not be written whole.
  bool WriteAttachment(size_t index, int fd) const;
  // The same in memory: a forwarded message to be read as one; none when it cannot be decoded.
  std::optional<std::string> AttachmentContent(size_t index) const;

 private:
  struct Parts;
  void Walk(void* object, int depth);

  std::string from_, to_, cc_, subject_, text_, html_;
  std::optional<int64_t> date_;
  bool textFromHtml_ = false;
  Reading reading_;
  std::vector<Attachment> attachments_;
  std::unique_ptr<Parts> parts_;  // the parsed message and its attachments' parts
};

// HTML as the plain text a reader sees: no tags, no scripts or styles, line breaks where blocks end,
// the common entities and numeric references decoded.
std::string HtmlAsText(std::string_view html);

// An attachment's name as a file name: no directory part, no control character or character a file
// system refuses, never "", "." or "..".
std::string SafeAttachmentName(std::string_view name);

}  // namespace vendrel::mail
