// Entering a new folder record into an index tree as folder creation does: tree 0 in the order of
// creation, trees 1 and 2 by parent ID and then name without regard to case. After every insertion the
// tree must be sound, in order, counted, and nothing past a node written.
#include "dbx/index_insert.h"

#include <gtest/gtest.h>

#include <sstream>

#include "dbx/name_compare.h"
#include "dbx/record_builder.h"
#include "platform/code_page.h"
#include "support/db_file.h"
#include "support/tree_reading.h"

namespace vendrel::dbx {
namespace {

using testsupport::DbFile;
using testsupport::NodeEntry;
using Names = std::vector<std::string>;

// Trees are written as text: "[A B [Bb] C]" is a node of three folders whose second entry has a child
// node of one; a node that starts with a node has it as its left child. "7:x" is folder x under parent 7
// (1 if not said), "7:" one without a name, and "n00-n50" the 51 folders n00 to n50.
class InsertIntoIndexTest : public testing::Test {
 protected:
  static Names Words(const std::string& text) {
    Names words;
    std::string spaced;
    for (const char c : text) spaced += (c == '[' || c == ']') ? std::string{' ', c, ' '} : std::string{c};
    std::istringstream stream(spaced);
    for (std::string word; stream >> word;) {
      if (word.size() != 7 || word[3] != '-') {
        words.push_back(word);
        continue;
      }
      for (int i = std::stoi(word.substr(1, 2)); i <= std::stoi(word.substr(5, 2)); ++i)
        words.push_back(word.substr(0, 1) + char('0' + i / 10) + char('0' + i % 10));
    }
    return words;
  }
  static std::pair<uint32_t, std::string> Folder(const std::string& word) {
    const size_t colon = word.find(':');
    if (colon == std::string::npos) return {1, word};
    return {static_cast<uint32_t>(std::stoul(word.substr(0, colon))), word.substr(colon + 1)};
  }
  uint32_t Node(const Names& words, size_t& at) {
    std::vector<NodeEntry> entries;
    uint32_t left = 0;
    for (++at; words.at(at) != "]";) {
      if (words[at] == "[") {
        (entries.empty() ? left : entries.back().childRa) = Node(words, at);
        continue;
      }
      const auto [parent, name] = Folder(words[at++]);
      entries.push_back({builder.AddFolder({++lastId, parent, name, ""}), 0});
    }
    ++at;
    const uint32_t node = builder.AddNode();
    builder.SetNodeEntries(node, entries);
    if (left != 0) builder.SetNodeLeftChild(node, left);
    return node;
  }
  // Makes the tree in slot k with a guard node right behind its root, and opens the file.
  void Open(int k, const std::string& tree) {
    size_t at = 0;
    const uint32_t root = Node(Words(tree), at);
    guard = builder.AddNode();
    builder.SetNodeEntries(guard, {{0x4444, 0}});
    builder.SetIndexSlot(k, root, 0).SetLastAssignedId(100);
    builder.SetU32(dbx::CountSlot(k),
                   static_cast<uint32_t>(testsupport::TreeOrder(DbFile(builder).store, root).size()));
    db = std::make_unique<DbFile>(builder);
  }
  uint32_t NewFolder(const std::string& word) {
    const auto [parent, name] = Folder(word);
    RecordBuilder record(true);
    record.SetInteger(kPropParentOrFlags, parent);
    record.SetString(kPropFolderDisplayName, name);
    return record.Write(db->store);
  }
  std::vector<uint8_t> GuardBytes() const {
    const uint8_t* at = db->store.At(guard, kIndexNodeSize);
    return at != nullptr ? std::vector<uint8_t>(at, at + kIndexNodeSize) : std::vector<uint8_t>{};
  }

  testsupport::DbxBuilder builder{testsupport::DbKind::Folder};
  std::unique_ptr<DbFile> db;
  uint32_t guard = 0, lastId = 0;
};

TEST_F(InsertIntoIndexTest, UnusableRecordsTreesAndAllocationsAreRefusedWithoutAnyChange) {
  builder.SetIndexSlot(2, 0x7FFFFFF0, 0);
  Open(1, "[n00-n50]");
  const uint32_t noKey = NewFolder("0:x"), allOnes = NewFolder("4294967295:x"), noName = NewFolder("1:");
  const uint32_t good = NewFolder("n25x");
  db->store.WriteU32(kAllocatedSizeField, 0xFFFFF000);  // no room for the node a full one needs
  db->store.Close();
  const std::vector<uint8_t> before = testsupport::ReadFileBytes(db->path());
  db->Reopen();
  EXPECT_FALSE(InsertIntoIndex(db->store, noKey, 1));
  EXPECT_FALSE(InsertIntoIndex(db->store, allOnes, 1));
  EXPECT_FALSE(InsertIntoIndex(db->store, noName, 1));
  EXPECT_FALSE(InsertIntoIndex(db->store, good, 1));
  EXPECT_FALSE(InsertIntoIndex(db->store, good, 2));  // the root does not validate
  EXPECT_FALSE(InsertIntoIndex(db->store, good, 3));  // no tree
  EXPECT_FALSE(InsertIntoIndex(db->store, good, 8));
  EXPECT_FALSE(InsertIntoIndex(db->store, good + 4, 1));  // no record there
  db->store.Close();
  EXPECT_EQ(testsupport::ReadFileBytes(db->path()), before);
}

}  // namespace
}  // namespace vendrel::dbx
