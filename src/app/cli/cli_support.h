#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "dbx/field_row.h"
#include "store/db_store.h"

namespace vendrel::cli {

// Opens a session on path and checks that the file is a folder or message database; otherwise prints
// one line naming the problem to stderr and returns false.
bool OpenDatabase(DbStore& store, const std::string& path);

// One list row: the four columns separated by TAB.
void PrintRow(const dbx::FieldRow& row);

void PrintError(const std::string& message);

// A 32-bit number written in hexadecimal (an RA or an ID), with or without 0x; none for anything else.
std::optional<uint32_t> ParseHex(const std::string& text);

}  // namespace vendrel::cli
