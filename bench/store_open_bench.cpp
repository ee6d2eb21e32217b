// What every explorer operation pays before it reads anything: Open + IsMessageDatabase + Close of one
// session on a large message database. Nothing in Open may grow with the file size.
#include <benchmark/benchmark.h>

#include "dbx/header.h"
#include "platform/mapping_cache.h"
#include "support/dbx_builder.h"

namespace {

using vendrel::testsupport::DbKind;
using vendrel::testsupport::DbxBuilder;

void OpenCheckClose(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  vendrel::testsupport::TempDir dir;
  const std::string path = (dir / "Big.dbx").string();
  DbxBuilder(DbKind::Message).PadTo(size).WriteTo(path);
  for (auto _ : state) {
    vendrel::DbStore store;
    const bool ok = store.Open(path) && vendrel::dbx::IsMessageDatabase(&store);
    store.Close();
    if (!ok) state.SkipWithError("the session could not be opened");
    benchmark::DoNotOptimize(ok);
  }
}

BENCHMARK(OpenCheckClose)->Arg(1)->Arg(256)->Unit(benchmark::kMicrosecond);

// The same when the file is not mapped yet: each round maps it afresh and unmaps it again.
void OpenCheckCloseUnmapped(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0)) << 20;
  vendrel::testsupport::TempDir dir;
  const std::string path = (dir / "Big.dbx").string();
  DbxBuilder(DbKind::Message).PadTo(size).WriteTo(path);
  for (auto _ : state) {
    vendrel::DbStore store;
    const bool ok = store.Open(path) && vendrel::dbx::IsMessageDatabase(&store);
    store.Close();
    vendrel::ForgetMappings();
    if (!ok) state.SkipWithError("the session could not be opened");
  }
}
BENCHMARK(OpenCheckCloseUnmapped)->Arg(1)->Arg(256)->Unit(benchmark::kMicrosecond);

}  // namespace
