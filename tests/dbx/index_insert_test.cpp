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

TEST_F(InsertIntoIndexTest, EveryRecordLandsInOrderAndTheTreeStaysSound) {
  const struct {
    const char* what;
    int k;
    std::string tree, inserted, expected;
  } layouts[] = {
      {"an empty tree 0", 0, "[]", "A", "A"},
      {"tree 0 appends to the deepest last node", 0, "[0:A 0:B [0:C]]", "D", "A B C D"},
      {"after all, behind the last subtree", 1, "[a [b]]", "z", "a b z"},
      {"before all of a root without left child", 1, "[B C]", "A", "A B C"},
      {"before all, down into the left child", 1, "[[C] E]", "A D", "A C D E"},
      {"equal keys and names differing in case go after", 1, "[3:Zeta 7:inbox 9:Alpha]", "7:INBOX",
       "Zeta inbox INBOX Alpha"},
      {"between records, the later ones move up with their children", 1, "[A C [Cc] E]", "b", "A b C Cc E"},
      {"after an entry with a child, at the end of that child", 1, "[A [Aa] C]", "B", "A Aa B C"},
      {"entries without a key or a name are passed over, their children searched", 1, "[0:Top [2: 2:b]]",
       "2:a", "Top ? a b"},
      {"between two records of a full node", 1, "[n00-n50]", "n25x", "n00-n25 n25x n26-n50"},
      {"after the last record of a full node", 1, "[n00-n50]", "z1 z2 n00a", "n00 n00a n01-n50 z1 z2"},
      {"tree 0 below the last entry of a full last node", 0, "[n00-n50]", "new newer", "n00-n50 new newer"},
      {"a full left child", 1, "[[n00-n50] zz]", "z", "n00-n50 z zz"},
  };
  for (const auto& layout : layouts) {
    builder = testsupport::DbxBuilder(testsupport::DbKind::Folder);
    Open(layout.k, layout.tree);
    const std::vector<uint8_t> guardBefore = GuardBytes();
    for (const std::string& word : Words(layout.inserted))
      ASSERT_TRUE(InsertIntoIndex(db->store, NewFolder(word), layout.k)) << layout.what << ": " << word;
    EXPECT_EQ(testsupport::NamesInOrder(db->store, layout.k), Words(layout.expected)) << layout.what;
    EXPECT_EQ(testsupport::TreeFault(db->store, layout.k), "") << layout.what;
    EXPECT_EQ(GuardBytes(), guardBefore) << layout.what;
  }
}

TEST_F(InsertIntoIndexTest, ManyInsertionsThatGrowTheFileKeepTheTreeInOrderAndCounted) {
  Open(1, "[zzz]");
  Names expected = {"zzz"};
  for (int i = 59; i >= 0; --i) {  // each sorts before all others: a new left child every time
    const std::string name = std::string("m") + char('a' + i / 26) + char('a' + i % 26);
    ASSERT_TRUE(InsertIntoIndex(db->store, NewFolder(name), 1)) << name;
    expected.insert(expected.begin(), name);
  }
  EXPECT_EQ(db->store.ReadU32(CountSlot(1)), 61u);
  EXPECT_EQ(testsupport::NamesInOrder(db->Reopen(), 1), expected);
}

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

TEST(CompareNamesNoCase, FoldsAsciiLettersOnlyAndNeverATrailByteOfTheCodePage) {
  EXPECT_EQ(CompareNamesNoCase("Inbox", "INBOX"), 0);
  EXPECT_LT(CompareNamesNoCase("abc", "ABD"), 0);
  EXPECT_GT(CompareNamesNoCase("abc", "AB"), 0);
  EXPECT_LT(CompareNamesNoCase("", "a"), 0);
  EXPECT_LT(CompareNamesNoCase("A_", "AB"), 0);  // letters fold to lower case, after the underscore
  EXPECT_NE(CompareNamesNoCase("\xE9", "\xC9"), 0);
  EXPECT_GT(CompareNamesNoCase("\xE9", "z"), 0);
  EXPECT_EQ(CompareNamesNoCase("\x83\x41", "\x83\x61"), 0);  // two characters each in Windows-1252
  ASSERT_TRUE(SetLegacyCodePage("CP932"));
  EXPECT_NE(CompareNamesNoCase("\x83\x41", "\x83\x61"), 0);  // one each in Shift-JIS
  EXPECT_LT(CompareNamesNoCase("\x82\xC0", "\x83\x40"), 0);
  EXPECT_LT(CompareNamesNoCase("\x83", "\x82\xFF"), 0);  // a lead byte at the end stands alone
  EXPECT_EQ(CompareNamesNoCase("\203AA", "\203Aa"), 0);
  ASSERT_TRUE(SetLegacyCodePage(kDefaultLegacyCodePage));
}

}  // namespace
}  // namespace vendrel::dbx
