// The message decoder on any text: it must end, and never read or write outside what it was given, also
// when it lists, writes and searches what it decoded.
#include <fcntl.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "mail/decoded_message.h"
#include "mail/message_search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
  const std::string_view source(reinterpret_cast<const char*>(data), size);
  const vendrel::mail::DecodedMessage message(source);
  for (size_t i = 0; i < message.attachments().size(); ++i) {
    message.WriteAttachment(i, devNull);
    message.AttachmentContent(i);
  }
  const vendrel::mail::DecodedMessage text(source, vendrel::mail::DecodedMessage::Reading::TextOnly);
  vendrel::mail::Matches(vendrel::mail::DecodeHeaders(source), text.text(), {.from = "a", .text = "\xC3\xA9"});
  vendrel::mail::Matches(HeadersOf(message), message.text(), {.to = "b", .subject = "\xC3\x89"});
  vendrel::mail::HtmlAsText(source);
  vendrel::mail::SafeAttachmentName(source);
  return 0;
}
