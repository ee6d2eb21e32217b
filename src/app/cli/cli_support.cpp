#include "app/cli/cli_support.h"

#include <charconv>
#include <cstdio>
#include <ctime>
#include <string_view>

#include "app/cli/cli_command.h"
#include "dbx/header.h"
#include "platform/format.h"

namespace vendrel::cli {

int OpenDatabase(DbStore& store, const std::string& path) {
  if (!store.Open(path)) {
    PrintError("cannot open " + path + ": " + store.DescribeFailure());
    const OpenFailure failure = store.lastFailure();
    return failure == OpenFailure::Locked || failure == OpenFailure::UnfinishedChange ? kExitFailed
                                                                                      : kExitNotDatabase;
  }
  if (dbx::IsFolderDatabase(&store) || dbx::IsMessageDatabase(&store)) return kExitOk;
  if (store.viewLength() < dbx::kMessageHeaderEnd) {
    PrintError(Format("%s is too short for a DBX file (%llu bytes)", path.c_str(),
                      static_cast<unsigned long long>(store.viewLength())));
  } else if (!dbx::IsDbxFile(&store)) {
    PrintError(path + " is not a DBX file (it does not start with CF AD 12 FE)");
  } else {
    PrintError(path + " is a DBX file but neither a folder database nor a message database");
  }
  store.Close();
  return kExitNotDatabase;
}

void CliDesktop::Diagnostic(std::string_view text) {
  std::fprintf(stderr, "%.*s", static_cast<int>(text.size()), text.data());
}

void PrintRow(const dbx::FieldRow& row) {
  std::printf("%s\t%s\t%s\t%s\n", row.name.c_str(), row.ra.c_str(), row.value.c_str(),
              row.description.c_str());
}

std::optional<uint32_t> ParseHex(const std::string& text) {
  std::string_view digits = text;
  if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
  uint32_t value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
  return value;
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "vendrel-cli: %s\n", message.c_str());
}

std::string LocalTime(std::optional<int64_t> seconds, const char* format) {
  if (!seconds) return {};
  const time_t time = static_cast<time_t>(*seconds);
  tm parts{};
  char text[64] = {};
  if (localtime_r(&time, &parts) != nullptr) std::strftime(text, sizeof text, format, &parts);
  return text;
}

}  // namespace vendrel::cli
