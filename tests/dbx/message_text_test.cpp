#include "dbx/message_text.h"

#include <gtest/gtest.h>

#include "dbx/record.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;

std::string ReadAll(const DbStore& store, uint32_t first) {
  std::string text;
  const uint64_t delivered = ReadMessageText(store, first, [&](std::span<const uint8_t> bytes) {
    text.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  });
  EXPECT_EQ(delivered, text.size());
  return text;
}

std::string SampleText(size_t size) {
  std::string text;
  for (size_t i = 0; text.size() < size; ++i) text += "Line " + std::to_string(i) + " of the message\r\n";
  text.resize(size);
  return text;
}

TEST(MessageText, ChainsOfManyBlocksOfAnySizeGiveBackTheStoredBytes) {
  for (const uint32_t room : {1u, 7u, 0x200u, 0x1000u}) {
    for (const size_t size : {size_t{1}, size_t{511}, size_t{512}, size_t{513}, size_t{49000}}) {
      DbxBuilder builder(DbKind::Message);
      const std::string text = SampleText(size);
      const uint32_t first = builder.AddTextChain(text, room);
      DbFile db(builder);
      EXPECT_EQ(ReadAll(db.store, first), text) << "room " << room << ", size " << size;
      EXPECT_EQ(ChainLength(db.store, first), (size + room - 1) / room);
    }
  }
}

TEST(MessageText, TheMessageRecordLeadsToItsText) {
  DbxBuilder builder(DbKind::Message);
  testsupport::MessageSpec message;
  message.id = 2;
  message.text = "Subject: hi\r\n\r\nbare LF\nbare CR\rend";
  const uint32_t ra = builder.AddMessage(message);
  testsupport::MessageSpec bodiless;
  bodiless.id = 3;
  const uint32_t noText = builder.AddMessage(bodiless);
  DbFile db(builder);
  EXPECT_EQ(ReadAll(db.store, GetTextOffset(db.store, ra)), message.text);
  EXPECT_EQ(GetTextOffset(db.store, noText), 0u);
  EXPECT_EQ(ReadAll(db.store, GetTextOffset(db.store, noText)), "");
}

TEST(MessageText, AnInvalidBlockEndsTheChainAfterWhatCameBefore) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t first = builder.AddTextChain(std::string(600, 'a') + std::string(600, 'b'), 600);
  const uint32_t second = builder.U32(first + 12);
  builder.SetU32(second, second + 4);  // the second block no longer starts with its RA
  DbFile db(builder);
  EXPECT_EQ(ReadAll(db.store, first), std::string(600, 'a'));
}

TEST(MessageText, UsedIsBoundedByTheRoomOfTheBlockAndByTheFile) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t tooMuch = builder.AddTextBlock(8, 0xFFFFFFFF, "12345678");
  const uint32_t last = builder.AddTextBlock(4, 4, "tail");
  builder.SetU32(last + 4, 0xFFFFFFFF).SetU32(last + 8, 0x7FFFFFFF);  // claims room past the file
  builder.Truncate(last + 16 + 4);
  DbFile db(builder);
  EXPECT_EQ(ReadAll(db.store, tooMuch), "12345678");
  EXPECT_EQ(ReadAll(db.store, last), "tail");
  EXPECT_EQ(TextBlockAt(db.store, last)->text.size(), 4u);
}

TEST(MessageText, AChainThatLoopsIsReadOnceRound) {
  DbxBuilder builder(DbKind::Message);
  const uint32_t a = builder.AddTextBlock(4, 4, "aaaa");
  const uint32_t b = builder.AddTextBlock(4, 4, "bbbb");
  const uint32_t c = builder.AddTextBlock(4, 4, "cccc");
  builder.SetU32(a + 12, b).SetU32(b + 12, c).SetU32(c + 12, b);  // a -> b -> c -> b ...
  const uint32_t self = builder.AddTextBlock(4, 4, "ssss", 0);
  builder.SetU32(self + 12, self);
  DbFile db(builder);
  EXPECT_EQ(ChainLength(db.store, a), 3u);
  EXPECT_EQ(ReadAll(db.store, a), "aaaabbbbcccc");
  EXPECT_EQ(ReadAll(db.store, b), "bbbbcccc");
  EXPECT_EQ(ReadAll(db.store, self), "ssss");
}

TEST(MessageText, ALongLoopAfterALongLeadIsStillReadOnce) {
  DbxBuilder builder(DbKind::Message);
  std::vector<uint32_t> blocks;
  for (int i = 0; i < 300; ++i) blocks.push_back(builder.AddTextBlock(1, 1, std::string(1, 'a' + i % 26)));
  for (int i = 0; i + 1 < 300; ++i) builder.SetU32(blocks[i] + 12, blocks[i + 1]);
  builder.SetU32(blocks[299] + 12, blocks[120]);
  DbFile db(builder);
  EXPECT_EQ(ChainLength(db.store, blocks[0]), 300u);
  EXPECT_EQ(ReadAll(db.store, blocks[0]).size(), 300u);
}

TEST(MessageText, NoChainAtRaZeroOrOutsideTheFile) {
  DbFile db(DbxBuilder(DbKind::Message));
  EXPECT_EQ(ChainLength(db.store, 0), 0u);
  EXPECT_EQ(ReadAll(db.store, 0xFFFFFFF0), "");
  EXPECT_FALSE(TextBlockAt(db.store, 0xFFFFFFFC).has_value());
}

}  // namespace
}  // namespace vendrel::dbx
