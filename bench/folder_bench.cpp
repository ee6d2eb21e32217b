// Creating a folder in a Folders.dbx of 5,000 folders, on the disk (where making the change durable costs
// most) and in memory (/dev/shm).
#include <benchmark/benchmark.h>

#include <filesystem>

#include "dbx/folder_insertion.h"
#include "large_databases.h"
#include "platform/format.h"

namespace {

using namespace vendrel;
namespace fs = std::filesystem;

void CreateFolderIn5000(benchmark::State& state) {
  const fs::path base =
      state.range(0) == 1 && fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
  const fs::path dir = base / Format("vendrel-folder-bench-%d", static_cast<int>(getpid()));
  fs::create_directories(dir);
  const std::string path = tools::LargeFolderDatabase(5000).WriteTo(dir / "Folders.dbx");
  int n = 0;
  for (auto _ : state) {
    // A session of its own for each, as the window and vendrel-cli open one.
    DbStore store;
    if (!store.Open(path) || !dbx::InsertFolder(store, 1, Format("New %d", n++)).inserted())
      state.SkipWithError("not created");
  }
  fs::remove_all(dir);
}
BENCHMARK(CreateFolderIn5000)
    ->ArgName("memory")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
