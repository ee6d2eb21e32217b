#include "dbx/header.h"

#include <gtest/gtest.h>

#include "support/dbx_builder.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;

class FileKind : public testing::Test {
 protected:
  DbStore& Open(std::span<const uint8_t> bytes) {
    testsupport::WriteFileBytes(dir / "db.dbx", bytes);
    store.Close();
    EXPECT_TRUE(store.Open((dir / "db.dbx").string()));
    return store;
  }

  testsupport::TempDir dir;
  DbStore store;
};

TEST_F(FileKind, TheClassIdentifierTellsFolderAndMessageDatabasesApart) {
  Open(DbxBuilder(DbKind::Folder).bytes());
  EXPECT_TRUE(IsDbxFile(&store));
  EXPECT_TRUE(IsFolderDatabase(&store));
  EXPECT_FALSE(IsMessageDatabase(&store));

  Open(DbxBuilder(DbKind::Message).bytes());
  EXPECT_TRUE(IsDbxFile(&store));
  EXPECT_FALSE(IsFolderDatabase(&store));
  EXPECT_TRUE(IsMessageDatabase(&store));
}

TEST_F(FileKind, AnyOtherMagicIsNoDbxFileWhateverFollows) {
  Open(DbxBuilder(DbKind::Message).SetMagic(0xFE12ADCE).bytes());
  EXPECT_FALSE(IsDbxFile(&store));
  EXPECT_FALSE(IsMessageDatabase(&store));
}

TEST_F(FileKind, TheMagicWithAnotherClassIdentifierIsADbxFileOfNeitherKind) {
  Clsid other = kClsidMessageDatabase;
  other[0] = 0xC7;
  Open(DbxBuilder(DbKind::Message).SetClsid(other).bytes());
  EXPECT_TRUE(IsDbxFile(&store));
  EXPECT_FALSE(IsFolderDatabase(&store));
  EXPECT_FALSE(IsMessageDatabase(&store));
}

TEST_F(FileKind, TinyFilesAreJudgedWithoutReadingPastTheirEnd) {
  const std::vector<uint8_t> full = DbxBuilder(DbKind::Message).bytes();
  Open(std::span(full).first(3));
  EXPECT_FALSE(IsDbxFile(&store));
  Open(std::span(full).first(4));  // the magic alone
  EXPECT_TRUE(IsDbxFile(&store));
  EXPECT_FALSE(IsFolderDatabase(&store));
  EXPECT_FALSE(IsMessageDatabase(&store));
  Open(std::span(full).first(19));  // the class identifier cut short by one byte
  EXPECT_FALSE(IsMessageDatabase(&store));
  Open(std::span(full).first(20));
  EXPECT_TRUE(IsMessageDatabase(&store));
}

TEST_F(FileKind, AMissingOrClosedSessionIsNoDbxFile) {
  EXPECT_FALSE(IsDbxFile(nullptr));
  EXPECT_FALSE(IsFolderDatabase(nullptr));
  EXPECT_FALSE(IsMessageDatabase(nullptr));
  Open(DbxBuilder(DbKind::Folder).bytes());
  store.Close();
  EXPECT_FALSE(IsDbxFile(&store));
  EXPECT_FALSE(IsFolderDatabase(&store));
}

TEST(ClsidText, IsTheRegistryFormOfTheBytes) {
  EXPECT_EQ(ClsidText(kClsidFolderDatabase.data()), "{6F74FDC6-E366-11D1-9A4E-00C04FA309D4}");
  EXPECT_EQ(ClsidText(kClsidMessageDatabase.data()), "{6F74FDC5-E366-11D1-9A4E-00C04FA309D4}");
}

TEST_F(FileKind, HeaderTextsEndAtTheirTerminatorTheirFieldOrTheFile) {
  DbxBuilder builder(DbKind::Message);
  builder.SetText(kFolderNameField, "Inbox");
  Open(builder.bytes());
  EXPECT_EQ(HeaderTextBytes(store, kFolderNameField, kFolderIdField), "Inbox");
  EXPECT_EQ(HeaderTextBytes(store, kFolderNameField, kFolderNameField), "");

  // A name that fills its whole field without a terminator stops at the next field.
  const std::string full(kFolderIdField - kFolderNameField, 'n');
  builder.SetBytes(kFolderNameField, std::span(reinterpret_cast<const uint8_t*>(full.data()), full.size()));
  Open(builder.bytes());
  EXPECT_EQ(HeaderTextBytes(store, kFolderNameField, kFolderIdField), full);

  // A file that ends inside the name.
  Open(std::span(builder.bytes()).first(kFolderNameField + 3));
  EXPECT_EQ(HeaderTextBytes(store, kFolderNameField, kFolderIdField), "nnn");
  Open(std::span(builder.bytes()).first(100));
  EXPECT_EQ(HeaderTextBytes(store, kFolderNameField, kFolderIdField), "");
}

}  // namespace
}  // namespace vendrel::dbx
