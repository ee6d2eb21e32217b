#include "store/direct_db_name.h"

#include <gtest/gtest.h>

namespace vendrel {
namespace {

TEST(MakeDirectDbName, LowerCasesPathAndSuffixAndTurnsSeparatorsIntoUnderscores) {
  std::string name;
  ASSERT_TRUE(MakeDirectDbName(name, "C:\\A\\B.dbx", kMutexSuffix));
  EXPECT_EQ(name, "c:_a_b.dbx_directdbmutex");
  ASSERT_TRUE(MakeDirectDbName(name, "C:\\A\\B.dbx", kFileMapSuffix));
  EXPECT_EQ(name, "c:_a_b.dbx_directdbfilemap");
  ASSERT_TRUE(MakeDirectDbName(name, "/home/Ann/Mail/Inbox.dbx", kMutexSuffix));
  EXPECT_EQ(name, "_home_ann_mail_inbox.dbx_directdbmutex");
}

TEST(MakeDirectDbName, LeavesTheBytesOfNonAsciiCharactersAlone) {
  std::string name;
  ASSERT_TRUE(MakeDirectDbName(name, "/M/Boîte/É.dbx", kMutexSuffix));
  EXPECT_EQ(name, "_m_boîte_É.dbx_directdbmutex");
}

TEST(MakeDirectDbName, RefusesANameThatWouldNotFitItsBuffer) {
  std::string name;
  const std::string longest(kMaxDbPathLength, 'p');
  EXPECT_EQ(kMaxDbPathLength, 243u);
  EXPECT_TRUE(MakeDirectDbName(name, longest, kFileMapSuffix));
  EXPECT_EQ(name.size(), 259u);
  EXPECT_FALSE(MakeDirectDbName(name, longest + "p", kFileMapSuffix));
}

}  // namespace
}  // namespace vendrel
