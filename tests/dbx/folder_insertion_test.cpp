// A new folder in Folders.dbx: where it goes in the three trees, what refuses it (its name, its parent,
// a damaged or unwritable file), and that it is written whole or not at all whatever stops it: a write
// that fails, a disk that has gone bad, the process killed at any write, another process at the same
// file under another name.
#include "dbx/folder_insertion.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "dbx/index_cursor.h"
#include "dbx/record.h"
#include "platform/write_faults.h"
#include "store/allocation.h"
#include "support/dbx_builder.h"
#include "support/process.h"
#include "support/scoped_desktop.h"
#include "support/tree_reading.h"

namespace vendrel::dbx {
namespace {

using namespace testsupport;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

class InsertFolderTest : public testing::Test {
 protected:
  // Local Folders (1) with subfolders, and more; "Any info" 0x10 marks a folder with subfolders, Junk has
  // none. The trees keep at most perNode entries a node.
  DbxBuilder Store(uint32_t more = 0, unsigned perNode = 2, std::vector<uint32_t>* records = nullptr) {
    std::vector<FolderFields> folders = {
        {1, 0, "Local Folders", "", true, 0x10}, {5, 1, "Inbox", "", true, 0x10},
        {6, 1, "Outbox", "", true, 0x01},        {7, 5, "Family", "", true, 0x04},
        {8, 1, "Drafts", "", true, 0x12},        {9, 1, "Junk", "", false, 0}};
    for (uint32_t id = 0x10; id < 0x10 + more; ++id)
      folders.push_back({id, 1, "Folder " + std::to_string(id), ""});
    DbxBuilder builder(DbKind::Folder);
    const std::vector<uint32_t> ras = builder.AddFolders(folders, perNode);
    if (records != nullptr) *records = ras;
    return builder.SetLastAssignedId(0x10 + more);
  }
  DbStore& Open(const DbxBuilder& builder) {
    store.Open(builder.WriteTo(path));
    return store;
  }
  FolderInsertion Insert(uint32_t parent, const std::string& name) {
    if (!store.IsOpen()) store.Open(path.string());
    return InsertFolder(store, parent, name);
  }
  // The names of the subfolders of a parent, as a cursor finds them in tree k.
  Names Children(int k, uint32_t parent) {
    IndexCursor cursor(*store.ReadU32(RootSlot(k)), IndexCursor::MatchParentId, parent);
    Names names;
    for (const uint32_t ra : cursor.Rest(store)) names.emplace_back(*GetDisplayName(store, ra));
    return names;
  }
  uint32_t AnyInfo(uint32_t id) {
    return GetDword(store, IndexCursor(*store.ReadU32(RootSlot(0)), IndexCursor::MatchId, id).Next(store),
                    0x06);
  }
  // Whether the file's trees are sound, and hold the folder once each when given.
  bool Sound(const std::string& name = {}) {
    DbStore reread;
    if (!reread.Open(path.string())) return false;
    for (int k = 0; k < 3; ++k)
      if (!TreeFault(reread, k).empty() ||
          (!name.empty() && std::ranges::count(NamesInOrder(reread, k), name) != 1))
        return false;
    return true;
  }

