// Walking index trees: the tree-order walk of a large message database, and the explorer's cursor, which
// walks again from the root at every Next.
#include <benchmark/benchmark.h>

#include "dbx/header.h"
#include "dbx/index_cursor.h"
#include "dbx/index_walk.h"
#include "dbx/record.h"
#include "platform/format.h"
#include "support/dbx_builder.h"

namespace {

using namespace vendrel;
using testsupport::DbKind;
using testsupport::DbxBuilder;

// Tree 0 of a message database of n records; every record's ID is read.
void WalkTree0ReadingIds(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> records;
  for (int i = 0; i < count; ++i) {
    testsupport::MessageFields message;
    message.id = static_cast<uint32_t>(i + 2);
    message.subject = "Subject";
    records.push_back(builder.AddMessage(message));
  }
  builder.SetIndex(0, records);
  testsupport::TempDir dir;
  builder.WriteTo(dir / "Inbox.dbx");

  DbStore store;
  store.Open((dir / "Inbox.dbx").string());
  const uint32_t root = *store.ReadU32(dbx::RootSlot(0));
  for (auto _ : state) {
    uint64_t sum = 0, seen = 0;
    dbx::WalkIndexTree(store, root, [&](const dbx::IndexNode&, unsigned, uint32_t ra) {
      sum += dbx::GetId(store, ra);
      ++seen;
      return false;
    });
    if (seen != records.size()) state.SkipWithError("the walk missed records");
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(WalkTree0ReadingIds)->Arg(1000)->Arg(100000)->Unit(benchmark::kMillisecond);

// The root item's query: every folder of slot 2 without a parent, one Next at a time.
// Folders.dbx with 5,000 folders, topLevel of them without a parent, the rest spread below those.
std::string WriteFolderDatabase(const testsupport::TempDir& dir, int topLevel) {
  std::vector<testsupport::FolderFields> folders;
  for (int i = 0; i < 5000; ++i) {
    const uint32_t parent = i < topLevel ? 0 : static_cast<uint32_t>(1 + i % topLevel);
    folders.push_back({static_cast<uint32_t>(i + 1), parent, Format("Folder %05d", i), Format("f%d.dbx", i)});
  }
  DbxBuilder builder(DbKind::Folder);
  builder.AddFolders(folders);
  builder.WriteTo(dir / "Folders.dbx");
  return (dir / "Folders.dbx").string();
}

void CursorListsTopLevelFolders(benchmark::State& state) {
  const int topLevel = static_cast<int>(state.range(0));
  testsupport::TempDir dir;
  DbStore store;
  store.Open(WriteFolderDatabase(dir, topLevel));
  const uint32_t root = *store.ReadU32(dbx::RootSlot(2));
  for (auto _ : state) {
    dbx::IndexCursor cursor(root, dbx::IndexCursor::MatchParentId, 0xFFFFFFFF);
    int found = 0;
    while (cursor.Next(store) != 0) ++found;
    if (found != topLevel) state.SkipWithError("the cursor missed folders");
  }
}
BENCHMARK(CursorListsTopLevelFolders)->Arg(20)->Arg(5000)->Unit(benchmark::kMillisecond);

// The same folders in one walk, as the explorer now lists them.
void CursorRestListsTopLevelFolders(benchmark::State& state) {
  const int topLevel = static_cast<int>(state.range(0));
  testsupport::TempDir dir;
  DbStore store;
  store.Open(WriteFolderDatabase(dir, topLevel));
  const uint32_t root = *store.ReadU32(dbx::RootSlot(2));
  for (auto _ : state) {
    dbx::IndexCursor cursor(root, dbx::IndexCursor::MatchParentId, 0xFFFFFFFF);
    if (static_cast<int>(cursor.Rest(store).size()) != topLevel)
      state.SkipWithError("the cursor missed folders");
  }
}
BENCHMARK(CursorRestListsTopLevelFolders)->Arg(20)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace
