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
  EXPECT_EQ(GetSafeDispName("caf\xE9"), "caf\xE9");
}

TEST(GetSafeDispName, NeverSplitsOrAltersADoubleByteCharacter) {
  ASSERT_TRUE(SetLegacyCodePage("CP932"));
  // 0x95 0x5C is one character whose trail byte is a backslash.
  EXPECT_EQ(GetSafeDispName("\x95\x5C/"), "\x95\x5C_");
  const std::string twenty(40, '\x82');  // twenty two-byte characters (lead 0x82, trail 0x82)
  EXPECT_EQ(GetSafeDispName("a" + twenty, 21), "a" + std::string(38, '\x82'));
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
            "Bo\xEEte de r\xE9"
            "ception");
}

}  // namespace
}  // namespace vendrel
