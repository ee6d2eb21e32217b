#include "dbx/name_compare.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace vendrel::dbx {
namespace {

TEST(CompareNamesNoCase, FoldsAsciiLettersToLowerCaseOnly) {
  EXPECT_EQ(CompareNamesNoCase("Inbox", "INBOX"), 0);
  EXPECT_LT(CompareNamesNoCase("abc", "ABD"), 0);
  EXPECT_GT(CompareNamesNoCase("abc", "AB"), 0);
  EXPECT_LT(CompareNamesNoCase("", "a"), 0);
  // Letters fold to lower case, so an underscore sorts before them.
  EXPECT_LT(CompareNamesNoCase("A_", "AB"), 0);
  // Accented letters are bytes above 0x7F: not folded, and sorted after ASCII.
  EXPECT_NE(CompareNamesNoCase("\xE9", "\xC9"), 0);
  EXPECT_GT(CompareNamesNoCase("\xE9", "z"), 0);
}

TEST(CompareNamesNoCase, InADoubleByteCodePageTrailBytesAreNeverFolded) {
  // In Windows-1252 these are two characters each and fold equal ...
  EXPECT_EQ(CompareNamesNoCase("\x83\x41", "\x83\x61"), 0);
  // ... in Shift-JIS each is one character, and they differ.
  ASSERT_TRUE(SetLegacyCodePage("CP932"));
  EXPECT_NE(CompareNamesNoCase("\x83\x41", "\x83\x61"), 0);
  EXPECT_EQ(CompareNamesNoCase("\x83\x41"
                               "A",
                               "\x83\x41"
                               "a"),
            0);
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

}  // namespace
}  // namespace vendrel::dbx
