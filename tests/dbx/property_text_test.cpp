#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "dbx/property_names.h"
#include "dbx/property_value_text.h"
#include "dbx/record.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::DbKind;
using testsupport::DbxBuilder;

constexpr uint32_t Direct(uint8_t id, uint32_t value) {
  return id | 0x80u | value << 8;
}
constexpr uint32_t Indirect(uint8_t id, uint32_t offset) {
  return id | offset << 8;
}

// The rows of one raw record: name and value text of each entry.
std::vector<std::pair<std::string, std::string>> Rows(DbKind kind, std::span<const uint32_t> entries,
                                                      std::span<const uint8_t> data) {
  DbxBuilder builder(kind);
  const uint32_t ra = builder.AddRawRecord(entries, data);
  DbFile db(builder);
  std::vector<std::pair<std::string, std::string>> rows;
  for (unsigned i = 0; i < entries.size(); ++i) {
    const PropertyEntry entry = *PropertyAt(db.store, ra, i);
    rows.emplace_back(PropertyName(db.store, entry),
                      PropertyValueText(db.store, entry, DataAreaRa(db.store, ra)));
  }
  return rows;
}

using Row = std::pair<std::string, std::string>;

TEST(PropertyText, DirectValuesShowAsHexWithDecimalForUnnamedIdsAndABlankAfterAnyInfo) {
  const uint32_t entries[] = {Direct(0x02, 0xAB), Direct(0x15, 0x10), Direct(0x06, 0x10), Direct(0x01, 0)};
  EXPECT_EQ(Rows(DbKind::Folder, entries, {}), (std::vector<Row>{{"DisplayName", "0000AB"},
                                                                 {"15(95)", "000010(16)"},
                                                                 {"Any info", "00000010 "},
                                                                 {"ParentID", "000000"}}));
}

TEST(PropertyText, UnnamedIdsShowTheirIdAndWholeFirstByte) {
  const uint32_t entries[] = {Direct(0x1F, 1), Indirect(0x03, 0), Indirect(0x7F, 0)};
  const uint8_t data[] = {1, 0, 0, 0};
  EXPECT_EQ(Rows(DbKind::Message, entries, data),
            (std::vector<Row>{{"1F(9F)", "000001(1)"}, {"03(03)", "00000001"}, {"7F(7F)", ""}}));
}

TEST(PropertyText, IndirectValuesFollowTheKindTableOfTheDatabase) {
  const uint8_t data[] = {0x78, 0x56, 0x34, 0x12, 'R', 0xE9, 's', 0, 0x10, 0, 0, 0};
  const uint32_t folderEntries[] = {Indirect(0x00, 0), Indirect(0x02, 4), Indirect(0x06, 8),
                                    Indirect(0x14, 4)};
  EXPECT_EQ(Rows(DbKind::Folder, folderEntries, data), (std::vector<Row>{{"FolderID", "12345678"},
                                                                         {"DisplayName", "Rés"},
                                                                         {"Any info", "00000010 "},
                                                                         {"HttpFolderID?", "Rés"}}));
  const uint32_t messageEntries[] = {Indirect(0x11, 0), Indirect(0x05, 4), Indirect(0x06, 0),
                                     Indirect(0x1D, 0)};
  const auto rows = Rows(DbKind::Message, messageEntries, data);
  EXPECT_EQ(rows[0], (Row{"MsgTextSize", "12345678"}));
  EXPECT_EQ(rows[1], (Row{"Subject(Original)", "Rés"}));
  EXPECT_EQ(rows[2].first, "Received");  // a FILETIME: shown as a date, checked below
  EXPECT_EQ(rows[3], (Row{"1D(1D)", ""}));
}

TEST(PropertyText, FileTimesShowInLocalTimeDayFirst) {
  const char* oldTz = std::getenv("TZ");
  const std::string saved = oldTz != nullptr ? oldTz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  // 2007-03-04 05:06:07 UTC.
  const uint64_t ticks = (1172984767ull + 11644473600ull) * 10000000ull;
  EXPECT_EQ(FileTimeText(ticks), "04/03/2007 05:06:07");
  setenv("TZ", "CET-1", 1);
  tzset();
  EXPECT_EQ(FileTimeText(ticks), "04/03/2007 06:06:07");

  uint8_t data[8];
  for (int i = 0; i < 8; ++i) data[i] = static_cast<uint8_t>(ticks >> (8 * i));
  const uint32_t entries[] = {Indirect(0x02, 0), Indirect(0x12, 0)};
  EXPECT_EQ(Rows(DbKind::Message, entries, data),
            (std::vector<Row>{{"Sent", "04/03/2007 06:06:07"}, {"TimeCreated", "04/03/2007 06:06:07"}}));
  if (oldTz != nullptr) {
    setenv("TZ", saved.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
}

TEST(PropertyText, ValuesOutsideTheFileShowNothing) {
  const uint32_t entries[] = {Indirect(0x00, 0xFFFFF0), Indirect(0x02, 0xFFFFF0), Indirect(0x05, 0xFFFFF0)};
  const auto rows = Rows(DbKind::Message, entries, {});
  for (const Row& row : rows) EXPECT_EQ(row.second, "") << row.first;
}

TEST(PropertyNames, BothTablesHave29EntriesWithTheirGaps) {
  EXPECT_STREQ(FolderPropertyNames[0x14], "HttpFolderID?");
  EXPECT_STREQ(FolderPropertyNames[0x1C], "WatchMsgCount");
  EXPECT_EQ(FolderPropertyNames[0x0B], nullptr);
  EXPECT_STREQ(MessagePropertyNames[0x0F], "CP");
  EXPECT_STREQ(MessagePropertyNames[0x1A], "OutAccount");
  EXPECT_EQ(MessagePropertyNames[0x03], nullptr);
  EXPECT_EQ(PropertyName(true, PropertyEntry{0x9F}), "1F(9F)");
  EXPECT_EQ(PropertyName(false, PropertyEntry{0x1B}), "WatchMsgUnreadCount");
}

}  // namespace
}  // namespace vendrel::dbx
