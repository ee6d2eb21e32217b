#include "mail/message_finder.h"

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "export/store_folders.h"
#include "platform/code_page.h"

namespace vendrel::mail {

namespace {

// Whether the decoded text of each message of candidates meets criteria; those that do go to outcome.
// Decoding is the work: every core takes a share, the caller's thread the one that tells the watcher.
void SearchTexts(const SearchTarget& target, size_t index, const std::vector<const CatalogEntry*>& candidates,
                 const SearchCriteria& criteria, ExportWatcher& watcher, SearchOutcome& outcome) {
  DbStore store;
  std::string failure;
  if (!OpenMessageDatabase(store, target.database, failure)) {
    outcome.problems.push_back(failure);
    return;
  }
  constexpr size_t kShare = 16;
  std::vector<char> matched(candidates.size(), 0);
  std::atomic<size_t> next{0}, done{0};
  std::atomic<bool> stopped{false};
  const auto search = [&](bool watched) {
    while (!stopped) {
      const size_t first = next.fetch_add(kShare);
      if (first >= candidates.size()) return;
      const size_t last = std::min(first + kShare, candidates.size());
      for (size_t i = first; i < last; ++i) {
        const CatalogEntry& entry = *candidates[i];
        const DecodedMessage message(dbx::ReadMessageSource(store, entry.firstBlock), DecodedMessage::Reading::TextOnly);
        matched[i] = Matches(entry.headers, message.text(), criteria);
      }
      done += last - first;
      if (watched && !watcher.Step(done, candidates.size())) stopped = true;
    }
  };
  std::vector<std::thread> helpers;
  for (unsigned i = 1; i < std::max(1u, std::thread::hardware_concurrency()); ++i) helpers.emplace_back(search, false);
  search(true);
  for (std::thread& helper : helpers) helper.join();
  outcome.stopped = stopped;
  for (size_t i = 0; i < candidates.size(); ++i) {
    if (matched[i]) outcome.found.push_back({index, *candidates[i]});
  }
}

}  // namespace

std::vector<SearchTarget> SearchTargetsOf(const std::string& path, std::string& failure) {
  StoreFolders folders;
  {
    DbStore store;
    if (!store.Open(path)) {
      failure = path + ": " + store.DescribeFailure();
      return {};
    }
    if (dbx::IsFolderDatabase(&store)) {
      folders = ReadStoreFolders(store, path);
    } else if (dbx::IsMessageDatabase(&store)) {
      folders = SingleFolder(store, path);
    } else {
      failure = path + ": neither a Folders nor a Messages database";
      return {};
    }
  }
  std::vector<SearchTarget> targets;
  std::set<std::string> listed;  // a database two folders name is searched once
  for (const StoreFolder& folder : folders.folders) {
    if (folder.database && listed.insert(*folder.database).second)
      targets.push_back({LegacyCodePage().ToUtf8(folder.name), *folder.database});
  }
  return targets;
}

SearchOutcome FindMessages(const std::vector<SearchTarget>& targets, const SearchCriteria& criteria,
                           CatalogCache& catalogs, ExportWatcher& watcher) {
  SearchOutcome outcome;
  SearchCriteria headerCriteria = criteria;
  headerCriteria.text.clear();
  for (size_t index = 0; index < targets.size() && !outcome.stopped; ++index) {
    std::string failure;
    const std::shared_ptr<const MessageCatalog> catalog = catalogs.Get(targets[index].database, watcher, failure);
    if (catalog == nullptr) {
      outcome.problems.push_back(failure);
      continue;
    }
    outcome.problems.insert(outcome.problems.end(), catalog->problems.begin(), catalog->problems.end());
    outcome.stopped = catalog->stopped;
    std::vector<const CatalogEntry*> candidates;
    for (const CatalogEntry& entry : catalog->entries) {
      if (!Matches(entry.headers, {}, headerCriteria)) continue;
      if (!criteria.NeedsBody()) {
        outcome.found.push_back({index, entry});
      } else if (entry.firstBlock != 0) {
        candidates.push_back(&entry);
      }
    }
    if (!candidates.empty() && !outcome.stopped) SearchTexts(targets[index], index, candidates, criteria, watcher, outcome);
  }
  return outcome;
}

}  // namespace vendrel::mail
