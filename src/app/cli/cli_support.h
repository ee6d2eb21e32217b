#pragma once

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

}  // namespace vendrel::cli
