// Exporting a whole message database against a baseline that writes the same bytes into the same number
// of files with one write each: what the export adds to the file system's own cost.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include "export/store_export.h"
#include "items/db_root_item.h"
#include "items/in_memory_controls.h"
#include "platform/format.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"

namespace {

using namespace vendrel;
namespace fs = std::filesystem;

constexpr int kMessages = 20000;
constexpr size_t kMessageSize = 10 * 1024;  // 20,000 x 10 KiB = 200 MiB of text

// One realistic message source of about kMessageSize bytes with CR LF line ends.
std::string MessageText(int n) {
  std::string text =
      Format("From: <ann@example.com>\r\nTo: <bob@example.com>\r\nSubject: Message %d\r\n\r\n", n);
  while (text.size() < kMessageSize) text += Format("Line of message %d with some words in it.\r\n", n);
  text.resize(kMessageSize - 2);
  return text + "\r\n";
}

struct Corpus {
  testsupport::TempDir dir;
  std::string path;
  uint64_t bytes = 0;

  Corpus() {
    testsupport::DbxBuilder builder(testsupport::DbKind::Message);
    std::vector<uint32_t> records;
    for (int i = 0; i < kMessages; ++i) {
      testsupport::MessageFields message;
      message.id = static_cast<uint32_t>(i + 2);
      message.subject = Format("Message %d", i);
      message.text = MessageText(i);
      bytes += message.text.size();
      records.push_back(builder.AddMessage(message));
    }
    builder.SetIndex(0, records);
    path = (dir / "Inbox.dbx").string();
    builder.WriteTo(path);
  }
};

Corpus& TheCorpus() {
  static Corpus corpus;
  return corpus;
}

// Both write into memory (/dev/shm) when it is there: a disk file system's inode allocation, which
// depends on what earlier runs deleted, would otherwise swamp the difference being measured.
fs::path OutputRoot() {
  std::error_code error;
  return fs::is_directory("/dev/shm", error) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

// A fresh directory for each run, removed afterwards.
struct OutputDirectory {
  fs::path path = OutputRoot() / Format("vendrel-bench-%d", static_cast<int>(getpid()));
  OutputDirectory() { fs::create_directories(path); }
  ~OutputDirectory() { fs::remove_all(path); }
};

void ExportWholeDatabase(benchmark::State& state) {
  Corpus& corpus = TheCorpus();
  testsupport::ScopedDesktop desktop;
  SetStatusLineRegistered(false);  // the status lines themselves are not what is measured
  OutputDirectory out;
  InMemoryTreeView tree;
  InMemoryListView list;
  auto* root = new DbRootItem(nullptr, 0);
  root->AttachDatabase(corpus.path, &tree, &list, false, false);
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out.path / "Inbox");
    state.ResumeTiming();
    const SaveCount count = root->SaveAll(out.path.string());
    if (count.saved != kMessages) state.SkipWithError("not every message was saved");
  }
  root->Release();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}
BENCHMARK(ExportWholeDatabase)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// The same database exported as .eml files (argument 0), an mbox file (1) or a Maildir (2).
void ExportMailbox(benchmark::State& state) {
  Corpus& corpus = TheCorpus();
  QuietWatcher watcher;
  const ExportFormat format =
      std::array{ExportFormat::Eml, ExportFormat::Mbox, ExportFormat::Maildir}[state.range(0)];
  for (auto _ : state) {
    state.PauseTiming();
    {
      OutputDirectory out;  // made and removed outside the time measured
      state.ResumeTiming();
      const StoreExport report = ExportStore(corpus.path, out.path.string(), {.format = format}, watcher);
      state.PauseTiming();
      if (report.messages != kMessages) state.SkipWithError("not every message was written");
    }
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * corpus.bytes));
}
BENCHMARK(ExportMailbox)
    ->ArgName("eml-mbox-maildir")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

void BaselineOneWritePerFile(benchmark::State& state) {
  std::vector<std::string> texts;
  uint64_t bytes = 0;
  for (int i = 0; i < kMessages; ++i) {
    texts.push_back(MessageText(i));
    bytes += texts.back().size();
  }
  OutputDirectory out;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out.path / "Inbox");
    fs::create_directory(out.path / "Inbox");
    state.ResumeTiming();
    for (int i = 0; i < kMessages; ++i) {
      const std::string path =
          Format("%s/Inbox/Message %d 00000005_%08X.eml", out.path.c_str(), i, static_cast<unsigned>(i + 2));
      const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd < 0 ||
          write(fd, texts[static_cast<size_t>(i)].data(), texts[static_cast<size_t>(i)].size()) < 0) {
        state.SkipWithError("write failed");
      }
      close(fd);
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BaselineOneWritePerFile)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
