// Sessions on a database file: what opens and why not, reads and writes bounded by the view, growth,
// nested sessions, the lock between sessions of this and other processes; and room for new structures,
// carved from a heap's chunk or a new chunk that grows the file, never from a damaged header.
#include "store/db_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/file_mapping.h"
#include "platform/mapping_cache.h"
#include "platform/write_faults.h"
#include "platform/format.h"
#include "store/allocation.h"
#include "store/copy_on_write.h"
#include "store/direct_db_name.h"
#include "store/journal.h"
#include "store/little_endian.h"
#include "support/db_file.h"
#include "support/dbx_builder.h"
#include "support/process.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;
using namespace testsupport;
namespace fs = std::filesystem;

class Session : public testing::Test {
 protected:
  std::string MakeDatabase(const std::string& name = "Inbox.dbx") {
    return DbxBuilder(DbKind::Message).WriteTo(dir / name);
  }

  TempDir dir;
  ScopedDesktop desktop;
};

TEST_F(Session, WhatIsNoFileToMapIsRefusedSilentlySayingWhyAndNothingIsCreated) {
  WriteFileBytes(dir / "empty.dbx", {});
  fs::create_directories(dir / std::string(200, 'd'));
  const std::string deep = MakeDatabase(std::string(200, 'd') + "/x.dbx");
  // 243 characters, the most whose lock name fits, and one more.
  const std::string padded = std::string(243 - deep.size(), '/') + deep;
  const std::pair<std::string, OpenFailure> cases[] = {
      {"", OpenFailure::NotFound},
      {(dir / "missing.dbx").string(), OpenFailure::NotFound},
      {(dir / "empty.dbx/x.dbx").string(), OpenFailure::NotFound},  // below a file
      {(dir / "empty.dbx").string(), OpenFailure::EmptyFile},
      {dir.path().string(), OpenFailure::NotARegularFile},
      {"/" + padded, OpenFailure::PathTooLong}};
  for (const auto& [path, failure] : cases) {
    DbStore store;
    EXPECT_TRUE(!store.Open(path) && store.lastFailure() == failure) << path;
    EXPECT_TRUE(!store.IsOpen() && store.mappingName().empty()) << path;
  }
  EXPECT_TRUE(!fs::exists(dir / "missing.dbx") && fs::file_size(dir / "empty.dbx") == 0 &&
              desktop.desktop.messages().empty() && DbStore().Open(padded));
}

TEST_F(Session, EveryAccessIsBoundedByTheViewAndEndsWithTheSession) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t tagged = builder.Reserve(16);
  builder.SetU32(tagged, tagged);
  const uint32_t untagged = builder.Reserve(16);
  builder.SetU32(untagged, untagged + 4);
  DbStore store;
  ASSERT_TRUE(store.Open(builder.WriteTo(dir / "Inbox AZ.dbx")));
  EXPECT_NE(store.mappingName().find("inbox az.dbx_directdbfilemap"), std::string::npos);
  const uint32_t size = static_cast<uint32_t>(store.viewLength());
  EXPECT_TRUE(size == fs::file_size(dir / "Inbox AZ.dbx") && LoadU32(store.At(0, 4)) == 0xFE12ADCFu &&
              store.At(size - 4, 4) != nullptr && store.ReadU8(size - 1) && store.ReadU16(size - 2) &&
              store.ReadU32(size - 4));
  for (const auto& [ra, length] :
       std::vector<std::pair<uint32_t, uint32_t>>{{size - 3, 4}, {size, 1}, {0xFFFFFFFF, 2}, {4, 0xFFFFFFFF}})
    EXPECT_TRUE(!store.At(ra, length) && !store.AtWritable(ra, length)) << ra << "+" << length;
  EXPECT_FALSE(store.ReadU32(size - 3) || store.ReadU16(size - 1) || store.ReadU8(size));
  EXPECT_TRUE(!store.WriteU32(size - 3, 1) && store.AtChecked(tagged, 16) == store.At(tagged, 16));
  EXPECT_EQ(store.AtChecked(tagged, 17 + 16), nullptr);  // the structure would pass the end
  EXPECT_FALSE(store.AtChecked(untagged) || store.AtChecked(0));
  store.Close();
  EXPECT_TRUE(store.mappingName().empty() && !store.At(0, 4) && !store.AtChecked(tagged));
}  // and closed again on its way out

