// The test programs run with standard input closed, as a program started by cron or a service manager may
// be: descriptor 0 is then what the first open() of a test gets, and must count as a file like any other.
#include <gtest/gtest.h>
#include <unistd.h>

#include "support/process.h"

int main(int argc, char** argv) {
  close(0);
  testing::InitGoogleTest(&argc, argv);
  const vendrel::testsupport::LeakWatch leaks;
  const int failed = RUN_ALL_TESTS();
  return leaks.Found() ? 1 : failed;
}
