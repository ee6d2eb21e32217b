#include "platform/code_page.h"

#include <gtest/gtest.h>

namespace vendrel {
namespace {

TEST(CodePage, Windows1252DecodesAccentsAndTypographicQuotesToUtf8) {
  const CodePage cp("WINDOWS-1252");
  ASSERT_TRUE(cp.IsUsable());
  EXPECT_EQ(cp.ToUtf8("Bo\xEEte de r\xE9"
                      "ception"),
            "Boîte de réception");
  EXPECT_EQ(cp.ToUtf8("\x93"
                      "hi\x94 \x96 x"),
            "“hi” – x");
  EXPECT_EQ(cp.ToUtf8(""), "");
}

TEST(CodePage, BytesTheCodePageDoesNotDefineBecomeReplacementCharactersAndDecodingGoesOn) {
  const CodePage cp("WINDOWS-1252");
  EXPECT_EQ(cp.ToUtf8("a\x81"
                      "b\x8D"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
}

TEST(CodePage, LongTextsAreDecodedWhole) {
  const CodePage cp("WINDOWS-1252");
  const std::string legacy(5000, '\xE9');
  std::string expected;
  for (int i = 0; i < 5000; ++i) expected += "é";
  EXPECT_EQ(cp.ToUtf8(legacy), expected);
}

TEST(CodePage, EncodingRefusesCharactersTheCodePageCannotHold) {
  const CodePage cp("WINDOWS-1252");
  EXPECT_EQ(cp.FromUtf8("réception").value(),
            "r\xE9"
            "ception");
  EXPECT_FALSE(cp.FromUtf8("日本").has_value());
  EXPECT_FALSE(cp.FromUtf8("bad \xFF utf-8").has_value());
}

TEST(CodePage, TheLegacyCodePageIsWindows1252UntilChangedAndRefusesUnknownNames) {
  EXPECT_EQ(LegacyCodePage().name(), "WINDOWS-1252");
  EXPECT_FALSE(SetLegacyCodePage("NO-SUCH-CODE-PAGE"));
  EXPECT_EQ(LegacyCodePage().name(), "WINDOWS-1252");

  ASSERT_TRUE(SetLegacyCodePage("CP1251"));
  EXPECT_EQ(LegacyCodePage().ToUtf8("\xCF\xF0\xE8"), "При");
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

}  // namespace
}  // namespace vendrel
