// Sessions on a database file: what opens and why not, reads and writes bounded by the view, growth,
// nested sessions, and the lock between sessions of this and other processes.
#include "store/db_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_mapping.h"
#include "store/direct_db_name.h"
#include "store/little_endian.h"
#include "support/dbx_builder.h"
#include "support/process.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;
using testsupport::DbKind;
using testsupport::DbxBuilder;
namespace fs = std::filesystem;

class Session : public testing::Test {
 protected:
  std::string MakeDatabase(const std::string& name = "Inbox.dbx") {
    DbxBuilder(DbKind::Message).WriteTo(dir / name);
    return (dir / name).string();
  }

  testsupport::TempDir dir;
  testsupport::ScopedDesktop desktop;
};

TEST_F(Session, WhatIsNoFileToMapIsRefusedSilentlySayingWhyAndNothingIsCreated) {
  testsupport::WriteFileBytes(dir / "empty.dbx", {});
  fs::create_directories(dir / std::string(200, 'd'));
  const std::string deep = MakeDatabase(std::string(200, 'd') + "/x.dbx");
  // 243 characters, the most whose lock name fits, and one more.
  const std::string padded = std::string(243 - deep.size(), '/') + deep;
  const struct {
    std::string path;
    OpenFailure failure;
  } cases[] = {{"", OpenFailure::NotFound},
               {(dir / "missing.dbx").string(), OpenFailure::NotFound},
               {(dir / "empty.dbx").string(), OpenFailure::EmptyFile},
               {dir.path().string(), OpenFailure::NotARegularFile},
               {"/" + padded, OpenFailure::PathTooLong}};
  for (const auto& c : cases) {
    DbStore store;
    EXPECT_FALSE(store.Open(c.path)) << c.path;
    EXPECT_EQ(store.lastFailure(), c.failure) << c.path;
    EXPECT_TRUE(!store.IsOpen() && store.mappingName().empty()) << c.path;
  }
  EXPECT_FALSE(fs::exists(dir / "missing.dbx"));
  EXPECT_EQ(fs::file_size(dir / "empty.dbx"), 0u);
  EXPECT_TRUE(desktop.desktop.messages().empty());
  DbStore store;
  EXPECT_TRUE(store.Open(padded));
}

TEST_F(Session, EveryAccessIsBoundedByTheViewAndEndsWithTheSession) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t tagged = builder.Reserve(16);
  builder.SetU32(tagged, tagged);
  const uint32_t untagged = builder.Reserve(16);
  builder.SetU32(untagged, untagged + 4);
  builder.WriteTo(dir / "Inbox.dbx");
  DbStore store;
  ASSERT_TRUE(store.Open((dir / "Inbox.dbx").string()));
  EXPECT_NE(store.mappingName().find("inbox.dbx_directdbfilemap"), std::string::npos);
  const uint32_t size = static_cast<uint32_t>(store.viewLength());
  EXPECT_EQ(size, fs::file_size(dir / "Inbox.dbx"));
  EXPECT_EQ(LoadU32(store.At(0, 4)), 0xFE12ADCFu);
  EXPECT_NE(store.At(size - 4, 4), nullptr);
  for (const auto& [ra, length] :
       std::vector<std::pair<uint32_t, uint32_t>>{{size - 3, 4}, {size, 1}, {0xFFFFFFFF, 2}, {4, 0xFFFFFFFF}})
    EXPECT_TRUE(!store.At(ra, length) && !store.AtWritable(ra, length)) << ra << "+" << length;
  EXPECT_FALSE(store.ReadU32(size - 2) || store.ReadU16(size - 1) || store.ReadU8(size));
  const uint8_t bytes[8] = {};
  EXPECT_FALSE(store.WriteU32(size - 2, 1) || store.WriteAt(size - 4, bytes, 8));
  EXPECT_EQ(store.AtChecked(tagged, 16), store.At(tagged, 16));
  EXPECT_EQ(store.AtChecked(tagged, 17 + 16), nullptr);  // the structure would pass the end
  EXPECT_FALSE(store.AtChecked(untagged) || store.AtChecked(0));
  store.Close();
  EXPECT_TRUE(store.mappingName().empty());
  EXPECT_FALSE(store.At(0, 4) || store.AtChecked(tagged));
  store.Close();
}

