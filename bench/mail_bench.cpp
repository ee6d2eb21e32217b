// Reading and finding messages in a 10,000-message database: the catalog a message list shows (made
// once per session), a search of its headers, a search of the decoded text of every message (rate in
// bytes of stored text, by the clock: the search runs on every core), and the decoded view of one
// message of 10 MB.
#include <benchmark/benchmark.h>

#include <map>
#include <string>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "large_databases.h"
#include "mail/message_finder.h"

namespace {

using namespace vendrel;

constexpr int kMessages = 10000;

// 10,000 messages of 4 KiB (the benchmarks' usual database), or of 16 KiB (nearer the average of a real
// store's messages, 1 to 49 KiB).
const std::string& Database(size_t textBytes = 4096) {
  static testsupport::TempDir dir;
  static std::map<size_t, std::string> paths;
  std::string& path = paths[textBytes];
  if (path.empty()) {
    path = (dir / ("Large" + std::to_string(textBytes) + ".dbx")).string();
    tools::LargeMessageDatabase(kMessages, textBytes).WriteTo(path);
  }
  return path;
}

void Catalog(benchmark::State& state) {
  QuietWatcher watcher;
  for (auto _ : state) {
    mail::CatalogCache cache;
    std::string failure;
    benchmark::DoNotOptimize(cache.Get(Database(), watcher, failure));
  }
}
BENCHMARK(Catalog)->Unit(benchmark::kMillisecond);

// Every message is searched: none has the sender asked for.
void Search(benchmark::State& state, mail::SearchCriteria criteria, bool cold, size_t textBytes) {
  QuietWatcher watcher;
  mail::CatalogCache cache;
  std::string failure;
  const std::string& path = Database(textBytes);
  const std::vector<mail::SearchTarget> targets = mail::SearchTargetsOf(path, failure);
  uint64_t bytes = 0;
  for (auto _ : state) {
    if (cold) cache.Forget(path);
    const mail::SearchOutcome outcome = mail::FindMessages(targets, criteria, cache, watcher);
    if (!outcome.found.empty() || !outcome.problems.empty()) state.SkipWithError("something was found");
    for (const mail::CatalogEntry& entry : cache.Get(path, watcher, failure)->entries) bytes += entry.size;
  }
  if (!criteria.text.empty()) state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK_CAPTURE(Search, HeadersKept, mail::SearchCriteria{.from = "nobody", .subject = "message"}, false, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, HeadersFirstTime, mail::SearchCriteria{.from = "nobody", .subject = "message"}, true, 4096)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, Text4KiB, mail::SearchCriteria{.text = "not in any message"}, false, 4096)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(Search, Text16KiB, mail::SearchCriteria{.text = "not in any message"}, false, 16384)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void ViewLargeMessage(benchmark::State& state) {
  static testsupport::TempDir dir;
  const std::string path = (dir / "Big.dbx").string();
  tools::LargeMessageDatabase(1, size_t{10} << 20).WriteTo(path);
  DbStore store;
  if (!store.Open(path)) return state.SkipWithError("cannot open");
  QuietWatcher watcher;
  const mail::MessageCatalog catalog = mail::CatalogOf(store, path, watcher);
  for (auto _ : state) {
    const mail::DecodedMessage message(dbx::ReadMessageSource(store, catalog.entries.at(0).firstBlock));
    benchmark::DoNotOptimize(message.text().size());
  }
}
BENCHMARK(ViewLargeMessage)->Unit(benchmark::kMillisecond);

}  // namespace