TEST_F(Session, GrowExtendsTheFileToWholePagesKeepsItsContentAndNeverShortensIt) {
  const std::string path = MakeDatabase();
  const uint32_t wanted = static_cast<uint32_t>(fs::file_size(path)) + 100;
  const uint32_t rounded = (wanted + PageSize() - 1) / PageSize() * PageSize();
  DbStore store;
  ASSERT_TRUE(store.Open(path));
  EXPECT_TRUE(store.mappedLength() == 0 && !store.Grow(0));
  ASSERT_TRUE(store.Grow(wanted));
  EXPECT_EQ(std::tuple(store.mappedLength(), store.viewLength()), std::tuple(rounded, rounded));
  EXPECT_EQ(store.AtChecked(rounded - 3, 0), nullptr);  // its RA would end past the mapping's last page
  EXPECT_EQ(store.ReadU32(0), 0xFE12ADCFu);
  ASSERT_TRUE(store.WriteU32(wanted - 4, 0xCAFE));
  const uint8_t* view = store.At(0, 4);
  EXPECT_TRUE(store.Grow(wanted - 50) && store.At(0, 4) == view);  // less than is mapped: nothing changes
  store.Close();
  EXPECT_TRUE(fs::file_size(path) == rounded && store.Open(path) && store.ReadU32(wanted - 4) == 0xCAFEu);

  ASSERT_TRUE(store.Open(DbxBuilder(DbKind::Message).PadTo(1 << 20).WriteTo(path)));
  ASSERT_TRUE(store.Grow(0x3000));
  EXPECT_EQ(store.viewLength(), 1u << 20);
  EXPECT_FALSE(store.Grow(0xFFFFFFFF));  // past 4 GiB once rounded to pages
  store.Close();
  EXPECT_EQ(fs::file_size(path), 1u << 20);
  // A file the system will not let grow (here the size limit) is refused and the session closed.
  EXPECT_EQ(WaitChild(StartChild([&] {
              signal(SIGXFSZ, SIG_IGN);
              const rlimit limit{1 << 20, 1 << 20};
              DbStore grown;
              return setrlimit(RLIMIT_FSIZE, &limit) == 0 && grown.Open(path) && !grown.Grow((1 << 20) + 1) &&
                             !grown.IsOpen()
                         ? 0
                         : 1;
            })),
            0);
}

