#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dbx/field_row.h"
#include "platform/desktop.h"
#include "store/db_store.h"

namespace vendrel::cli {

// Opens a session on path and checks that the file is a folder or message database: kExitOk, or the exit
// code of why not after a line on stderr that names it (kExitFailed for a file that is locked or holds a
// change that cannot be undone, kExitNotDatabase for one that cannot be read as a database).
int OpenDatabase(DbStore& store, const std::string& path);

// What vendrel-cli shows of the desktop: the diagnostic log on stderr, nothing else. Message boxes are
// the window's way to tell the user; every command here reports what its calls return instead.
class CliDesktop : public HeadlessDesktop {
 public:
  CliDesktop() { SetEcho(false); }
  void Diagnostic(std::string_view text) override;
};

// One list row: the four columns separated by TAB.
void PrintRow(const dbx::FieldRow& row);

void PrintError(const std::string& message);

// A 32-bit number written in hexadecimal (an RA or an ID), with or without 0x; none for anything else.
std::optional<uint32_t> ParseHex(const std::string& text);

// Seconds since 1970 as local time in an strftime format; empty for none.
std::string LocalTime(std::optional<int64_t> seconds, const char* format);

}  // namespace vendrel::cli
