#include "export/line_ends.h"

#include <gtest/gtest.h>

#include <random>

namespace vendrel {
namespace {

std::string Convert(const std::vector<std::string>& pieces) {
  CrLfNormalizer normalizer;
  std::string out;
  StringSink sink(out);
  for (const std::string& piece : pieces) {
    normalizer.Feed(std::span(reinterpret_cast<const uint8_t*>(piece.data()), piece.size()), sink);
  }
  normalizer.Finish(sink);
  return out;
}

// Byte by byte, as plainly as it can be said: what the normalizer must give.
std::string Reference(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += "\r\n";
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else if (text[i] == '\n') {
      out += "\r\n";
    } else {
      out += text[i];
    }
  }
  return out;
}

TEST(CrLfNormalizer, EveryKindOfLineEndBecomesOneCrLfAlsoSplitBetweenPieces) {
  EXPECT_EQ(Convert({"a\r\nb\r\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\nb\n"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\rb\r"}), "a\r\nb\r\n");
  EXPECT_EQ(Convert({"a\r\r\nb\n\rc"}), "a\r\n\r\nb\r\n\r\nc");
  EXPECT_EQ(Convert({"a\r", "\nb"}), "a\r\nb");
  EXPECT_EQ(Convert({"a\r", "", "\n"}), "a\r\n");
  EXPECT_EQ(Convert({"\r", "\r", "\r"}), "\r\n\r\n\r\n");
  EXPECT_EQ(Convert({""}), "");

  // Long texts, every line end anywhere in a run of sixteen bytes, cut into pieces anywhere.
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    const size_t length = random() % 200;
    for (size_t i = 0; i < length; ++i) {
      const unsigned pick = random() % 16;
      text += pick == 0 ? '\r' : pick == 1 ? '\n' : static_cast<char>('a' + pick);
    }
    std::vector<std::string> pieces;
    for (size_t at = 0; at < text.size();) {
      const size_t size = std::min<size_t>(random() % 40, text.size() - at);
      pieces.push_back(text.substr(at, size));
      at += size;
    }
    ASSERT_EQ(Convert(pieces), Reference(text)) << round;
  }
}

}  // namespace
}  // namespace vendrel
