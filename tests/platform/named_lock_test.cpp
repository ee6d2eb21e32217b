#include "platform/named_lock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <thread>

namespace vendrel {
namespace {

using namespace std::chrono_literals;

std::string UniqueName(const char* tag) {
  return std::string("named_lock_test_") + tag + "_" + std::to_string(getpid());
}

// What another thread sees of a name: whether it could take the lock within the time-out.
bool OtherThreadCanTake(const std::string& name, std::chrono::milliseconds timeout) {
  NamedLock::WaitResult result = NamedLock::WaitResult::Failed;
  std::thread([&] {
    NamedLock lock;
    if (lock.Create(name)) result = lock.Wait(timeout);
  }).join();
  return result == NamedLock::WaitResult::Acquired;
}

TEST(NamedLock, AnotherThreadWaitsUntilTheHolderCloses) {
  const std::string name = UniqueName("threads");
  NamedLock holder;
  ASSERT_TRUE(holder.Create(name));
  ASSERT_EQ(holder.Wait(1000ms), NamedLock::WaitResult::Acquired);
  EXPECT_FALSE(OtherThreadCanTake(name, 50ms));
  holder.Close();
  EXPECT_TRUE(OtherThreadCanTake(name, 50ms));
}

TEST(NamedLock, TheHoldingThreadTakesItAgainAndReleasesItWithTheLastHolder) {
  const std::string name = UniqueName("recursive");
  NamedLock outer, inner;
  ASSERT_TRUE(outer.Create(name));
  ASSERT_TRUE(inner.Create(name));
  ASSERT_EQ(outer.Wait(1000ms), NamedLock::WaitResult::Acquired);
  EXPECT_EQ(inner.Wait(0ms), NamedLock::WaitResult::Acquired);
  // The outer holder goes first: the inner one still holds the lock.
  outer.Close();
  EXPECT_FALSE(OtherThreadCanTake(name, 20ms));
  inner.Close();
  EXPECT_TRUE(OtherThreadCanTake(name, 20ms));
}

TEST(NamedLock, LocksOfDifferentNamesDoNotMeet) {
  NamedLock a, b;
  ASSERT_TRUE(a.Create(UniqueName("a")));
  ASSERT_TRUE(b.Create(UniqueName("b")));
  EXPECT_EQ(a.Wait(50ms), NamedLock::WaitResult::Acquired);
  EXPECT_EQ(b.Wait(50ms), NamedLock::WaitResult::Acquired);
}

TEST(NamedLock, WaitingWithoutALockObjectFails) {
  NamedLock lock;
  EXPECT_EQ(lock.Wait(10ms), NamedLock::WaitResult::Failed);
}

TEST(NamedLock, LongNamesGetAShortStableFileNameThatStillTellsThemApart) {
  const std::string base(250, 'x');
  const std::string a = LockFileName(base + "a");
  const std::string b = LockFileName(base + "b");
  EXPECT_LE(a.size(), 200u);
  EXPECT_NE(a, b);
  EXPECT_EQ(a, LockFileName(base + "a"));
  EXPECT_EQ(LockFileName("short_name"), "short_name");
}

TEST(NamedLock, TheLockOfALongNameWorks) {
  const std::string name = UniqueName("long") + std::string(240, 'y');
  NamedLock first;
  ASSERT_TRUE(first.Create(name));
  ASSERT_EQ(first.Wait(100ms), NamedLock::WaitResult::Acquired);
  EXPECT_FALSE(OtherThreadCanTake(name, 20ms));
}

}  // namespace
}  // namespace vendrel
