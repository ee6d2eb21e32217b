// vendrel-cli check and recover on damaged archives: what the check prints and its exit codes, and every
// message a salvage writes, byte for byte, in the folder that tells where it came from.
#include <gtest/gtest.h>

#include <filesystem>

#include "dbx/header.h"
#include "platform/format.h"
#include "support/dbx_builder.h"
#include "support/process.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

// Inbox.dbx: messages 2 to 5, of three text blocks each. Message 3 is out of the tree (deleted), message
// 4 has lost its record, message 5 its record and the middle block of its text. Folders.dbx names it and
// Gone.dbx, which is not there, and has a folder no tree reaches whose database is Lost.dbx.
class Salvage : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir / "store");
    DbxBuilder inbox(DbKind::Message);
    std::vector<uint32_t> records;
    for (uint32_t id = 2; id <= 5; ++id) {
      firstBlocks.push_back(inbox.allocatedSize());
      records.push_back(inbox.AddMessage({.id = id, .text = Text(id), .textBlockRoom = 16}));
    }
    inbox.SetIndex(0, std::vector{records[0]});
    inbox.SetLastAssignedId(5);
    inbox.SetU32(records[2], 0).SetU32(records[3], 0).SetU32(firstBlocks[3] + 32, 0);
    inbox.WriteTo(dir / "store/Inbox.dbx");
    DbxBuilder folders(DbKind::Folder);
    folders.AddFolders({{1, 0, "Local Folders", ""}, {5, 1, "Inbox", "Inbox.dbx"}, {6, 1, "Gone", "Gone.dbx"}});
    folders.AddFolder({7, 1, "Lost", "Lost.dbx"});  // no tree names it
    folders.WriteTo(dir / "store/Folders.dbx");
    DbxBuilder lost(DbKind::Message);
    lost.SetFolder({.name = "Lost", .folderId = 7});
    lost.SetIndex(0, std::vector{lost.AddMessage({.id = 2, .text = Text(9)})});
    lost.SetLastAssignedId(2);
    lost.WriteTo(dir / "store/Lost.dbx");
  }
  static std::string Text(uint32_t id) { return std::string(40, static_cast<char>('a' + id)); }
  CommandResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), VENDREL_CLI);
    return RunCommand(args);
  }
  std::string Store(const std::string& name) const { return (dir / "store" / name).string(); }

  TempDir dir;
  std::vector<uint32_t> firstBlocks;
};

TEST_F(Salvage, TheCheckSaysEachProblemOnALineOfItsOwnThenSumsUpAndTellsByItsExitCode) {
  const CommandResult sound = Cli({"check", Store("Lost.dbx")});
  EXPECT_EQ(sound.exitCode, 0);
  EXPECT_EQ(sound.out, "ok: 0 problems in 1 database; 1 index nodes, 1 records, 1 text blocks; "
                       "284 of 11584 bytes used by no structure\n");
  // What no tree reaches is no problem of the check's; a database the store names and does not have is.
  const CommandResult store = Cli({"check", Store("Folders.dbx")});
  EXPECT_EQ(store.exitCode, 1) << store.out;
  EXPECT_TRUE(store.out.starts_with(Store("Folders.dbx") + ": 00002" ) &&
              store.out.find(" folder record: names the message database Gone.dbx, which is not there\n"
                             "damaged: 1 problem in 2 databases; ") != std::string::npos)
      << store.out;
  const std::string json = Cli({"check", Store("Folders.dbx"), "--json"}).out;
  WriteFileBytes(dir / "report.json", std::vector<uint8_t>(json.begin(), json.end()));
  const CommandResult read = RunCommand(
      {"/usr/bin/env", "python3", "-c",
       "import json,sys; r=json.load(open(sys.argv[1])); d=r['databases']; "
       "print(r['problems'], len(d), d[0]['problems'][0]['structure'], d[1]['records'])",
       (dir / "report.json").string()});
  EXPECT_EQ(read.out, "1 2 folder record 1\n") << read.err;
  EXPECT_EQ(Cli({"check", (dir / "store").string()}).exitCode, 2);
  DbxBuilder twice(DbKind::Folder);  // a database two folders name is checked once
  twice.AddFolders({{1, 0, "Local Folders", ""}, {5, 1, "Inbox", "Inbox.dbx"}, {8, 1, "Twin", "INBOX.DBX"}});
  twice.WriteTo(dir / "store/Folders.dbx");
  const std::string checked = Cli({"check", Store("Folders.dbx")}).out;
  EXPECT_NE(checked.find(" problems in 2 databases; "), std::string::npos) << checked;
}

TEST_F(Salvage, EveryMessageTheFileStillHoldsIsWrittenOnceWhereItsKindSays) {
  const CommandResult result = Cli({"recover", Store("Inbox.dbx"), (dir / "out").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Recovered: 1 messages the trees reach, 1 message records no tree reaches, 2 texts no "
                            "record owns, 1 texts cut short"),
            std::string::npos)
      << result.out;
  EXPECT_EQ(result.out.find("Skipped"), std::string::npos) << result.out;  // found once each: no repeats
  // A tree that names a record that is no record any more: left out, said, not counted, its text found.
  DbxBuilder named(DbKind::Message);
  const uint32_t good = named.AddMessage({.id = 2, .text = Text(2)}), bad = named.AddMessage({.id = 3, .text = Text(3)});
  named.SetIndex(0, std::vector{good, bad});
  named.SetLastAssignedId(3).SetU32(bad, 0).WriteTo(dir / "named.dbx");
  const CommandResult smashed = Cli({"recover", (dir / "named.dbx").string(), (dir / "named").string()});
  EXPECT_EQ(smashed.exitCode, 1);
  EXPECT_NE(smashed.out.find("Recovered: 1 messages the trees reach, 0 message records no tree reaches, 1 texts"),
            std::string::npos) << smashed.out;
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir / "named"), {}), 4);  // a message in each folder
  const auto text = [&](const std::string& file) { return ReadText(dir / "out" / file); };
  EXPECT_EQ(text("Inbox/(No subject) 00000005_00000002.eml"), Text(2));
  EXPECT_EQ(text("Inbox (recovered)/(No subject) 00000005_00000003.eml"), Text(3));
  EXPECT_EQ(text(Format("Inbox (recovered)/Text at %08X.eml", firstBlocks[2])), Text(4));
  EXPECT_EQ(text(Format("Inbox (recovered)/Text at %08X.eml", firstBlocks[3] + 64)), Text(5).substr(32));
  EXPECT_EQ(text(Format("Inbox (recovered, partial)/Text at %08X.eml", firstBlocks[3])), Text(5).substr(0, 16));
  // A directory that holds anything is left alone unless asked.
  const CommandResult again = Cli({"recover", Store("Inbox.dbx"), (dir / "out").string()});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("holds files already"), std::string::npos);
  // A store: the folder no tree reaches, beside the others.
  const CommandResult store = Cli({"recover", Store("Folders.dbx"), (dir / "mbox").string(), "--format", "mbox"});
  EXPECT_NE(store.out.find("; 1 folders no tree reaches"), std::string::npos) << store.out;
  EXPECT_TRUE(fs::exists(dir / "mbox/store.sbd/Lost (recovered)") &&
              fs::exists(dir / "mbox/store.sbd/Local Folders.sbd/Inbox (recovered)"));
}

}  // namespace
}  // namespace vendrel
