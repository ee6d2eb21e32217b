// The consistency check of one database, in the spirit of an SQL engine's integrity check: it reads
// every structure the header and the trees reach and says, structure by structure, what is wrong. It
// never writes. What no structure uses is summed up, not counted as a problem: the mail client leaves
// room behind as a matter of course.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "store/db_store.h"

namespace vendrel::dbx {

struct CheckProblem {
  uint32_t ra;            // where it is
  std::string structure;  // what is there: "header", "index node", "record", "text block", ...
  std::string what;       // what is wrong, in words
};

struct DatabaseCheck {
  bool readable = false;  // a folder or message database at all
  std::vector<CheckProblem> problems;
  uint64_t fileBytes = 0;
  uint64_t unusedBytes = 0;  // of the allocated part, in no structure
  uint32_t trees = 0, nodes = 0, records = 0, textBlocks = 0;
};

DatabaseCheck CheckDatabase(const DbStore& store);

struct FileCheck {
  std::string path;
  DatabaseCheck check;
};

// The whole store of the Folders.dbx that folders has open (at foldersPath): the folder database, then
// every message database its folders name, each once, found beside it. A database that is not there, does
// not open, or whose header names another folder than the record that names it, is a problem of the
// folder record.
std::vector<FileCheck> CheckStore(const DbStore& folders, const std::string& foldersPath);

}  // namespace vendrel::dbx
