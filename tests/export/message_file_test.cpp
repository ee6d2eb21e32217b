#include "export/message_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "dbx/record.h"
#include "export/export_path.h"
#include "support/db_file.h"
#include "support/scoped_desktop.h"

namespace vendrel {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::MessageSpec;
namespace fs = std::filesystem;

class WriteMessageFileTest : public testing::Test {
 protected:
  uint32_t Message(const std::string& text, uint32_t room = 0x200) {
    MessageSpec message;
    message.id = ++lastId;
    message.text = text;
    message.textBlockRoom = room;
    return builder.AddMessage(message);
  }

  std::string Written(const fs::path& path) {
    const std::vector<uint8_t> bytes = testsupport::ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
  }

  DbxBuilder builder{DbKind::Message};
  uint32_t lastId = 1;
  testsupport::TempDir out;
  testsupport::ScopedDesktop desktop;
};

TEST_F(WriteMessageFileTest, TheFileHoldsTheStoredTextWithCrLfLineEndsWhateverTheStoredOnes) {
  const uint32_t crlf = Message("Subject: a\r\n\r\nline\r\n");
  const uint32_t lf = Message("Subject: a\n\nline\n");
  const uint32_t cr = Message("Subject: a\r\rline\r");
  DbFile db(builder);
  for (const uint32_t ra : {crlf, lf, cr}) {
    ASSERT_TRUE(WriteMessageFile(db.store, ra, (out / "m.eml").string()));
    EXPECT_EQ(Written(out / "m.eml"), "Subject: a\r\n\r\nline\r\n");
  }
}

TEST_F(WriteMessageFileTest, LongChainsComeOutWholeAndALineEndSplitBetweenBlocksStaysOne) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "line " + std::to_string(i) + "\r\n";
  const uint32_t ra = Message(text, 7);  // many blocks, CR and LF often in different blocks
  DbFile db(builder);
  ASSERT_TRUE(WriteMessageFile(db.store, ra, (out / "long.eml").string()));
  EXPECT_EQ(Written(out / "long.eml"), text);
  EXPECT_EQ(desktop.desktop.statusLines(), (std::vector{(out / "long.eml").string()}));
}

TEST_F(WriteMessageFileTest, AChainThatEndsInAnInvalidBlockGivesWhatCameBefore) {
  const uint32_t ra = Message(std::string(600, 'a') + std::string(600, 'b'), 600);
  DbFile db(builder);
  const uint32_t firstBlock = dbx::GetTextOffset(db.store, ra);
  db.store.WriteU32(*db.store.ReadU32(firstBlock + 12), 0);  // untag the second block
  ASSERT_TRUE(WriteMessageFile(db.store, ra, (out / "cut.eml").string()));
  EXPECT_EQ(Written(out / "cut.eml"), std::string(600, 'a'));
}

TEST_F(WriteMessageFileTest, AMessageWithoutTextLeavesNoFile) {
  const uint32_t ra = Message("");
  DbFile db(builder);
  EXPECT_FALSE(WriteMessageFile(db.store, ra, (out / "none.eml").string()));
  EXPECT_FALSE(fs::exists(out / "none.eml"));
  EXPECT_FALSE(CanExport(db.store, ra, true));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].text, "No body - possible not to download!");
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Can't show");
  EXPECT_FALSE(CanExport(db.store, ra, false));
  EXPECT_EQ(desktop.desktop.messages().size(), 1u);
}

TEST_F(WriteMessageFileTest, AnExistingFileIsOverwrittenButALinkIsNotFollowed) {
  const uint32_t ra = Message("new\r\n");
  DbFile db(builder);
  testsupport::WriteFileBytes(out / "old.eml", std::vector<uint8_t>(100, 'x'));
  ASSERT_TRUE(WriteMessageFile(db.store, ra, (out / "old.eml").string()));
  EXPECT_EQ(Written(out / "old.eml"), "new\r\n");

  testsupport::TempDir elsewhere;
  testsupport::WriteFileBytes(elsewhere / "target", std::vector<uint8_t>{'k'});
  fs::create_symlink(elsewhere / "target", out / "link.eml");
  EXPECT_FALSE(WriteMessageFile(db.store, ra, (out / "link.eml").string()));
  EXPECT_EQ(Written(elsewhere / "target"), "k");
  ASSERT_EQ(desktop.desktop.diagnostics().size(), 1u);
  EXPECT_EQ(desktop.desktop.diagnostics()[0],
            "    BAG! File " + (out / "link.eml").string() + " failed to create!\nCheck GetSafeDispName()\n");
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

TEST(MakeExportPath, APathLongerThanAPathCanBeIsRefusedNotCut) {
  testsupport::DbxBuilder builder(testsupport::DbKind::Message);
  testsupport::MessageSpec message;
  message.id = 2;
  message.subject = "s";
  const uint32_t ra = builder.AddMessage(message);
  testsupport::DbFile db(builder);
  EXPECT_EQ(MakeExportPath(db.store, ra, "/out"), "/out/s 00000005_00000002.eml");
  EXPECT_FALSE(MakeExportPath(db.store, ra, "/" + std::string(5000, 'd')).has_value());
  EXPECT_FALSE(MakeExportPath(db.store, ra, "").has_value());
  EXPECT_FALSE(MakeExportPath(db.store, ra + 4, "/out").has_value());
}

TEST(MakeDirectory, ALinkInPlaceOfTheFolderDirectoryIsNotADirectoryToSaveInto) {
  testsupport::TempDir out, elsewhere;
  EXPECT_TRUE(MakeDirectory((out / "Inbox").string()));
  EXPECT_TRUE(MakeDirectory((out / "Inbox").string()));  // an existing one is fine
  std::filesystem::create_directory_symlink(elsewhere.path(), out / "Outbox");
  EXPECT_FALSE(MakeDirectory((out / "Outbox").string()));
  EXPECT_FALSE(MakeDirectory(""));
}

}  // namespace
}  // namespace vendrel
