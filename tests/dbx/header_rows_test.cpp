#include "dbx/header_rows.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "platform/code_page.h"
#include "support/dbx_builder.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::FolderDescription;

class HeaderRowsTest : public testing::Test {
 protected:
  std::vector<FieldRow> RowsOf(std::span<const uint8_t> bytes) {
    testsupport::WriteFileBytes(dir / "db.dbx", bytes);
    DbStore store;
    EXPECT_TRUE(store.Open((dir / "db.dbx").string()));
    return HeaderRows(store);
  }

  static const FieldRow* Find(const std::vector<FieldRow>& rows, const std::string& name) {
    const auto it = std::find_if(rows.begin(), rows.end(), [&](const FieldRow& r) { return r.name == name; });
    return it != rows.end() ? &*it : nullptr;
  }

  static std::vector<std::string> Names(const std::vector<FieldRow>& rows) {
    std::vector<std::string> names;
    for (const FieldRow& row : rows) names.push_back(row.name);
    return names;
  }

  testsupport::TempDir dir;
};

TEST_F(HeaderRowsTest, AMessageDatabaseListsEveryHeaderFieldInOrderWithTheFolderFieldsLast) {
  FolderDescription outbox;
  outbox.name = "Outbox";
  outbox.folderId = 0x1D;
  DbxBuilder builder(DbKind::Message);
  builder.SetFolder(outbox)
      .SetDescriptor(0x24, 0x2AD4, 0xC000, 0x540C)
      .SetDescriptor(0x30, 0x1E254, 0x3E1C, 0x27C)
      .SetLastAssignedId(0x1D)
      .SetIndexSlot(0, 0x1E254, 28)
      .SetU32(0x14, 0x05)
      .SetU32(0x1C, 0x618);
  const std::vector<FieldRow> rows = RowsOf(builder.bytes());

  const std::vector<std::string> expectedNames = {"Magic",
                                                  "CLSID",
                                                  "Version?",
                                                  "Version?",
                                                  "Unknown",
                                                  "Unknown",
                                                  "RA entry heap",
                                                  "size",
                                                  "used",
                                                  "RA index heap",
                                                  "size",
                                                  "used",
                                                  "RA array 3C",
                                                  "size",
                                                  "used?",
                                                  "RA Last deleted?",
                                                  "RA Last deleted?",
                                                  "RA Last deleted?",
                                                  "Unk54?",
                                                  "Unk58?",
                                                  "LastAssgID",
                                                  "Allocated Size",
                                                  "Count[0]",
                                                  "Count[1]",
                                                  "Count[2]",
                                                  "Count[3]",
                                                  "Count[4]",
                                                  "Count[5]",
                                                  "Count[6]",
                                                  "Count[7]",
                                                  "Index[0] RA",
                                                  "Index[1] RA",
                                                  "Index[2] RA",
                                                  "Index[3] RA",
                                                  "Index[4] RA",
                                                  "Index[5] RA",
                                                  "Index[6] RA",
                                                  "Index[7] RA",
                                                  "ProtoType",
                                                  "TypeName",
                                                  "Type",
                                                  "Name",
                                                  "FolderID",
                                                  "To be continued..."};
  EXPECT_EQ(Names(rows), expectedNames);

  EXPECT_EQ(rows[0], (FieldRow{"Magic", "00000000", "FE12ADCF", "Means DBX"}));
  EXPECT_EQ(rows[1], (FieldRow{"CLSID", "00000004", "{6F74FDC5-E366-11D1-9A4E-00C04FA309D4}",
                               "CLSID_MessageDatabase"}));
  EXPECT_EQ(rows[2], (FieldRow{"Version?", "00000014", "05000000", "OE5.0?"}));
  EXPECT_EQ(rows[4], (FieldRow{"Unknown", "0000001C", "18060000", "What is it?"}));
  EXPECT_EQ(rows[5], (FieldRow{"Unknown", "00000020", "00000000", "Always zero?"}));
  EXPECT_EQ(rows[6].value, "00002AD4");
  EXPECT_EQ(rows[6].description,
            "allocation status :in new DBX - RA ........((MSGCOL_FLAGS & ARF_WATCH) != 0 || "
            "(MSGCOL_FLAGS & ARF_IGNORE) != 0)");
  EXPECT_EQ(rows[9], (FieldRow{"RA index heap", "00000030", "0001E254", "allocation status"}));
  EXPECT_EQ(rows[10], (FieldRow{"size", "00000034", "00003E1C", "byte(s)"}));
  EXPECT_EQ(rows[17], (FieldRow{"RA Last deleted?", "00000050", "00000000", "RA"}));
  EXPECT_EQ(rows[18], (FieldRow{"Unk54?", "00000054", "00000000", "default 0x50"}));
  EXPECT_EQ(rows[20], (FieldRow{"LastAssgID", "0000005C", "0000001D", ""}));
  EXPECT_EQ(rows[21].ra, "0000007C");
  EXPECT_EQ(rows[22], (FieldRow{"Count[0]", "000000C4", "0000001C", "elem count (see below)"}));
  EXPECT_EQ(rows[30], (FieldRow{"Index[0] RA", "000000E4", "0001E254", "start index (see upper)"}));
  EXPECT_EQ(rows[37], (FieldRow{"Index[7] RA", "00000100", "00000000", "start index (see upper)"}));
  EXPECT_EQ(rows[38], (FieldRow{"ProtoType", "000024C0", "03", ""}));
  EXPECT_EQ(rows[39], (FieldRow{"TypeName", "000024C1", "LocalStore", ""}));
  EXPECT_EQ(rows[40], (FieldRow{"Type", "000025C0", "00", ""}));
  EXPECT_EQ(rows[41], (FieldRow{"Name", "000025C1", "Outbox", ""}));
  EXPECT_EQ(rows[42], (FieldRow{"FolderID", "000026E0", "0000001D", ""}));
  EXPECT_EQ(rows[43], (FieldRow{"To be continued...", "", "", ""}));
}