TEST_F(Session, ANestedSessionSharesTheOuterViewAndNeverPullsItAwayWhenTheFileGrew) {
  const std::string path = MakeDatabase();
  DbStore outer;
  ASSERT_TRUE(outer.Open(path));
  const uint8_t* magic = outer.At(0, 4);
  // Another program (not keeping to the lock) makes the file longer.
  ASSERT_EQ(truncate(path.c_str(), static_cast<off_t>(fs::file_size(path) + 65536)), 0);
  {
    DbStore nested;
    ASSERT_TRUE(nested.Open(path));
    EXPECT_EQ(nested.At(0, 4), magic);
    DbStore found;  // the check's way in joins too
    EXPECT_TRUE(found.OpenAsFound(path) && found.At(0, 4) == magic);
    DbStore fresh;  // a session of its own on the same file grows it: the others keep their views
    EXPECT_FALSE(fresh.Open(path, 0xFFFFF001));  // a length that wraps to 0 once rounded to pages
    ASSERT_TRUE(fresh.Open(path, 1));
    EXPECT_TRUE(fresh.Grow(static_cast<uint32_t>(fs::file_size(path) + 4096)));
  }
  EXPECT_EQ(LoadU32(magic), 0xFE12ADCFu);
  // A nested session is one to join in turn, also once the session it joined has closed.
  const uint64_t seen = outer.viewLength();
  DbStore nested;
  ASSERT_TRUE(nested.Open(path));
  outer.Close();
  DbStore third;
  EXPECT_TRUE(third.Open(path) && third.At(0, 4) == magic && third.viewLength() == seen);
  third.Close();
  nested.Close();
  ASSERT_TRUE(outer.Open(path));
  EXPECT_EQ(outer.viewLength(), fs::file_size(path));
  // Standard input closed: the file's lock may get descriptor 0, which is as good as any; so may its
  // mapping, once another file's lock let it go, and a change is written whole through it.
  outer.Close();
  const std::string other = MakeDatabase("Other.dbx"), fresh = MakeDatabase("Fresh.dbx");
  EXPECT_EQ(WaitChild(StartChild([&] {
              close(0);
              DbStore alone, first, second;
              if (!alone.Open(path) || alone.ReadU32(0) != 0xFE12ADCFu) return 1;
              alone.Close();
              if (!first.Open(other) || !second.Open(fresh)) return 2;
              first.Close();
              CopyOnWrite change;
              if (!second.Grow(second.viewLength() + 1) || !change.Begin(second)) return 3;
              return change.copy().WriteU32(0x5C, 7) && change.Commit() ? 0 : 4;
            })),
            0);
}

// Root may write to any file, so the checks run in a child that has given up root when there is any.
TEST_F(Session, AReadOnlyFileOpensForReadingAndRefusesEveryWrite) {
  fs::create_directory(dir / "closed");
  const std::string path = MakeDatabase(), hidden = MakeDatabase("Hidden.dbx"), behind = MakeDatabase("closed/x.dbx");
  chmod(dir.path().c_str(), 0755);
  chmod(path.c_str(), 0444);
  chmod(hidden.c_str(), 0);
  chmod((dir / "closed").c_str(), 0700);
  const std::vector<uint8_t> original = ReadFileBytes(path);
  const int failures = WaitChild(StartChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 100;
    DbStore store;
    for (const std::string& refused : {hidden, behind})  // the file's own rights, or its directory's
      if (store.Open(refused) || store.lastFailure() != OpenFailure::PermissionDenied) return 102;
    if (!store.Open(path) || store.ReadU32(0) != 0xFE12ADCFu) return 101;
    return (store.IsWritable() ? 1 : 0) | (store.WriteU32(0x5C, 7) ? 2 : 0) |
           (store.AtWritable(0x5C, 4) != nullptr ? 4 : 0) |
           (store.Allocate(8, 0x24, 49152) != nullptr ? 8 : 0) | (store.Grow(1 << 20) ? 16 : 0) |
           (store.IsOpen() && store.ReadU32(0x5C) == 0u ? 0 : 32);
  }));
  EXPECT_TRUE(failures == 0 && ReadFileBytes(path) == original) << failures;
}

