// Folder creation never makes an archive worse: it is written whole or not at all, whichever write
// fails, and a damaged folder database is refused unchanged with a message saying so.
#include <gtest/gtest.h>

#include <functional>

#include "dbx/header.h"
#include "dbx/record.h"
#include "dbx/tree_check.h"
#include "items/db_root_item.h"
#include "items/folder_creation.h"
#include "items/in_memory_controls.h"
#include "platform/write_faults.h"
#include "store/allocation.h"
#include "support/dbx_builder.h"
#include "support/scoped_desktop.h"
#include "support/tree_reading.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::FolderSpec;

class FolderSafety : public testing::Test {
 protected:
  // Local Folders with 60 subfolders: full nodes, so that the new folder needs new nodes and room.
  DbxBuilder Store() {
    std::vector<FolderSpec> folders = {{1, 0, "Local Folders", "", true, 0x10}};
    for (uint32_t id = 2; id < 62; ++id)
      folders.push_back({id, 1, "Folder " + std::to_string(id), "", true, 0x01});
    DbxBuilder builder(DbKind::Folder);
    builder.AddFolders(folders);
    builder.SetLastAssignedId(61);
    return builder;
  }
  // Creates "New" under folder 1 in the file the builder makes; whether it says it did.
  bool Create(const DbxBuilder& builder) {
    builder.WriteTo(path);
    const auto root = MakeItem<DbRootItem>(nullptr, 0);
    return root->AttachDatabase(path.string(), nullptr, nullptr, false, false) &&
           InsertFolderRecord(*root, 1, "New");
  }
  // Whether "New" is in every tree of a file whose trees are sound.
  bool Complete() {
    DbStore store;
    dbx::TreeSurvey survey;
    if (!store.Open(path.string()) || dbx::SurveyTrees(store, 3, survey)) return false;
    for (int k = 0; k < 3; ++k) {
      const std::vector<std::string> names = testsupport::NamesInOrder(store, k);
      if (std::count(names.begin(), names.end(), "New") != 1) return false;
    }
    return true;
  }

  testsupport::TempDir dir;
  testsupport::ScopedDesktop desktop;
  std::filesystem::path path = dir / "Folders.dbx";
};

TEST_F(FolderSafety, WhicheverWriteFailsTheFileIsAsBeforeOrHoldsTheWholeFolder) {
  const DbxBuilder store = Store();
  uint64_t failedAt = 1;
  for (;; ++failedAt) {
    ArmWriteFault(failedAt);
    const bool created = Create(store);
    const bool reached = WritePointsPassed() >= failedAt;
    ArmWriteFault(0);
    if (!reached) {
      EXPECT_TRUE(created && Complete()) << "without a failure the folder is made";
      break;
    }
    // A failed write is never taken for a good one: the change is refused and nothing of it written.
    EXPECT_FALSE(created) << "write " << failedAt << " failed, yet the folder was reported made";
    EXPECT_EQ(testsupport::ReadFileBytes(path), store.bytes()) << "write " << failedAt << " failed";
  }
  EXPECT_GT(failedAt, 20u) << "too few write points: the test would prove little";
}

struct Damage {
  const char* what;
  std::function<void(DbxBuilder&)> apply;
};

TEST_F(FolderSafety, ADamagedFolderDatabaseIsRefusedUnchangedWithAMessage) {
  const Damage damages[] = {
      {"free space below live structures",
       [](DbxBuilder& b) {
         b.SetAllocatedSize(testsupport::kBuilderHeaderSize).SetDescriptor(kEntryHeapDescriptor, 0, 0, 0);
       }},
      {"two trees sharing their nodes",
       [](DbxBuilder& b) { b.SetIndexSlot(1, b.U32(dbx::RootSlot(0)), b.U32(dbx::CountSlot(0))); }},
      {"a root whose parent link is not 0",
       [](DbxBuilder& b) { b.SetU32(b.U32(dbx::RootSlot(1)) + 0x0C, 0x3000); }},
      {"a tree count that does not add up", [](DbxBuilder& b) { b.SetU32(dbx::CountSlot(2), 7); }},
      {"a last ID below a folder's", [](DbxBuilder& b) { b.SetLastAssignedId(40); }},
      {"a last ID that leaves no ID", [](DbxBuilder& b) { b.SetLastAssignedId(0xFFFFFFFE); }},
  };
  for (const Damage& damage : damages) {
    DbxBuilder store = Store();
    damage.apply(store);
    EXPECT_FALSE(Create(store)) << damage.what;
    EXPECT_EQ(testsupport::ReadFileBytes(path), store.bytes()) << damage.what;
    ASSERT_FALSE(desktop.desktop.messages().empty()) << damage.what;
    EXPECT_TRUE(desktop.desktop.messages().back().text.starts_with("The folder database is damaged: "))
        << damage.what << ": " << desktop.desktop.messages().back().text;
    EXPECT_TRUE(desktop.desktop.messages().back().text.ends_with("\nNothing was changed.")) << damage.what;
  }
}

}  // namespace
}  // namespace vendrel
