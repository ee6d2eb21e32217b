#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "export/output_directory.h"
#include "mail/decoded_message.h"
#include "platform/format.h"

namespace vendrel::cli {

namespace {

// name, or "stem (2).ext", "stem (3).ext"...: the first that is free in directory, made there. Its
// descriptor, or -1.
int CreateFree(const OutputDirectory& directory, const std::string& name, std::string& made) {
  const size_t dot = name.rfind('.');
  const bool hasExtension = dot != std::string::npos && dot > 0;
  for (int n = 1; n <= 1000; ++n) {
    made = n == 1 ? name
                  : (hasExtension ? name.substr(0, dot) : name) + Format(" (%d)", n) +
                        (hasExtension ? name.substr(dot) : "");
    const int fd = directory.CreateNew(made);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

// Each attachment into directory; false when one could not be saved whole (said on stderr, nothing of
// it left).
bool SaveAttachments(const mail::DecodedMessage& message, const std::string& path) {
  const std::optional<OutputDirectory> directory = OutputDirectory::Open(path);
  if (!directory) {
    PrintError("cannot make or open the directory " + path + ": " + std::strerror(errno));
    return false;
  }
  bool whole = true;
  for (size_t i = 0; i < message.attachments().size(); ++i) {
    std::string made;
    const int fd = CreateFree(*directory, mail::SafeAttachmentName(message.attachments()[i].name), made);
    const bool written = fd >= 0 && message.WriteAttachment(i, fd) && fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) close(fd);
    if (written) continue;
    if (fd >= 0) directory->Remove(made);
    PrintError("cannot save " + message.attachments()[i].name + " into " + path + ": " + std::strerror(error));
    whole = false;
  }
  return whole;
}

}  // namespace

int RunShow(const Arguments& arguments) {
  const bool toDirectory = arguments.size() == 4 && arguments[2] == "--attachments";
  const std::optional<uint32_t> ra =
      arguments.size() == 2 || toDirectory ? ParseHex(arguments[1]) : std::nullopt;
  if (!ra) {
    PrintError("usage: vendrel-cli show FILE RA [--attachments DIR] (RA in hexadecimal)");
    return kExitUsage;
  }
  DbStore store;
  if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  const uint32_t first = dbx::IsMessageDatabase(&store) && dbx::RecordAt(store, *ra) != nullptr
                             ? dbx::GetTextOffset(store, *ra)
                             : 0;
  if (first == 0) {
    PrintError(Format("there is no message with text in the file at %08X of %s", *ra, arguments[0].c_str()));
    return kExitFailed;
  }
  const std::string source = dbx::ReadMessageSource(store, first);
  store.Close();
  const mail::DecodedMessage message(source);
  std::string shown;
  for (const auto& [name, value] : {std::pair{"From", message.from()}, {"To", message.to()}, {"Cc", message.cc()},
                                    {"Date", LocalTime(message.date(), "%Y-%m-%d %H:%M:%S")},
                                    {"Subject", message.subject()}})
    if (!value.empty()) shown += std::string(name) + ": " + value + "\n";
  shown += "\n" + message.text();
  if (!shown.ends_with('\n')) shown += '\n';
  for (const mail::Attachment& attachment : message.attachments())
    shown += Format("\t%s\t%s\t%llu\n", attachment.name.c_str(), attachment.type.c_str(),
                    static_cast<unsigned long long>(attachment.size));
  std::fwrite(shown.data(), 1, shown.size(), stdout);
  if (std::fflush(stdout) != 0) return kExitFailed;
  return !toDirectory || SaveAttachments(message, arguments[3]) ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