TEST_F(HeaderRowsTest, AFolderDatabaseHasNoFolderFields) {
  const std::vector<FieldRow> rows = RowsOf(DbxBuilder(DbKind::Folder).bytes());
  ASSERT_EQ(rows.size(), 39u);
  EXPECT_EQ(rows[1], (FieldRow{"CLSID", "00000004", "{6F74FDC6-E366-11D1-9A4E-00C04FA309D4}",
                               "CLSID_FolderDatabase"}));
  EXPECT_EQ(rows[37].name, "Index[7] RA");
  EXPECT_EQ(rows.back(), (FieldRow{"To be continued...", "", "", ""}));
  for (const char* name : {"ProtoType", "TypeName", "Type", "Name", "FolderID"}) {
    EXPECT_EQ(Find(rows, name), nullptr) << name;
  }
}

TEST_F(HeaderRowsTest, AnUnknownClassIdentifierIsDescribedAsError) {
  Clsid other = kClsidFolderDatabase;
  other[15] = 0;
  const std::vector<FieldRow> rows = RowsOf(DbxBuilder(DbKind::Folder).SetClsid(other).bytes());
  EXPECT_EQ(rows[1].description, "Error");
  EXPECT_EQ(rows[1].value, "{6F74FDC6-E366-11D1-9A4E-00C04FA30900}");
}

TEST_F(HeaderRowsTest, FolderTextsAreDecodedFromTheLegacyCodePage) {
  FolderDescription folder;
  folder.name =
      "Bo\xEEte \x93"
      "re\xE7"
      "u\x94";
  folder.typeName = "Local\xA0Store";
  const std::vector<FieldRow> rows = RowsOf(DbxBuilder(DbKind::Message).SetFolder(folder).bytes());
  EXPECT_EQ(Find(rows, "Name")->value, "Boîte “reçu”");
  EXPECT_EQ(Find(rows, "TypeName")->value, "Local\u00A0Store");

  ASSERT_TRUE(SetLegacyCodePage("CP1251"));
  folder.name = "\xC2\xF5\xEE\xE4\xFF\xF9\xE8\xE5";
  const std::vector<FieldRow> cyrillic = RowsOf(DbxBuilder(DbKind::Message).SetFolder(folder).bytes());
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
  EXPECT_EQ(Find(cyrillic, "Name")->value, "Входящие");
}

TEST_F(HeaderRowsTest, AShortDamagedFileKeepsEveryRowAndShowsNoValueForWhatIsMissing) {
  const std::vector<uint8_t> full = DbxBuilder(DbKind::Message).SetLastAssignedId(9).bytes();
  const std::vector<FieldRow> rows = RowsOf(std::span(full).first(100));
  ASSERT_EQ(rows.size(), 44u);
  EXPECT_EQ(Find(rows, "LastAssgID")->value, "00000009");  // 0x5C still lies inside
  EXPECT_EQ(Find(rows, "Allocated Size")->value, "");      // 0x7C does not
  EXPECT_EQ(Find(rows, "Name")->value, "");
  EXPECT_EQ(Find(rows, "FolderID")->value, "");
  EXPECT_EQ(rows.back().name, "To be continued...");
}

TEST_F(HeaderRowsTest, AFileThatEndsInsideAFieldShowsNoValueForThatField) {
  const std::vector<uint8_t> full = DbxBuilder(DbKind::Message).bytes();
  const std::vector<FieldRow> rows = RowsOf(std::span(full).first(dbx::kFolderIdField + 2));
  EXPECT_EQ(Find(rows, "Name")->value, "Inbox");
  EXPECT_EQ(Find(rows, "FolderID")->value, "");
}

}  // namespace
}  // namespace vendrel::dbx
