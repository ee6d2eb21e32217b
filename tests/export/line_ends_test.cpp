#include "export/line_ends.h"

#include <gtest/gtest.h>

namespace vendrel {
namespace {

std::string Convert(std::initializer_list<std::string_view> pieces) {
  CrLfNormalizer normalizer;
  std::string out;
  for (const std::string_view piece : pieces) {
    normalizer.Feed(std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), out);
  }
  normalizer.Finish(out);
  return out;
}

TEST(CrLfNormalizer, EveryKindOfLineEndBecomesOneCrLf) {
  EXPECT_EQ(Convert({"a\r\nb\r\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\nb\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\rb\r"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\r\r\nb\n\rc"}), "a\r\n\r\nb\r\n\r\nc");
  EXPECT_EQ(Convert({"no line end"}), "no line end");
  EXPECT_EQ(Convert({""}), "");
}

TEST(CrLfNormalizer, APairSplitBetweenTwoPiecesStaysOneLineEnd) {
  EXPECT_EQ(Convert({"a\r", "\nb"}), "a\r\nb");
  EXPECT_EQ(Convert({"a\r", "b"}), "a\r\nb");
  EXPECT_EQ(Convert({"a\r", "", "\n"}), "a\r\n");
  EXPECT_EQ(Convert({"\r", "\r", "\r"}), "\r\n\r\n\r\n");
}

}  // namespace
}  // namespace vendrel