TEST_F(Session, GrowExtendsTheFileToWholePagesKeepsItsContentAndNeverShortensIt) {
  const std::string path = MakeDatabase();
  const uint32_t wanted = static_cast<uint32_t>(fs::file_size(path)) + 100;
  const uint32_t rounded = (wanted + PageSize() - 1) / PageSize() * PageSize();
  DbStore store;
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(store.mappedLength(), 0u);
  EXPECT_FALSE(store.Grow(0));
  ASSERT_TRUE(store.Grow(wanted));
  EXPECT_EQ(store.mappedLength(), rounded);
  EXPECT_EQ(store.viewLength(), rounded);
  EXPECT_EQ(store.ReadU32(0), 0xFE12ADCFu);
  ASSERT_TRUE(store.WriteU32(wanted - 4, 0xCAFE));
  const uint8_t* view = store.At(0, 4);
  EXPECT_TRUE(store.Grow(wanted - 50));  // less than is mapped: nothing changes
  EXPECT_EQ(store.At(0, 4), view);
  store.Close();
  EXPECT_EQ(fs::file_size(path), rounded);
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(store.ReadU32(wanted - 4), 0xCAFEu);

  DbxBuilder(DbKind::Message).PadTo(1 << 20).WriteTo(path);
  ASSERT_TRUE(store.Open(path));
  ASSERT_TRUE(store.Grow(0x3000));
  EXPECT_EQ(store.viewLength(), 1u << 20);
  EXPECT_FALSE(store.Grow(0xFFFFFFFF));  // past 4 GiB once rounded to pages
  store.Close();
  EXPECT_EQ(fs::file_size(path), 1u << 20);
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
    DbStore fresh;  // a session of its own on the same file grows it: the others keep their views
    ASSERT_TRUE(fresh.Open(path, 1));
    EXPECT_TRUE(fresh.Grow(static_cast<uint32_t>(fs::file_size(path) + 4096)));
  }
  EXPECT_EQ(LoadU32(magic), 0xFE12ADCFu);
  outer.Close();
  ASSERT_TRUE(outer.Open(path));
  EXPECT_EQ(outer.viewLength(), fs::file_size(path));
}

// Root may write to any file, so the checks run in a child that has given up root when there is any.
TEST_F(Session, AReadOnlyFileOpensForReadingAndRefusesEveryWrite) {
  const std::string path = MakeDatabase();
  chmod(dir.path().c_str(), 0755);
  chmod(path.c_str(), 0444);
  const std::vector<uint8_t> original = testsupport::ReadFileBytes(path);
  const int failures = testsupport::WaitChild(testsupport::StartChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 100;
    unsetenv("XDG_RUNTIME_DIR");  // the lock directory must be one this user may create
    DbStore store;
    const uint32_t value = 7;
    if (!store.Open(path) || store.ReadU32(0) != 0xFE12ADCFu) return 101;
    return (store.IsWritable() ? 1 : 0) |
           (store.WriteAt(0x5C, &value, 4) || store.WriteU32(0x5C, 7) ? 2 : 0) |
           (store.AtWritable(0x5C, 4) != nullptr ? 4 : 0) |
           (store.Allocate(8, 0x24, 49152) != nullptr ? 8 : 0) | (store.Grow(1 << 20) ? 16 : 0) |
           (store.IsOpen() && store.ReadU32(0x5C) == 0u ? 0 : 32);
  }));
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(testsupport::ReadFileBytes(path), original);
}

TEST_F(Session, APeerSessionMakesTheNextWaitAndTimeOutWithOneMessageAndADeadPeerBlocksNothing) {
  const std::string path = MakeDatabase();
  testsupport::Pipe release;
  const pid_t holder = testsupport::StartPeerSession(path, release);
  ASSERT_GT(holder, 0);
  DbStore store;
  store.SetLockTimeout(300ms);
  EXPECT_FALSE(store.Open(path));
  EXPECT_EQ(Describe(store.lastFailure()), "locked by another program");
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Can't do it...");
  EXPECT_EQ(desktop.desktop.messages()[0].text, "Wait for mutex " + DirectDbName(path, kMutexSuffix) +
                                                    " timeout!\nPossible locked by Outlook Express");
  // The same file by any other spelling is as locked; the same name in another directory is not.
  const fs::path here = fs::current_path();
  fs::current_path(dir.path());
  store.SetLockTimeout(0ms);
  EXPECT_FALSE(store.Open("./Inbox.dbx"));
  EXPECT_FALSE(store.Open("../" + dir.path().filename().string() + "//Inbox.dbx"));
  fs::create_directory("other");
  MakeDatabase("other/Inbox.dbx");
  EXPECT_TRUE(store.Open("other/Inbox.dbx"));
  fs::current_path(here);

  kill(holder, SIGKILL);
  EXPECT_EQ(testsupport::WaitChild(holder), 128 + SIGKILL);
  EXPECT_TRUE(store.Open(path));
}

}  // namespace
}  // namespace vendrel
