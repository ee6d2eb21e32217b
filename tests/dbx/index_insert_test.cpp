// Entering a new folder record into an index tree as folder creation does: tree 0 in the order of
// creation, trees 1 and 2 by parent ID and then name without regard to case. After every insertion the
// tree must be sound, in order, counted, and nothing past a node written.
#include "dbx/index_insert.h"

#include <gtest/gtest.h>

#include "dbx/record.h"
#include "dbx/record_builder.h"
#include "support/db_file.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;

class InsertIntoIndexTest : public testing::Test {
 protected:
  // Makes tree k one full node of the 51 folders n00 to n50 under parent 1, with a guard node right
  // behind it, and opens the file.
  void OpenFullNode(int k) {
    std::vector<uint32_t> records;
    for (uint32_t id = 1; id <= 51; ++id)
      records.push_back(builder.AddFolder({id, 1, "n" + std::to_string(99 + id).substr(1), ""}));
    builder.SetIndex(k, records);
    builder.SetNodeEntries(builder.AddNode(), {{0x4444, 0}});
    db = std::make_unique<DbFile>(builder.SetLastAssignedId(100));
  }
  uint32_t NewFolder(uint32_t parent, const std::string& name) {
    RecordBuilder record(true);
    record.SetInteger(kPropParentOrFlags, parent);
    record.SetString(kPropFolderDisplayName, name);
    return record.Write(db->store);
  }

  testsupport::DbxBuilder builder{testsupport::DbKind::Folder};
  std::unique_ptr<DbFile> db;
};

TEST_F(InsertIntoIndexTest, UnusableRecordsTreesAndAllocationsAreRefusedWithoutAnyChange) {
  builder.SetIndexSlot(2, 0x7FFFFFF0, 0);
  OpenFullNode(1);
  const uint32_t noKey = NewFolder(0, "x"), allOnes = NewFolder(0xFFFFFFFF, "x"), noName = NewFolder(1, "");
  const uint32_t good = NewFolder(1, "n25x");
  db->store.WriteU32(kAllocatedSizeField, 0xFFFFF000);  // no room for the node a full one needs
  db->store.Close();
  const std::vector<uint8_t> before = testsupport::ReadFileBytes(db->path());
  db->Reopen();
  // Tree 2's root does not validate, tree 3 is none, slot 8 does not exist, and good + 4 holds no record.
  for (const auto& [ra, k] : std::vector<std::pair<uint32_t, int>>{
           {noKey, 1}, {allOnes, 1}, {noName, 1}, {good, 1}, {good, 2}, {good, 3}, {good, 8}, {good + 4, 1}})
    EXPECT_FALSE(InsertIntoIndex(db->store, ra, k)) << ra << " into tree " << k;
  db->store.Close();
  EXPECT_EQ(testsupport::ReadFileBytes(db->path()), before);
}

}  // namespace
}  // namespace vendrel::dbx
