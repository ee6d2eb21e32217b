#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "dbx/message_text.h"
#include "dbx/record.h"
#include "platform/format.h"

namespace vendrel::cli {

int RunText(const Arguments& arguments) {
  const std::optional<uint32_t> ra = arguments.size() == 2 ? ParseHex(arguments[1]) : std::nullopt;
  if (!ra) {
    PrintError("usage: vendrel-cli text FILE RA (RA in hexadecimal)");
    return kExitUsage;
  }
  DbStore store;
  if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  if (!dbx::IsMessageDatabase(&store)) {
    PrintError(arguments[0] + " is not a message database");
    return kExitFailed;
  }
  if (dbx::RecordAt(store, *ra) == nullptr) {
    PrintError(Format("there is no valid record at %08X", *ra));
    return kExitFailed;
  }
  const uint32_t first = dbx::GetTextOffset(store, *ra);
  if (first == 0) {
    PrintError(Format("the message at %08X has no text in the file", *ra));
    return kExitFailed;
  }
  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  dbx::ReadMessageText(
      store, first, [](std::span<const uint8_t> text) { std::fwrite(text.data(), 1, text.size(), stdout); });
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return kExitOk;
  PrintError(std::string("the text could not be written whole: ") + std::strerror(errno));
  return kExitFailed;
}

}  // namespace vendrel::cli