TEST_F(Session, APeerSessionMakesTheNextWaitAndTimeOutWithOneMessageAndADeadPeerBlocksNothing) {
  const std::string path = MakeDatabase();
  fs::create_hard_link(path, dir / "Hard.dbx");
  fs::create_symlink(path, dir / "Soft.dbx");
  Pipe held, release;
  const pid_t holder = StartChild([&] {
    prctl(PR_SET_NAME, "vendrel-cli");  // another instance of this program
    DbStore store;
    if (!store.Open(path)) return 1;
    held.Send('H');
    release.Receive();
    return 0;
  });
  ASSERT_EQ(held.Receive(), 'H');
  DbStore store;
  store.SetLockTimeout(300ms);
  EXPECT_FALSE(store.Open(path));
  EXPECT_EQ(store.DescribeFailure(),
            Format("locked by another Vendrel process, vendrel-cli (process %d)", static_cast<int>(holder)));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Can't do it...");
  EXPECT_EQ(desktop.desktop.messages()[0].text, "Wait for mutex " + DirectDbName(path, kMutexSuffix) +
                                                    " timeout!\nPossible locked by Outlook Express");
  EXPECT_EQ(DirectDbName("/Mail\\Inbox.DBX", "_m"), "_mail_inbox.dbx_m");  // one name, whatever the separators
  // The lock belongs to the file: any other name of it is as locked; the same name in another directory
  // is not.
  const fs::path here = fs::current_path();
  fs::current_path(dir.path());
  store.SetLockTimeout(0ms);
  for (const std::string& other : std::vector<std::string>{
           "./Inbox.dbx", "../" + dir.path().filename().string() + "//Inbox.dbx", "Hard.dbx", "Soft.dbx"})
    EXPECT_TRUE(!store.Open(other) && store.lastFailure() == OpenFailure::Locked) << other;
  fs::create_directory("other");
  MakeDatabase("other/Inbox.dbx");
  EXPECT_TRUE(store.Open("other/Inbox.dbx"));
  fs::current_path(here);

  kill(holder, SIGKILL);
  EXPECT_TRUE(WaitChild(holder) == 128 + SIGKILL && store.Open(path));
}

