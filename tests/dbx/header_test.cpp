// The file header: the kind of a file, its texts and the rows the explorer lists for it.
#include "dbx/header.h"

#include <gtest/gtest.h>

#include "dbx/header_rows.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using namespace testsupport;

std::string Column(const std::vector<FieldRow>& rows, std::string FieldRow::*column) {
  std::string joined;
  for (const FieldRow& row : rows) joined += row.*column + "|";
  return joined;
}

// Every word of the file holds its own RA, so each row must show the RA it names.
TEST(HeaderRows, EveryFieldIsListedInOrderWithItsOwnRaAndTheFolderFieldsOnlyForMessages) {
  DbxBuilder builder(DbKind::Message);
  for (uint32_t ra = 0x24; ra < 0x104; ra += 4) builder.SetU32(ra, ra);
  builder.SetU32(0x14, 0x04030201)
      .SetFolder({.typeName = "Local\xA0Store", .name = "Bo\xEEte \x93out\x94", .folderId = kFolderIdField});
  const std::vector<FieldRow> rows = HeaderRows(DbFile(builder).store);
  EXPECT_EQ(Column(rows, &FieldRow::name),
            "Magic|CLSID|Version?|Version?|Unknown|Unknown|RA entry heap|size|used|RA index heap|size|used|"
            "RA array 3C|size|used?|RA Last deleted?|RA Last deleted?|RA Last deleted?|Unk54?|Unk58?|"
            "LastAssgID|Allocated Size|Count[0]|Count[1]|Count[2]|Count[3]|Count[4]|Count[5]|Count[6]|"
            "Count[7]|Index[0] RA|Index[1] RA|Index[2] RA|Index[3] RA|Index[4] RA|Index[5] RA|Index[6] RA|"
            "Index[7] RA|ProtoType|TypeName|Type|Name|FolderID|To be continued...|");
  for (size_t i = 6; i < 38; ++i) EXPECT_EQ(rows[i].value, rows[i].ra) << rows[i].name;
  EXPECT_EQ(rows[42].value, rows[42].ra);
  const std::string ras = Column(rows, &FieldRow::ra), values = Column(rows, &FieldRow::value);
  EXPECT_EQ(ras.substr(0, 54), "00000000|00000004|00000014|00000018|0000001C|00000020|");
  EXPECT_EQ(ras.substr(38 * 9), "000024C0|000024C1|000025C0|000025C1|000026E0||");
  EXPECT_EQ(rows[0], (FieldRow{"Magic", "00000000", "FE12ADCF", "Means DBX"}));
  EXPECT_EQ(rows[1], (FieldRow{"CLSID", "00000004", "{6F74FDC5-E366-11D1-9A4E-00C04FA309D4}",
                               "CLSID_MessageDatabase"}));
  EXPECT_EQ(rows[2].value, "01020304");
  EXPECT_EQ(rows[4], (FieldRow{"Unknown", "0000001C", "18060000", "What is it?"}));
  EXPECT_EQ(values.substr(values.find("|03|")), "|03|Local\u00A0Store|00|Boîte “out”|000026E0||");
  EXPECT_TRUE(Column(rows, &FieldRow::description)
                  .starts_with("Means DBX|CLSID_MessageDatabase|OE5.0?|OE5.0?|What is it?|Always zero?|"));

  // A folder database has no folder fields; another class identifier is an error.
  const std::vector<FieldRow> folders =
      HeaderRows(DbFile(DbxBuilder(DbKind::Folder).SetU8(kClsidField + 15, 0)).store);
  ASSERT_TRUE(folders.size() == 39u && folders[38].name == "To be continued...");
  EXPECT_EQ(folders[1], (FieldRow{"CLSID", "00000004", "{6F74FDC6-E366-11D1-9A4E-00C04FA30900}", "Error"}));
}

}  // namespace
}  // namespace vendrel::dbx
