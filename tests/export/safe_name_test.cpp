#include "export/safe_name.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"

namespace vendrel {
namespace {

TEST(GetSafeDispName, AMissingOrEmptySubjectIsNoSubject) {
  EXPECT_EQ(GetSafeDispName(std::nullopt), "(No subject)");
  EXPECT_EQ(GetSafeDispName(""), "(No subject)");
}

TEST(GetSafeDispName, KeepsAtMost39CharactersAndReplacesTheTwelveUnsafeOnes) {
  EXPECT_EQ(GetSafeDispName(std::string(50, 'x')), std::string(39, 'x'));
  EXPECT_EQ(GetSafeDispName("a<b>c:d\"e/f\\g|h*i?j\rk\nl\tm"), "a_b_c_d_e_f_g_h_i_j_k_l_m");
  // Nothing else changes: no trimming of blanks or dots.
  EXPECT_EQ(GetSafeDispName(" Re: hi. "), " Re_ hi. ");
  EXPECT_EQ(GetSafeDispName("..", 40), "..");
  EXPECT_EQ(GetSafeDispName("caf\xE9"), "café");
  EXPECT_EQ(GetSafeDispName(std::string(50, '\xE9')).size(), 39u * 2);  // 39 characters, not bytes
}

TEST(GetSafeDispName, CountsAndReplacesCharactersOfTheDecodedText) {
  ASSERT_TRUE(SetLegacyCodePage("CP932"));
  // 0x95 0x5C is one character whose trail byte is a backslash: it stays, the slash goes.
  EXPECT_EQ(GetSafeDispName("\x95\x5C/"), "表_");
  EXPECT_EQ(GetSafeDispName("a\x95\x5C\x95\x5C\x95\x5C", 3), "a表");
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

TEST(SafeNames, ACodePageThatDecodesToSlashesAndDotsCannotLeadOutOfTheDirectory) {
  // In UTF-7 "+AC4ALgAv-" decodes to "../": the checks must see the decoded text.
  ASSERT_TRUE(SetLegacyCodePage("UTF-7"));
  EXPECT_EQ(SafeFolderName("+AC4ALgAvAC4ALgAv-tmp"), ".._.._tmp");
  EXPECT_EQ(SafeFolderName("+AC4ALg-"), "__");
  EXPECT_EQ(GetSafeDispName("+AC4ALgAv-x"), ".._x");
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

TEST(SafeFolderName, NamesThatLeadOutOfTheDirectoryBecomePlainNames) {
  EXPECT_EQ(SafeFolderName(""), "_");
  EXPECT_EQ(SafeFolderName("."), "_");
  EXPECT_EQ(SafeFolderName(".."), "__");
  EXPECT_EQ(SafeFolderName("../../etc"), ".._.._etc");
  EXPECT_EQ(SafeFolderName("/etc"), "_etc");
  EXPECT_EQ(SafeFolderName("Bo\xEEte de r\xE9"
                           "ception"),
            "Boîte de réception");
}

}  // namespace
}  // namespace vendrel
