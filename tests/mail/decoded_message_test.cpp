// What a reader sees of a stored message: GMime decodes; tested here is what this program adds on it (the
// choice of the text, the attachments listed, the HTML read as text, the names made safe) and that
// hostile messages end as far as they decode.
#include "mail/decoded_message.h"

#include "mail/message_search.h"

#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>

namespace vendrel::mail {
namespace {

TEST(DecodedMessage, HeadersAreDecodedThePlainTextChosenAndEveryAttachmentListed) {
  const DecodedMessage message(
      "From: =?ISO-8859-1?Q?Andr=E9?= <andre@example.com>\r\nTo: bob@example.com\r\n"
      "Subject: =?UTF-8?B?8J+SvCBFc3RhZ2nDoXJpbw==?=\r\nDate: Tue, 2 Jan 2007 10:00:00 +0100\r\n"
      "MIME-Version: 1.0\r\nContent-Type: multipart/mixed; boundary=\"m\"\r\n\r\n"
      "--m\r\nContent-Type: multipart/alternative; boundary=\"a\"\r\n\r\n"
      "--a\r\nContent-Type: text/html; charset=utf-8\r\n\r\n<p>html</p>\r\n"
      "--a\r\nContent-Type: text/plain; charset=iso-8859-1\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n"
      "Caf=C3=A9\r\nau lait\r\nchaud\r\n--a--\r\n"
      "--m\r\nContent-Type: application/pdf\r\nContent-Disposition: attachment; filename=\"../../r.pdf\"\r\n"
      "Content-Transfer-Encoding: base64\r\n\r\nAAECAw==\r\n"
      "--m\r\nContent-Type: message/rfc822\r\n\r\nSubject: Inner\r\n\r\nbody\r\n"
      "--m\r\nContent-Type: image/png\r\nContent-Disposition: attachment\r\n\r\npng\r\n--m--\r\n");
  EXPECT_EQ(message.from(), "André <andre@example.com>");
  EXPECT_EQ(message.subject(), "💼 Estagiário");
  EXPECT_EQ(message.date(), 1167728400);
  // Latin-1 as its charset says, though its bytes would read as UTF-8 too.
  EXPECT_TRUE(message.text() == "CafÃ©\nau lait\nchaud" && !message.textFromHtml()) << message.text();
  ASSERT_EQ(message.attachments().size(), 3u);
  EXPECT_EQ(message.attachments()[0].name + "|" + message.attachments()[0].type, "../../r.pdf|application/pdf");
  EXPECT_EQ(message.attachments()[0].size, 4u);
  EXPECT_EQ(message.attachments()[1].name + "|" + message.attachments()[1].type, "Inner.eml|message/rfc822");
  EXPECT_EQ(message.attachments()[2].name, "part 3 (image/png)");  // named by its place and type
}

TEST(DecodedMessage, WithoutPlainTextTheHtmlIsReadAsTextAndHostileMessagesEndAsFarAsTheyDecode) {
  const DecodedMessage html(
      "Content-Type: text/html\r\n\r\n<html><head><style>p{}</style></head><body><P>Hello&nbsp;&amp; "
      "<b>bye</b></P><script>x()</script>&#233;&#x1F4BC;&bogus;</body></html>");
  EXPECT_TRUE(html.text() == "Hello\u00A0& bye\né💼&bogus;" && html.html().starts_with("<html><head>"));
  EXPECT_EQ(HtmlAsText("a<style>x</style b") + HtmlAsText("c<script>"), "ac");  // a style never closed
  EXPECT_EQ(HtmlAsText("a<div\nclass=x>b</div\n>c"), "a\nb\nc");
  // An entity longer than any there is, and a number that is no character, stay as they are.
  EXPECT_EQ(HtmlAsText("&#0000000065;&#xD800;&#xDFFF;&#x110000;&#0;&#65;&#xE000;&#xD7FF;&#x10FFFF;&#1;"),
            "&#0000000065;&#xD800;&#xDFFF;&#x110000;&#0;A\uE000\uD7FF\U0010FFFF\x01");
  std::string nested;  // parts nested thirty thousand deep: those 64 deep are read, no deeper
  for (int i = 0; i < 30000; ++i) {
    if (i == 64 || i == 65) {
      EXPECT_EQ(DecodedMessage(nested + "\r\nbottom").text(), i == 64 ? "bottom" : "") << i;
    }
    nested += "Content-Type: multipart/mixed; boundary=b" + std::to_string(i) + "\r\n\r\n--b" + std::to_string(i) + "\r\n";
  }
  const std::string hostile[] = {
      "", "no header at all", nested, std::string(1 << 20, 'X') + ": y\r\n\r\nbody",
      "Content-Type: multipart/mixed; boundary=u\r\n\r\n--u\r\nContent-Transfer-Encoding: base64\r\n"
      "Content-Disposition: attachment; filename=\"\x01\"\r\n\r\n!!!not base64",
      "Content-Type: text/plain; charset=x-no-such-charset\r\nContent-Transfer-Encoding: quoted-printable\r\n\r\n=ZZ=\r\n"};
  for (const std::string& source : hostile) {
    const DecodedMessage message(source);
    for (size_t i = 0; i < message.attachments().size(); ++i) EXPECT_FALSE(message.WriteAttachment(i, -1));
  }
  EXPECT_EQ(DecodedMessage(hostile[5]).text(), "=ZZ");  // a charset that is none: the bytes as they are
}

TEST(MessageSearch, EveryCriterionGivenMustHoldAsTypedInAnyLetterCase) {
  const DecodedMessage message(
      "From: =?UTF-8?Q?Ren=C3=A9e?= <renee@example.com>\r\nTo: a@x.org\r\nCc: B <b@y.org>\r\n"
      "Subject: \xC3\x89T\xC3\x89\r\nDate: Tue, 2 Jan 2007 10:00:00 +0000\r\n\r\nLe caf\xC3\xA9 est pr\xC3\xAAt, zut\r\n");
  const std::optional<int64_t> second = ParseDay("2007-01-02"), third = ParseDay("2007-01-03");
  const struct {
    SearchCriteria criteria;
    bool matches;
  } cases[] = {{{.from = "RENÉE"}, true},     {{.subject = "ete"}, false},         {{.to = "b@Y"}, true},
               {{.subject = "été"}, true},    {{.text = "CAFE\u0301"}, true},   {{.text = "cafe"}, false},
               {{.after = second, .before = third}, true}, {{.before = second}, false}, {{.after = third}, false},
               {{.from = "renée", .text = "thé"}, false}, {{.text = "ZUT"}, true},
               {{.text = "\xE9t\xE9"}, false}};  // no UTF-8: looked for byte for byte
  for (size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(Matches(HeadersOf(message), message.text(), cases[i].criteria), cases[i].matches) << i;
  EXPECT_FALSE(Matches({}, "", {.after = second}));  // a message without a date is never within dates
  EXPECT_TRUE(Matches({.subject = "\xC3\x80 bient\xC3\xB4t"}, "", {.subject = "\xC3\xA0 b"}));  // À ends in 0x80
  // A character cut off at the very end of the text is not read past it (up to a page no one may read).
  auto* pages = static_cast<char*>(mmap(nullptr, 8192, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_TRUE(pages != MAP_FAILED && mprotect(pages + 4096, 4096, PROT_NONE) == 0);
  std::memcpy(pages + 4094, "a\xE9", 2);
  EXPECT_FALSE(Matches({}, std::string_view(pages + 4094, 2), {.text = "b"}));
  munmap(pages, 8192);
  EXPECT_FALSE(ParseDay("2007-13-01") || ParseDay("2007-01-02x") || ParseDay("yesterday"));
}

TEST(SafeAttachmentName, ANameIsItsLastPathPartWithoutCharactersAFileSystemRefuses) {
  const std::pair<std::string, std::string> cases[] = {
      {"../../r.pdf", "r.pdf"}, {"C:\\Mail\\a b.doc", "a b.doc"}, {"a\x01?b:c\x7F~", "a__b_c_~"},
      {"..", "attachment"},     {"", "attachment"}};
  for (const auto& [name, safe] : cases) EXPECT_EQ(SafeAttachmentName(name), safe) << name;
  std::string longName(151, 'e');  // cut to 200 bytes at most, between characters
  for (int i = 0; i < 30; ++i) longName += "\u00E9";
  EXPECT_EQ(SafeAttachmentName(longName).size(), 199u);
  EXPECT_EQ(SafeAttachmentName(std::string(300, 'e')).size(), 200u);
}

}  // namespace
}  // namespace vendrel::mail
