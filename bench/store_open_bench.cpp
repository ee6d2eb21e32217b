// What every explorer operation pays before it reads anything: Open + IsMessageDatabase + Close of one
// session on a large message database. Nothing in Open may grow with the file size.
#include <benchmark/benchmark.h>

#include "dbx/header.h"
#include "platform/mapping_cache.h"
#include "support/dbx_builder.h"

namespace {

using vendrel::testsupport::DbKind;
using vendrel::testsupport::DbxBuilder;

// Arguments: the file size in MiB, and whether the file is mapped afresh (and unmapped again) each
// round instead of using the mapping kept from the session before.
void OpenCheckClose(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  const bool unmapped = state.range(1) != 0;
  vendrel::testsupport::TempDir dir;
  const std::string path = (dir / "Big.dbx").string();
  DbxBuilder(DbKind::Message).PadTo(size).WriteTo(path);
  for (auto _ : state) {
    vendrel::DbStore store;
    const bool ok = store.Open(path) && vendrel::dbx::IsMessageDatabase(&store);
    store.Close();
    if (unmapped) vendrel::ForgetMappings();
    if (!ok) state.SkipWithError("the session could not be opened");
  }
}

BENCHMARK(OpenCheckClose)
    ->ArgNames({"MiB", "unmapped"})
    ->Args({1, 0})
    ->Args({256, 0})
    ->Args({1, 1})
    ->Args({256, 1})
    ->Unit(benchmark::kMicrosecond);

}  // namespace
