#include "platform/named_lock.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

namespace vendrel {
namespace {

using namespace std::chrono_literals;

std::string UniqueName(const char* tag) {
  return std::string("named_lock_test_") + tag + "_" + std::to_string(getpid());
}

TEST(NamedLock, ASecondHolderOfTheSameNameWaitsUntilTheFirstCloses) {
  NamedLock first, second;
  ASSERT_TRUE(first.Create(UniqueName("pair")));
  ASSERT_TRUE(second.Create(UniqueName("pair")));
  ASSERT_EQ(first.Wait(1000ms), NamedLock::WaitResult::Acquired);
  EXPECT_EQ(second.Wait(50ms), NamedLock::WaitResult::TimedOut);
  EXPECT_FALSE(second.IsOwned());
  first.Close();
  EXPECT_EQ(second.Wait(50ms), NamedLock::WaitResult::Acquired);
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
  NamedLock first, second;
  ASSERT_TRUE(first.Create(name));
  ASSERT_TRUE(second.Create(name));
  ASSERT_EQ(first.Wait(100ms), NamedLock::WaitResult::Acquired);
  EXPECT_EQ(second.Wait(20ms), NamedLock::WaitResult::TimedOut);
}

}  // namespace
}  // namespace vendrel