// A journal beside a database is what a change that was cut off left: (the journal, the file) -> what a
// session opening the file finds.
TEST_F(Session, AJournalIsRolledBackWhenItBelongsToTheFileDroppedWhenCutShortAndElseKeepsTheFileClosed) {
  const std::string path = MakeDatabase(), journal = path + "-journal";
  fs::create_symlink(path, dir / "link.dbx");
  EXPECT_EQ(JournalPath((dir / "link.dbx").string()), journal);  // beside the file, whatever names it
  const std::vector<uint8_t> original = ReadFileBytes(path);
  const std::vector<uint8_t> was(original.begin() + 0x5C, original.begin() + 0x60), becomes(4, 2);
  // The file as a change left it: a field written (with what), and room added at the end.
  const auto Change = [&](uint8_t with) {
    std::vector<uint8_t> bytes = original;
    std::fill_n(bytes.begin() + 0x5D, 3, with);
    bytes.resize(bytes.size() + 4096, 0xEE);
    WriteFileBytes(path, bytes);
    return bytes;
  };
  // The format other versions of the program will read: the length before, one range as it was and as
  // it becomes, and the 64-bit FNV-1a of it all.
  Change(2);
  ASSERT_TRUE(WriteJournal(path, original.size(), {{0x5C, was, becomes}}));
  std::string hex;
  for (const uint8_t byte : ReadFileBytes(journal)) hex += Format("%02X", byte);
  EXPECT_EQ(hex, "5644524C4A4E4C31" "0028000000000000" "01000000" "5C00000000000000" "0400000000000000"
                 "00000000" "02020202" "9F5C14DA539932C2");
  fs::remove(journal);
  ArmWriteFault(1);  // a journal that could not be written whole is none
  EXPECT_FALSE(WriteJournal(path, original.size(), {{0x5C, was, becomes}}) || fs::exists(journal));
  ArmWriteFault(0);
  DbStore store;
  for (const bool cutShort : {false, true}) {
    Change(cutShort ? was[1] : 2);
    ASSERT_TRUE(WriteJournal(path, original.size(), {{0x5C, was, becomes}}));
    EXPECT_EQ(fs::status(journal).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    if (cutShort) fs::resize_file(journal, fs::file_size(journal) - 3);  // never followed by a write
    ASSERT_TRUE(store.Open(path)) << store.DescribeFailure();
    store.Close();
    // Put back whole; or, cut short, not touched (the room it added stays).
    EXPECT_TRUE((ReadFileBytes(path) == original) != cutShort && !fs::exists(journal)) << cutShort;
  }
  // Said on the status line, and on stderr for the command-line tool.
  const std::string undone =
      "An interrupted change to " + path + " was undone: the file is as it was before it";
  EXPECT_EQ(desktop.desktop.statusLines(), std::vector<std::string>{undone});
  EXPECT_EQ(desktop.desktop.diagnostics(), std::vector<std::string>{undone + "\n"});
  // A file the journal was not written for (a copy put in its place): neither is touched.
  const std::vector<uint8_t> replaced = Change(9);
  ASSERT_TRUE(WriteJournal(path, original.size(), {{0x5C, was, becomes}}));
  EXPECT_FALSE(store.Open(path));
  EXPECT_TRUE(store.lastFailure() == OpenFailure::UnfinishedChange &&
              store.DescribeFailure().find("does not belong to it") != std::string::npos)
      << store.DescribeFailure();
  EXPECT_TRUE(ReadFileBytes(path) == replaced && fs::exists(journal));
  EXPECT_TRUE(!store.OpenAsFound((dir / "none.dbx").string()) && store.DescribeFailure() == "not found");
  EXPECT_FALSE(CopyOnWrite().Commit());  // nothing begun, nothing to write
  // The refusal leaves the file unlocked: another thread is refused for the journal too, not kept out.
  std::thread([&] {
    DbStore other;
    other.SetLockTimeout(0ms);
    EXPECT_TRUE(!other.Open(path) && other.lastFailure() == OpenFailure::UnfinishedChange);
  }).join();
}

using Descriptor = std::array<uint32_t, 3>;  // chunk RA, chunk size, used

TEST(Allocation, RequestsAreCarvedFromTheChunkWhileTheyFitAndFromANewChunkAtTheAllocatedSizeElse) {
  constexpr uint32_t kChunk = kBuilderHeaderSize, kAt = kChunk + 64;  // the allocated size
  const struct {
    const char* what;
    std::optional<uint32_t> used;  // of a 64-byte chunk at kChunk; none: no chunk
    uint32_t size, growth;
    std::vector<uint32_t> ras;  // of as many requests in a row
    Descriptor after;
    uint32_t grown;  // the allocated size past kAt afterwards
  } cases[] = {
      {"five bytes take eight", 8, 5, kEntryHeapGrowth, {kChunk + 8}, {kChunk, 64, 16}, 0},
      {"back to back", 32, 16, kEntryHeapGrowth, {kChunk + 32, kChunk + 48}, {kChunk, 64, 64}, 0},
      {"the rest of a chunk too small", 56, 12, kEntryHeapGrowth, {kAt}, {kAt, 12, 12}, kEntryHeapGrowth},
      {"no chunk yet", {}, 30, kEntryHeapGrowth, {kAt}, {kAt, 32, 32}, kEntryHeapGrowth},
      {"nodes", {}, 636, kIndexHeapGrowth, {kAt, kAt + 15900}, {kAt + 15900, 636, 636}, 2 * kIndexHeapGrowth},
      {"more than the growth", {}, 20001, 100, {kAt}, {kAt, 20004, 20004}, 20004},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DbxBuilder builder(DbKind::Message);
    builder.SetBytes(builder.Reserve(64), std::vector<uint8_t>(64, 0xAA));
    if (c.used) builder.SetDescriptor(kEntryHeapDescriptor, kChunk, 64, *c.used);
    DbFile db(builder);
    const uint32_t descriptor = c.size == 636 ? kIndexHeapDescriptor : kEntryHeapDescriptor;
    const uint32_t rounded = (c.size + 3) & ~3u;
    for (const uint32_t expected : c.ras) {
      const uint8_t* block = db.store.Allocate(c.size, descriptor, c.growth);
      ASSERT_NE(block, nullptr);
      EXPECT_EQ(db.store.AtChecked(expected, rounded), block);  // tagged with its RA, then zeroed
      EXPECT_EQ(std::count(block + 4, block + rounded, 0), static_cast<std::ptrdiff_t>(rounded - 4));
    }
    EXPECT_EQ((Descriptor{*db.store.ReadU32(descriptor), *db.store.ReadU32(descriptor + 4),
                          *db.store.ReadU32(descriptor + 8)}),
              c.after);
    EXPECT_EQ(db.store.ReadU32(kAllocatedSizeField), kAt + c.grown);
    // Nothing past what was asked for is touched, nor the rest of a chunk left behind.
    const uint32_t end = c.ras.back() + rounded;
    EXPECT_TRUE(end >= kAt || db.store.ReadU8(end) == 0xAA);
    EXPECT_TRUE(c.after[0] == kChunk || db.store.ReadU8(kChunk + 63) == 0xAA);
    EXPECT_EQ(db.store.viewLength() % PageSize(), c.grown == 0 ? kAt % PageSize() : 0);
    EXPECT_GE(db.store.viewLength(), kAt + c.grown);
  }
  DbFile atHeaderEnd(DbxBuilder(DbKind::Message).SetDescriptor(kEntryHeapDescriptor, kHeaderEnd, 64, 0));
  EXPECT_NE(atHeaderEnd.store.Allocate(8, kEntryHeapDescriptor, kEntryHeapGrowth), nullptr);  // may start there
  DbFile bare(DbxBuilder(DbKind::Message).SetAllocatedSize(kHeaderEnd));  // nothing allocated yet
  EXPECT_NE(bare.store.Allocate(8, kEntryHeapDescriptor, kEntryHeapGrowth), nullptr);
}

TEST(Allocation, DamagedOrImpossibleRequestsAreRefusedWithoutChangingTheHeader) {
  const struct {
    const char* what;
    uint32_t chunkRa, chunkSize, used, allocatedSize, size, descriptor, growth;
  } cases[] = {
      {"used count above the chunk size", 0x2800, 16, 64, 0x2840, 8, 0x24, 0x10},
      {"allocated size 0", 0, 0, 0, 0, 8, 0x24, 0x10},
      {"allocated size near 4 GiB", 0, 0, 0, 0xFFFFF000, 8, 0x24, 0x10},
      {"chunk outside the file", 0x7FFF0000, 64, 0, 0x2840, 8, 0x24, 0x10},
      {"chunk inside the header", 0x10, 0x1000, 0, 0x2840, 8, 0x24, 0x10},
      {"chunk past the allocated size", 0x2800, 0x100, 0, 0x2840, 8, 0x24, 0x10},
      {"allocated size inside the header", 0, 0, 0, 0xE0, 8, 0x24, 0x10},
      {"allocated size past the end of the file", 0, 0, 0, 0x10000, 8, 0x24, 0x10},
      {"nothing asked for", 0, 0, 0, 0x2840, 0, 0x24, 0x10},
      {"no descriptor", 0, 0, 0, 0x2840, 8, 0, 0x10},
      {"no growth", 0, 0, 0, 0x2840, 8, 0x24, 0},
      {"4 GiB asked for", 0, 0, 0, 0x2840, 0xFFFFFFFF, 0x24, 0x10},
      {"so much that rounding wraps", 0, 0, 0, 0x2840, 0xFFFFFFFD, 0x24, 0x10},
  };
  for (const auto& c : cases) {
    DbxBuilder builder(DbKind::Message);
    builder.PadTo(0x2840).SetDescriptor(kEntryHeapDescriptor, c.chunkRa, c.chunkSize, c.used);
    DbFile db(builder.SetAllocatedSize(c.allocatedSize));
    EXPECT_EQ(db.store.Allocate(c.size, c.descriptor, c.growth), nullptr) << c.what;
    db.store.Close();
    EXPECT_EQ(ReadFileBytes(db.path()), builder.bytes()) << c.what;
  }
  // A block too short to receive its RA is not stored either.
  DbFile sound(DbxBuilder(DbKind::Message).SetDescriptor(kEntryHeapDescriptor, kHeaderEnd, 64, 0));
  std::vector<uint8_t> shortBlock(3, 0xAA);
  EXPECT_FALSE(sound.store.StoreBlock(shortBlock));
}

}  // namespace
}  // namespace vendrel
