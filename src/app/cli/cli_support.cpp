#include "app/cli/cli_support.h"

#include <charconv>
#include <cstdio>
#include <string_view>

#include "dbx/header.h"

namespace vendrel::cli {

bool OpenDatabase(DbStore& store, const std::string& path) {
  if (!store.Open(path)) {
    PrintError("cannot open " + path + " (missing, empty, unreadable or locked)");
    return false;
  }
  if (!dbx::IsFolderDatabase(&store) && !dbx::IsMessageDatabase(&store)) {
    PrintError(path + " is not a folder database or a message database");
    store.Close();
    return false;
  }
  return true;
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

}  // namespace vendrel::cli
