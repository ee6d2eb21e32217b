// The check and the scan for self-addressed structures on a database of over 500 MB in the page cache
// (/dev/shm when there is one): bytes a second of the file.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "dbx/database_check.h"
#include "dbx/structure_scan.h"
#include "large_databases.h"
#include "platform/format.h"

namespace {

using namespace vendrel;
namespace fs = std::filesystem;

struct LargeFile {
  fs::path path;
  LargeFile() {
    const fs::path base = fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    path = base / Format("vendrel-salvage-bench-%d.dbx", static_cast<int>(getpid()));
    tools::LargeMessageDatabase(100000, 5000).WriteTo(path);
  }
  ~LargeFile() { fs::remove(path); }
};

const std::string& Large() {
  static const LargeFile file;
  return file.path.native();
}

template <class Work>
void OverTheFile(benchmark::State& state, Work&& work) {
  DbStore store;
  if (!store.OpenAsFound(Large())) state.SkipWithError("cannot open");
  for (auto _ : state) benchmark::DoNotOptimize(work(store));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * store.viewLength()));
}

void ScanStructures(benchmark::State& state) {
  OverTheFile(state, [](const DbStore& store) { return dbx::ScanStructures(store).blocks.size(); });
}
BENCHMARK(ScanStructures)->Unit(benchmark::kMillisecond)->UseRealTime();

void CheckDatabase(benchmark::State& state) {
  OverTheFile(state, [](const DbStore& store) { return dbx::CheckDatabase(store).problems.size(); });
}
BENCHMARK(CheckDatabase)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
