// Reading and finding messages in a 10,000-message database: the catalog a message list shows (made
// once per session), a search of its headers, a search of the decoded text of every message (rate in
// bytes of stored text), and the decoded view of one message of 10 MB.
#include <benchmark/benchmark.h>

#include <string>

#include "dbx/header.h"
#include "dbx/message_text.h"
#include "large_databases.h"
#include "mail/message_finder.h"

namespace {

using namespace vendrel;

constexpr int kMessages = 10000;

const std::string& Database() {
  static testsupport::TempDir dir;
  static const std::string path = [] {
    const std::string written = (dir / "Large.dbx").string();
    tools::LargeMessageDatabase(kMessages, 4096).WriteTo(written);
    return written;
  }();
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
void Search(benchmark::State& state, mail::SearchCriteria criteria, bool cold) {
  QuietWatcher watcher;
  mail::CatalogCache cache;
  std::string failure;
  const std::vector<mail::SearchTarget> targets = mail::SearchTargetsOf(Database(), failure);
  uint64_t bytes = 0;
  for (auto _ : state) {
    if (cold) cache.Forget(Database());
    const mail::SearchOutcome outcome = mail::FindMessages(targets, criteria, cache, watcher);
    if (!outcome.found.empty() || !outcome.problems.empty()) state.SkipWithError("something was found");
    for (const mail::CatalogEntry& entry : cache.Get(Database(), watcher, failure)->entries) bytes += entry.size;
  }
  if (!criteria.text.empty()) state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
BENCHMARK_CAPTURE(Search, HeadersKept, mail::SearchCriteria{.from = "nobody", .subject = "message"}, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, HeadersFirstTime, mail::SearchCriteria{.from = "nobody", .subject = "message"}, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Search, Text, mail::SearchCriteria{.text = "not in any message"}, false)
    ->Unit(benchmark::kMillisecond);

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