  TempDir dir;
  fs::path path = dir / "Folders.dbx";
  DbStore store;
  ScopedDesktop desktop;
};

TEST_F(InsertFolderTest, TheNewFolderTakesTheNextIdEntersAllThreeTreesInOrderAndMarksItsParent) {
  Open(Store());
  const FolderInsertion archive = Insert(1, "Archive"), letters = Insert(1, "Letters");
  ASSERT_TRUE(archive.inserted() && letters.inserted()) << archive.reason << letters.reason;
  EXPECT_EQ(std::pair(archive.folderId, letters.folderId), std::pair(0x11u, 0x12u));
  EXPECT_EQ(store.ReadU32(kLastAssignedIdField), 0x12u);
  EXPECT_TRUE(Sound("Archive") && Sound("Letters"));
  EXPECT_EQ(NamesInOrder(store, 1),
            (Names{"Local Folders", "Archive", "Drafts", "Inbox", "Junk", "Letters", "Outbox", "Family"}));
  EXPECT_EQ(Children(2, 1),
            (Names{"Archive", "Drafts", "Inbox", "Letters", "Outbox"}));  // Junk: unsubscribed
  const uint32_t ra = IndexCursor(*store.ReadU32(RootSlot(0)), IndexCursor::MatchId, 0x11).Next(store);
  EXPECT_TRUE(GetParentOrFlags(store, ra) == 1u && GetDword(store, ra, 0x06) == 0x00040021u &&
              GetDword(store, ra, 0x0A) == 3u && !FindProperty(store, ra, 0x03));  // no database of its own
  // The first subfolder sets the parent's flag, a second leaves it; one set already stays as it is.
  for (const char* name : {"One", "Two"})
    EXPECT_TRUE(Insert(6, name).inserted() && AnyInfo(6) == 0x11u) << name;
  EXPECT_TRUE(Insert(8, "Three").inserted() && AnyInfo(8) == 0x12u);
  // Before every record of a root that has no left child (tree 2 holds Inbox alone): in a new node, its
  // left child.
  DbxBuilder oneSubscribed(DbKind::Folder);
  oneSubscribed.AddFolders({{1, 0, "Local Folders", "", false, 0x10}, {5, 1, "Inbox", ""}});
  store.Close();
  Open(oneSubscribed.SetLastAssignedId(5));
  ASSERT_TRUE(Insert(1, "Archive").inserted());
  const std::optional<IndexNode> root = IndexNode::At(store, *store.ReadU32(RootSlot(2)));
  EXPECT_TRUE(root && root->leftChild() != 0 && root->entryCountInNext() == 1 && root->entryCount() == 1);
  EXPECT_TRUE(Children(2, 1) == (Names{"Archive", "Inbox"}) && Sound("Archive"));
}

TEST_F(InsertFolderTest, ANameIsRefusedWithWhyWhenTakenInAnyCaseTooLongOrOutsideTheCodePage) {
  Open(Store());
  const struct {
    uint32_t parent;
    std::string name;
    FolderInsertion::Outcome outcome;
    std::string reason;
  } cases[] = {
      {1, "DRAFTS", FolderInsertion::NameTaken, "Name already in database"},
      {1, "日本", FolderInsertion::NameRefused,
       "The name \"日本\" cannot be written in the code page WINDOWS-1252 of this database."},
      {1, std::string(260, 'x'), FolderInsertion::NameRefused, "The name is too long."},
      {1, std::string("a\0b", 3), FolderInsertion::NameRefused, "The name is too long."},
      {0x42, "Lost", FolderInsertion::NoParent, "there is no folder 00000042"},
      {5, "Outbox", FolderInsertion::Inserted, ""},  // a name taken only under another parent
      {1, "Réception", FolderInsertion::Inserted, ""},
      {1, std::string(259, 'x'), FolderInsertion::Inserted, ""},  // the longest the dialog holds
  };
  for (const auto& c : cases) {
    const FolderInsertion result = Insert(c.parent, c.name);
    EXPECT_EQ(std::pair(result.outcome, result.reason), std::pair(c.outcome, c.reason)) << c.name;
  }
  EXPECT_EQ(Children(1, 5), (Names{"Family", "Outbox"}));
  EXPECT_EQ(std::ranges::count(Children(1, 1), "R\351ception"), 1);  // kept in the legacy code page
}

TEST_F(InsertFolderTest, AFolderThatCannotHoldSubfoldersOrAFileThatCannotBeWrittenIsRefusedUnchanged) {
  Open(Store());
  // ID 0 is no key the ordered trees could keep subfolders under; Junk has no flags to mark them by.
  EXPECT_EQ(Insert(0, "Sub").reason,
            "folder 00000000 cannot hold subfolders: the index trees have no place for them");
  EXPECT_EQ(Insert(9, "Sub").reason,
            "folder 00000009 cannot hold subfolders: it keeps no \"Any info\" flags to mark them by");
  store.Close();
  const FolderInsertion inMessages =
      InsertFolder((store.Open(DbxBuilder(DbKind::Message).WriteTo(dir / "Inbox.dbx")), store), 5, "Sub");
  EXPECT_EQ(std::pair(inMessages.outcome, inMessages.reason),
            std::pair(FolderInsertion::NoParent, std::string("it is not a folder database")));
  // A directory the journal cannot be written to: the change cannot be made safe, so it is not made.
  const std::vector<uint8_t> before = ReadFileBytes(path);
  chmod(path.c_str(), 0666);
  chmod(dir.path().c_str(), 0555);
  const int result = WaitChild(StartChild([&] {
    if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 100;
    DbStore own;
    if (!own.Open(path.string())) return 101;
    const FolderInsertion refused = InsertFolder(own, 1, "Archive");
    return refused.outcome == FolderInsertion::NotWritable &&
                   refused.reason.starts_with("the journal of the change cannot be written beside the file")
               ? 0
               : 1;
  }));
  chmod(dir.path().c_str(), 0755);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(ReadFileBytes(path), before);
}

TEST_F(InsertFolderTest, ADamagedFolderDatabaseIsRefusedUnchangedSayingWhatIsDamaged) {
  const std::pair<const char*, void (*)(DbxBuilder&)> damages[] = {
      {"its free space at",
       [](DbxBuilder& b) {
         b.SetAllocatedSize(kBuilderHeaderSize).SetDescriptor(kEntryHeapDescriptor, 0, 0, 0);
       }},
      {"its free space at",
       [](DbxBuilder& b) {
         b.SetAllocatedSize(b.U32(RootSlot(0))).SetDescriptor(kEntryHeapDescriptor, 0, 0, 0);
       }},
      {"is reached twice", [](DbxBuilder& b) { b.SetIndexSlot(1, b.U32(RootSlot(0)), b.U32(CountSlot(0))); }},
      {"as its parent", [](DbxBuilder& b) { b.SetU32(b.U32(RootSlot(1)) + 0x0C, 0x3000); }},
      {"its header says 7", [](DbxBuilder& b) { b.SetU32(CountSlot(2), 7); }},
      {"the last ID given, 00000008,", [](DbxBuilder& b) { b.SetLastAssignedId(8); }},
      {"the last ID given, FFFFFFFE,", [](DbxBuilder& b) { b.SetLastAssignedId(0xFFFFFFFE); }},
      {"leaves no room for a new record",
       [](DbxBuilder& b) { b.SetDescriptor(kEntryHeapDescriptor, 0x2800, 16, 64); }},
  };
  for (const auto& [said, damage] : damages) {
    DbxBuilder builder = Store();
    damage(builder);
    store.Close();
    Open(builder);
    const FolderInsertion result = Insert(1, "Archive");
    EXPECT_EQ(result.outcome, FolderInsertion::Damaged) << said << ": " << result.reason;
    EXPECT_NE(result.reason.find(said), std::string::npos) << result.reason;
    store.Close();
    EXPECT_EQ(ReadFileBytes(path), builder.bytes()) << said;
  }
  // The highest ID may be in tree 0 alone: the last ID given must lie above it too.
  std::vector<uint32_t> records;
  DbxBuilder lone = Store(0, 2, &records);
  records.push_back(lone.AddFolder({0x40, 1, "Lone", ""}));
  lone.SetIndex(0, records, 2);
  store.Close();
  Open(lone);
  EXPECT_EQ(Insert(1, "Archive").reason, "the last ID given, 00000010, does not lie above every folder's");
  // But one ID left is enough, a node one short of full is filled, and a full one hangs a child for it.
  for (const uint32_t more : {0u, 44u, 45u}) {  // 6 folders a node, 50, and 51
    store.Close();
    Open(Store(more, 51).SetLastAssignedId(more == 0 ? 0xFFFFFFFD : 0x10 + more));
    EXPECT_TRUE(Insert(1, "Archive").inserted() && Sound("Archive") && std::ranges::is_sorted(Children(1, 1)))
        << more;
  }
}

// A change stopped at any of its writes, by a write that fails, a disk that has gone bad or the process
// dying there: the next session sees the file as it was or with the whole folder, and a folder can be
// made after it.
TEST_F(InsertFolderTest, WhereverTheWritesStopTheNextSessionFindsTheFileAsItWasOrWithTheWholeFolder) {
  const DbxBuilder builder = Store(60, 51);  // full nodes: the folder needs new nodes and new room
  builder.WriteTo(dir / "reference.dbx");
  DbStore reference;
  ASSERT_TRUE(reference.Open((dir / "reference.dbx").string()) &&
              InsertFolder(reference, 1, "Archive").inserted());
  reference.Close();
  const std::vector<uint8_t> whole = ReadFileBytes(dir / "reference.dbx");
  for (const WriteFault fault : {WriteFault::Die, WriteFault::FailFromThere, WriteFault::FailOnce}) {
    uint64_t at = 1;
    for (bool reached = true; reached; ++at) {
      store.Close();  // the child opens its own
      builder.WriteTo(path);
      // 0: made, the fault not reached; 1: made although reached (a write after the change was whole);
      // 2: refused; or died there.
      const int exit = WaitChild(StartChild([&] {
        DbStore own;
        if (!own.Open(path.string())) return 101;
        ArmWriteFault(at, fault);
        const bool made = InsertFolder(own, 1, "Archive").inserted();
        return WritePointsPassed() < at ? (made ? 0 : 102) : made ? 1 : 2;
      }));
      reached = exit != 0;
      // A single write that failed is put back at once, journal and all; one that keeps failing is put
      // back by the next session.
      if (fault == WriteFault::FailOnce) {
        EXPECT_FALSE(fs::exists(path.string() + "-journal")) << "write " << at;
      }
      ASSERT_TRUE(store.Open(path.string()));
      const std::vector<uint8_t> after(store.At(0, 0), store.At(0, 0) + store.viewLength());
      if (exit == kDiedAtWritePoint && fault == WriteFault::Die) {
        EXPECT_TRUE(after == builder.bytes() || after == whole) << "died at write " << at;
      } else {
        ASSERT_LE(exit, 2) << "write " << at;
        EXPECT_EQ(after, exit == 2 ? builder.bytes() : whole) << "write " << at << " failed: " << exit;
      }
      EXPECT_FALSE(fs::exists(path.string() + "-journal")) << "write " << at;
      EXPECT_TRUE(Insert(1, "Later").inserted() && Sound("Later")) << "write " << at;
    }
    EXPECT_GT(at, 20u) << "too few write points: the test would prove little";
  }
}

// Two processes making folders at once, each through its own name of the file: every folder either
// says it was made and is there, with the ID it was given, or says why not.
TEST_F(InsertFolderTest, ProcessesMakingFoldersThroughTwoNamesOfTheFileLoseNone) {
  Store().WriteTo(path);
  fs::create_hard_link(path, dir / "Link.dbx");
  std::vector<pid_t> children;
  Pipe reported;
  for (const char* through : {"Folders.dbx", "Link.dbx"}) {
    children.push_back(StartChild([&, through] {
      for (int i = 0; i < 15; ++i) {
        DbStore own;
        if (!own.Open((dir / through).string())) return 1;
        const FolderInsertion made = InsertFolder(own, 1, std::string(through) + std::to_string(i));
        if (!made.inserted()) return 2;
        reported.Send(static_cast<char>(made.folderId));
      }
      return 0;
    }));
  }
  for (const pid_t child : children) EXPECT_EQ(WaitChild(child), 0);
  std::set<uint32_t> ids;
  for (char id; (id = reported.Receive(100)) != 0;) ids.insert(static_cast<uint8_t>(id));
  EXPECT_EQ(ids.size(), 30u);
  store.Open(path.string());
  EXPECT_EQ(Children(0, 1).size(), 4u + 30u);
  for (const uint32_t id : ids)
    EXPECT_NE(IndexCursor(*store.ReadU32(RootSlot(0)), IndexCursor::MatchId, id).Next(store), 0u);
  EXPECT_TRUE(Sound());
}

}  // namespace
}  // namespace vendrel::dbx
