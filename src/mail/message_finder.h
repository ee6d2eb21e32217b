// A search through databases for the messages that meet criteria: the headers from the session's
// catalogs, the text decoded only of the messages whose headers meet the rest.
#pragma once

#include <string>
#include <vector>

#include "export/export_watcher.h"
#include "mail/message_catalog.h"

namespace vendrel::mail {

struct SearchTarget {
  std::string folder;    // as the store names it (UTF-8)
  std::string database;  // its file
};

// The databases a search of path goes through: with a Folders.dbx every folder's (each file once), else
// path itself; empty, with why in failure, when path does not open as either.
std::vector<SearchTarget> SearchTargetsOf(const std::string& path, std::string& failure);

struct FoundMessage {
  size_t target;  // index into the targets searched
  CatalogEntry entry;
};

struct SearchOutcome {
  std::vector<FoundMessage> found;    // by target, each in the order of its tree
  std::vector<std::string> problems;  // what could not be searched, a line each
  bool stopped = false;
};

SearchOutcome FindMessages(const std::vector<SearchTarget>& targets, const SearchCriteria& criteria,
                           CatalogCache& catalogs, ExportWatcher& watcher);

}  // namespace vendrel::mail
