// Two processes contending for one database file.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>

#include "store/db_store.h"
#include "store/direct_db_name.h"
#include "support/dbx_builder.h"
#include "support/process.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testsupport::Pipe;

class LockContention : public testing::Test {
 protected:
  void SetUp() override {
    path = (dir / "Inbox.dbx").string();
    testsupport::DbxBuilder(testsupport::DbKind::Message).WriteTo(path);
  }

  // A peer that opens a session, says 'H' when it holds the lock, and closes on 'R' (or after
  // holdFor when no release is expected).
  pid_t StartHolder(Pipe& held, Pipe& release, int holdForMs = 10000) {
    return testsupport::StartChild([&, holdForMs] {
      DbStore store;
      if (!store.Open(path)) return 1;
      held.Send('H');
      release.Receive(holdForMs);
      store.Close();
      return 0;
    });
  }

  testsupport::TempDir dir;
  std::string path;
  testsupport::ScopedDesktop desktop;
};

TEST(DirectDbWait, TheDefaultWaitIsTwentySeconds) {
  EXPECT_EQ(kDirectDbWait, 20000ms);
}

TEST_F(LockContention, TheSecondSessionWaitsAndGetsTheLockWhenTheFirstCloses) {
  Pipe held, release;
  const pid_t holder = StartHolder(held, release, 400);
  ASSERT_EQ(held.Receive(), 'H');
  const auto start = Clock::now();
  DbStore store;
  store.SetLockTimeout(10s);
  EXPECT_TRUE(store.Open(path));
  EXPECT_GE(Clock::now() - start, 200ms);
  EXPECT_TRUE(desktop.desktop.messages().empty());
  EXPECT_EQ(testsupport::WaitChild(holder), 0);
}

TEST_F(LockContention, AHolderThatKeepsTheLockTooLongMakesTheWaiterTimeOutWithOneMessage) {
  Pipe held, release;
  const pid_t holder = StartHolder(held, release);
  ASSERT_EQ(held.Receive(), 'H');
  DbStore store;
  store.SetLockTimeout(300ms);
  EXPECT_FALSE(store.Open(path));
  EXPECT_FALSE(store.IsOpen());
  EXPECT_EQ(Describe(store.lastFailure()), "locked by another program");
  release.Send('R');
  EXPECT_EQ(testsupport::WaitChild(holder), 0);

  std::string mutexName;
  ASSERT_TRUE(MakeDirectDbName(mutexName, path, kMutexSuffix));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Can't do it...");
  EXPECT_EQ(desktop.desktop.messages()[0].text,
            "Wait for mutex " + mutexName + " timeout!\nPossible locked by Outlook Express");
  // The failed session kept nothing: the lock is free for the next one.
  DbStore next;
  next.SetLockTimeout(0ms);
  EXPECT_TRUE(next.Open(path));
}

TEST_F(LockContention, AHolderThatIsKilledNeverBlocksLaterSessions) {
  Pipe held, release;
  const pid_t holder = StartHolder(held, release);
  ASSERT_EQ(held.Receive(), 'H');
  kill(holder, SIGKILL);
  EXPECT_EQ(testsupport::WaitChild(holder), 128 + SIGKILL);
  DbStore store;
  store.SetLockTimeout(0ms);
  EXPECT_TRUE(store.Open(path));
  EXPECT_TRUE(desktop.desktop.messages().empty());
}

TEST_F(LockContention, WritesOfAPeerSessionAreSeenAfterItCloses) {
  EXPECT_EQ(testsupport::RunInChild([&] {
              DbStore store;
              return store.Open(path) && store.WriteU32(0x5C, 0x77) ? 0 : 1;
            }),
            0);
  DbStore store;
  ASSERT_TRUE(store.Open(path));
  EXPECT_EQ(store.ReadU32(0x5C), 0x77u);
}

TEST_F(LockContention, TheLockIsTheFilesWhateverItsSpellingAndOnlyItsOwn) {
  Pipe held, release;
  const pid_t holder = StartHolder(held, release);
  ASSERT_EQ(held.Receive(), 'H');
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  DbStore sameFile;
  sameFile.SetLockTimeout(0ms);
  EXPECT_FALSE(sameFile.Open("./Inbox.dbx"));
  EXPECT_FALSE(sameFile.Open("../" + dir.path().filename().string() + "//Inbox.dbx"));
  // The same name in another directory is another file: no wait.
  std::filesystem::create_directory("other");
  testsupport::DbxBuilder(testsupport::DbKind::Message).WriteTo("other/Inbox.dbx");
  DbStore otherFile;
  otherFile.SetLockTimeout(0ms);
  EXPECT_TRUE(otherFile.Open("other/Inbox.dbx"));
  std::filesystem::current_path(here);
  release.Send('R');
  EXPECT_EQ(testsupport::WaitChild(holder), 0);
}

}  // namespace
}  // namespace vendrel
