// A message's text: the chain of blocks read in place, whatever a damaged file makes of it.
#include "dbx/message_text.h"

#include <gtest/gtest.h>

#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

std::string ReadAll(const DbStore& store, uint32_t first) {
  std::string text;
  const uint64_t delivered = ReadMessageText(store, first, [&](std::span<const uint8_t> bytes) {
    text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  });
  EXPECT_EQ(delivered, text.size());
  return text;
}

TEST(MessageText, ADamagedChainEndsAtItsFirstInvalidBlockOrWhereItLoops) {
  testsupport::DbxBuilder builder(testsupport::DbKind::Message);
  const uint32_t broken = builder.AddTextChain(std::string(600, 'a') + std::string(600, 'b'), 600);
  builder.SetU32(builder.U32(broken + 12), 0);  // the second block no longer starts with its RA
  const uint32_t tooMuch = builder.AddTextBlock(8, 0xFFFFFFFF, "12345678");  // more used than room
  const uint32_t a = builder.AddTextBlock(4, 4, "aaaa"), b = builder.AddTextBlock(4, 4, "bbbb"),
                 c = builder.AddTextBlock(4, 4, "cccc");
  builder.SetU32(a + 12, b).SetU32(b + 12, c).SetU32(c + 12, b);  // a -> b -> c -> b ...
  std::vector<uint32_t> lead;                                     // a long loop after a long lead
  for (int i = 0; i < 300; ++i) lead.push_back(builder.AddTextBlock(1, 1, std::string(1, 'a' + i % 26)));
  for (int i = 0; i + 1 < 300; ++i) builder.SetU32(lead[i] + 12, lead[i + 1]);
  builder.SetU32(lead[299] + 12, lead[120]);
  const uint32_t last = builder.AddTextBlock(4, 4, "tail");
  builder.SetU32(last + 4, 0xFFFFFFFF).SetU32(last + 8, 0x7FFFFFFF);  // claims room past the file
  testsupport::DbFile db(builder.Truncate(last + 16 + 4));

  EXPECT_EQ(ReadAll(db.store, broken), std::string(600, 'a'));
  EXPECT_EQ(ReadAll(db.store, tooMuch), "12345678");
  EXPECT_EQ(ReadAll(db.store, a) + "|" + ReadAll(db.store, b), "aaaabbbbcccc|bbbbcccc");
  EXPECT_EQ(ReadAll(db.store, lead[0]).size(), 300u);
  EXPECT_EQ(ReadAll(db.store, last), "tail");
  EXPECT_EQ(ReadAll(db.store, 0xFFFFFFF0), "");
  EXPECT_FALSE(TextBlockAt(db.store, 0xFFFFFFFC).has_value());
}

}  // namespace
}  // namespace vendrel::dbx
