#include "export/maildir.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "dbx/record.h"
#include "export/byte_sink.h"
#include "export/lf_body.h"
#include "export/mail_headers.h"
#include "platform/code_page.h"
#include "platform/file_io.h"
#include "platform/format.h"

namespace vendrel {

namespace {

// The host part of a Maildir file name, with the characters that name reserves escaped.
std::string MaildirHost() {
  char host[256] = {};
  if (gethostname(host, sizeof host - 1) != 0 || host[0] == '\0') return "localhost";
  std::string escaped;
  for (const char* c = host; *c != '\0'; ++c) {
    escaped += *c == '/' ? "\\057" : *c == ':' ? "\\072" : std::string(1, *c);
  }
  return escaped;
}

}  // namespace

std::string MaildirNamePart(const std::string& name, MaildirNames names) {
  std::string escaped;
  for (const char c : name) {
    if (c == '.' || c == '%' || c == '/') {
      escaped += Format("%%%02X", static_cast<unsigned char>(c));
    } else {
      escaped += c;
    }
  }
  if (names == MaildirNames::Utf8) return escaped;
  static const CodePage modifiedUtf7("UTF-7-IMAP");
  // Every character has a form in it; text that is no UTF-8 (it never is: names are decoded) stays.
  return modifiedUtf7.FromUtf8(escaped).value_or(escaped);
}

bool MakeMaildir(const OutputDirectory& directory) {
  return directory.Subdirectory("cur") && directory.Subdirectory("new") && directory.Subdirectory("tmp");
}

std::optional<MaildirDelivery> MaildirDelivery::Into(const OutputDirectory& maildir, std::string& problem) {
  std::optional<OutputDirectory> tmp = maildir.Subdirectory("tmp");
  std::optional<OutputDirectory> cur = tmp ? maildir.Subdirectory("cur") : std::nullopt;
  if (!tmp || !cur) {
    problem = "cannot open " + maildir.path() + "/" + (tmp ? "cur" : "tmp") + ": " + std::strerror(errno);
    return std::nullopt;
  }
  return MaildirDelivery(std::move(*tmp), std::move(*cur));
}

void MaildirText(const MessageText& text, BufferSink& message) {
  LfBody body(LfBody::Kind::Plain);
  for (const std::span<const uint8_t> piece : text.pieces) body.Feed(piece, message);
  body.Finish(message);
}

bool MaildirDelivery::Deliver(const DbStore& store, uint32_t recordRa, uint32_t firstBlock,
                              std::string_view message, std::string& problem) {
  static const std::string host = MaildirHost();
  static const int pid = static_cast<int>(getpid());  // a system call each time it is asked
  static std::atomic<int> delivered = 0;
  LazyHeader header(store, firstBlock);
  const int64_t received = ReceivedTime(store, recordRa, header);
  const std::string base =
      Format("%lld.P%dQ%d.%s", static_cast<long long>(received), pid, ++delivered, host.c_str());
  const int fd = tmp_.CreateNew(base);
  if (fd < 0) {
    problem = "cannot make " + tmp_.path() + "/" + base + ": " + std::strerror(errno);
    return false;
  }
  const bool flushed = WriteAll(fd, {reinterpret_cast<const uint8_t*>(message.data()), message.size()});
  const int error = flushed ? 0 : errno;
  // Servers give the file's time as the day the message arrived. A file system that keeps no such time
  // loses only that: the message is whole.
  if (flushed && received > 0) {
    const timespec times[2] = {{static_cast<time_t>(received), 0}, {static_cast<time_t>(received), 0}};
    futimens(fd, times);
  }
  const bool closed = close(fd) == 0;
  const std::string flags = (dbx::GetParentOrFlags(store, recordRa) & dbx::kMessageRead) != 0 ? "S" : "";
  if (flushed && closed && tmp_.MoveTo(base, cur_, base + ":2," + flags)) return true;
  tmp_.Remove(base);
  problem = "cannot write " + tmp_.path() + "/" + base + ": " + std::strerror(error != 0 ? error : errno) +
            "; the partial file was removed";
  return false;
}

}  // namespace vendrel
