#pragma once

#include <filesystem>

#include "store/db_store.h"
#include "support/dbx_builder.h"

namespace vendrel::testsupport {

// A builder-made database written to a temporary file, with a session open on it.
class DbFile {
 public:
  explicit DbFile(const DbxBuilder& builder) : path_(dir_ / "db.dbx") {
    builder.WriteTo(path_);
    store.Open(path_.string());
  }

  const std::filesystem::path& path() const { return path_; }
  // Closes the session and opens a fresh one, as the next operation of the explorer would.
  DbStore& Reopen() {
    store.Open(path_.string());
    return store;
  }

  DbStore store;

 private:
  TempDir dir_;
  std::filesystem::path path_;
};

}  // namespace vendrel::testsupport
