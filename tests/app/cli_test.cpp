// vendrel-cli as a user runs it: arguments in, text and an exit code out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include "dbx/header.h"
#include "support/dbx_builder.h"
#include "support/process.h"

namespace vendrel {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::RunCommand;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class Cli : public testing::Test {
 protected:
  testsupport::TempDir dir;
};

TEST_F(Cli, HeaderPrintsOneTabSeparatedRowPerLineEndingWithToBeContinued) {
  testsupport::FolderDescription folder;
  folder.name =
      "R\xE9"
      "ception";
  folder.folderId = 0x42;
  DbxBuilder(DbKind::Message).SetFolder(folder).WriteTo(dir / "Inbox.dbx");
  const auto result = RunCommand({VENDREL_CLI, "header", (dir / "Inbox.dbx").string()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.err, "");
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_EQ(lines.size(), 44u);
  EXPECT_EQ(lines[0], "Magic\t00000000\tFE12ADCF\tMeans DBX");
  EXPECT_EQ(lines[1], "CLSID\t00000004\t{6F74FDC5-E366-11D1-9A4E-00C04FA309D4}\tCLSID_MessageDatabase");
  EXPECT_EQ(lines[41], "Name\t000025C1\tRéception\t");
  EXPECT_EQ(lines[42], "FolderID\t000026E0\t00000042\t");
  EXPECT_EQ(lines[43], "To be continued...\t\t\t");
}

TEST_F(Cli, TheCodePageOptionChangesHowHeaderTextsAreDecoded) {
  testsupport::FolderDescription folder;
  folder.name = "\xCF\xEE\xF7\xF2\xE0";
  DbxBuilder(DbKind::Message).SetFolder(folder).WriteTo(dir / "Inbox.dbx");
  const auto result =
      RunCommand({VENDREL_CLI, "--codepage", "CP1251", "header", (dir / "Inbox.dbx").string()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("Name\t000025C1\tПочта\t\n"), std::string::npos);

  const auto unknown =
      RunCommand({VENDREL_CLI, "--codepage", "NOPE", "header", (dir / "Inbox.dbx").string()});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_EQ(unknown.out, "");
}

TEST_F(Cli, FilesThatAreNotDatabasesGetOneErrorLineThatSaysWhyAndExitCodeTwo) {
  testsupport::WriteFileBytes(dir / "text.dbx", std::vector<uint8_t>(100, 'x'));
  testsupport::WriteFileBytes(dir / "noise.dbx", std::vector<uint8_t>(20000, 'x'));
  dbx::Clsid other = dbx::kClsidFolderDatabase;
  other[0] = 0;
  DbxBuilder(DbKind::Folder).SetClsid(other).WriteTo(dir / "other.dbx");
  testsupport::WriteFileBytes(dir / "empty.dbx", {});
  std::filesystem::create_directory(dir / "folder.dbx");
  const std::pair<const char*, const char*> cases[] = {
      {"text.dbx", "is too short for a DBX file (100 bytes)"},
      {"noise.dbx", "is not a DBX file"},
      {"other.dbx", "is a DBX file but neither a folder database nor a message database"},
      {"empty.dbx", ": an empty file"},
      {"missing.dbx", ": not found"},
      {"folder.dbx", ": not a file"},
  };
  for (const auto& [name, why] : cases) {
    const auto result = RunCommand({VENDREL_CLI, "header", (dir / name).string()});
    EXPECT_EQ(result.exitCode, 2) << name;
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(Lines(result.err).size(), 1u) << name << ": " << result.err;
    EXPECT_NE(result.err.find((dir / name).string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(why), std::string::npos) << result.err;
  }
}

TEST_F(Cli, HelpDescribesEveryCommandAndBadUsageIsRefused) {
  const auto help = RunCommand({VENDREL_CLI, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("header FILE"), std::string::npos);
  EXPECT_NE(help.out.find("--codepage"), std::string::npos);

  EXPECT_EQ(RunCommand({VENDREL_CLI, "frobnicate"}).exitCode, 2);
  EXPECT_EQ(RunCommand({VENDREL_CLI, "header"}).exitCode, 2);
  EXPECT_EQ(RunCommand({VENDREL_CLI}).exitCode, 2);
  EXPECT_EQ(RunCommand({VENDREL_CLI, "--bogus", "header"}).exitCode, 2);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

class CliRecords : public Cli {
 protected:
  // Two messages in a two-level tree 0, the second one with a text of several blocks.
  void SetUp() override {
    DbxBuilder builder(DbKind::Message);
    testsupport::MessageSpec first;
    first.id = 2;
    first.subject = "Caf\xE9";
    testsupport::MessageSpec second;
    second.id = 3;
    second.text = text;
    second.textBlockRoom = 7;
    firstRa = builder.AddMessage(first);
    secondRa = builder.AddMessage(second);
    builder.SetIndex(0, std::vector{firstRa, secondRa}, 1);
    builder.WriteTo(path);
  }

  std::string path = (dir / "Inbox.dbx").string();
  std::string text = "Subject: x\r\n\r\nCR LF\r\nbare LF\nbare CR\rend\r\n";
  uint32_t firstRa = 0, secondRa = 0;
};

TEST_F(CliRecords, RecordsPrintsEachRecordWithItsPropertiesInTreeOrder) {
  const auto result = RunCommand({VENDREL_CLI, "records", path});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::vector<std::string> lines = Lines(result.out);
  ASSERT_GE(lines.size(), 4u);
  char head[64];
  std::snprintf(head, sizeof head, "%08X\t00000002\tCafé", firstRa);
  EXPECT_EQ(lines[0], head);
  EXPECT_EQ(lines[1], "\tID\t000002");
  EXPECT_EQ(lines[2], "\tFlags\t010089");
  std::snprintf(head, sizeof head, "%08X\t00000003\t", secondRa);
  EXPECT_NE(std::find(lines.begin(), lines.end(), std::string(head)), lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "\tSubject(Original)\tCafé"), lines.end());

  const auto empty = RunCommand({VENDREL_CLI, "records", path, "3"});
  EXPECT_EQ(empty.exitCode, 0);
  EXPECT_EQ(empty.out, "");
  EXPECT_EQ(RunCommand({VENDREL_CLI, "records", path, "8"}).exitCode, 2);
}

TEST_F(CliRecords, TextWritesTheStoredBytesUnchanged) {
  char ra[16];
  std::snprintf(ra, sizeof ra, "%X", secondRa);
  const auto result = RunCommand({VENDREL_CLI, "text", path, ra});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_EQ(result.out, text);

  std::snprintf(ra, sizeof ra, "0x%x", firstRa);
  const auto noText = RunCommand({VENDREL_CLI, "text", path, ra});
  EXPECT_EQ(noText.exitCode, 1);
  EXPECT_EQ(noText.out, "");
  EXPECT_EQ(Lines(noText.err).size(), 1u);
  EXPECT_EQ(RunCommand({VENDREL_CLI, "text", path, "12"}).exitCode, 1);  // no record there
  EXPECT_EQ(RunCommand({VENDREL_CLI, "text", path, "xyz"}).exitCode, 2);
}

TEST_F(Cli, RecordsOfATreeThatLoopsEndWithAnErrorInsteadOfHanging) {
  DbxBuilder builder(DbKind::Message);
  testsupport::MessageSpec message;
  message.id = 2;
  const uint32_t record = builder.AddMessage(message);
  const uint32_t root = builder.AddNode();
  builder.SetNodeEntries(root, {{record, root}});  // its own child
  builder.SetIndexSlot(0, root, 1);
  builder.WriteTo(dir / "loop.dbx");
  const auto result = RunCommand({VENDREL_CLI, "records", (dir / "loop.dbx").string()});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("loops"), std::string::npos);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

// A folder database with two folders whose message databases lie beside it.
class CliFolders : public Cli {
 protected:
  void SetUp() override {
    DbxBuilder folders(DbKind::Folder);
    folders.AddFolders({{1, 0, "Local Folders", "", true, 0x10},
                        {5, 1, "Inbox", "Inbox.dbx", true, 0x10},
                        {6, 1, "Outbox", "outbox.DBX", true, 0x01}});
    folders.WriteTo(dir / "Folders.dbx");
    WriteMessages("Inbox", 5, 3, "Inbox.dbx");
    WriteMessages("Outbox", 6, 2, "Outbox.dbx");  // differs in letter case from the stored name
  }

  void WriteMessages(const std::string& folder, uint32_t folderId, int count, const std::string& file) {
    testsupport::FolderDescription description;
    description.name = folder;
    description.folderId = folderId;
    DbxBuilder builder(DbKind::Message);
    builder.SetFolder(description);
    std::vector<uint32_t> records;
    for (int i = 0; i < count; ++i) {
      testsupport::MessageSpec message;
      message.id = static_cast<uint32_t>(i + 2);
      message.subject = folder + " " + std::to_string(i);
      message.text = "Subject: x\n\nbody\n";
      records.push_back(builder.AddMessage(message));
    }
    builder.SetIndex(0, records);
    builder.WriteTo(dir / file);
  }

  std::string Path(const char* name) { return (dir / name).string(); }
};

TEST_F(CliFolders, TreeShowsFoldersWithTheirMessageDatabasesAndDepthBoundsIt) {
  const auto result = RunCommand({VENDREL_CLI, "tree", Path("Folders.dbx"), "--depth", "2"});
  EXPECT_EQ(result.exitCode, 0);
  std::vector<std::string> nodes;
  for (const std::string& line : Lines(result.out)) {
    if (line.find("| ") == std::string::npos) nodes.push_back(line);
  }
  ASSERT_GE(nodes.size(), 4u);
  EXPECT_EQ(nodes[0], "Folders DB " + Path("Folders.dbx") + "\t[0]");
  EXPECT_EQ(nodes[1], "  000000E4 All indexes by ID\t[21]");
  EXPECT_EQ(nodes[2], "    Index " + nodes[2].substr(10, 8) + "\t[4]");
  // The top-level folder sits between slot 2 and whatever follows, and shows its subfolders.
  const auto top = std::find(nodes.begin(), nodes.end(), "  00000001 Local Folders\t[45]");
  ASSERT_NE(top, nodes.end());
  EXPECT_EQ(*(top - 1), "    " + (top - 1)->substr(4));
  for (const std::string& node : nodes) EXPECT_LE(node.find_first_not_of(' '), 4u) << node;

  const auto full = RunCommand({VENDREL_CLI, "tree", Path("Folders.dbx")});
  EXPECT_NE(full.out.find("Messages DB " + Path("Outbox.dbx")), std::string::npos);
  EXPECT_NE(full.out.find("Messages DB " + Path("Inbox.dbx")), std::string::npos);
}

TEST_F(CliFolders, ExportSavesEveryDatabaseOfTheFoldersIntoItsOwnDirectory) {
  const auto result = RunCommand({VENDREL_CLI, "export", Path("Folders.dbx"), Path("out")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "Inbox" / "Inbox 0 00000005_00000002.eml"));
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "Outbox" / "Outbox 1 00000006_00000003.eml"));
  EXPECT_NE(result.out.find("Saved 3 msgs (3 total).Path: " + Path("out") + "\n"), std::string::npos);
  EXPECT_NE(result.out.find("Saved 2 msgs (2 total).Path: " + Path("out") + "\n"), std::string::npos);
  const std::vector<uint8_t> bytes =
      testsupport::ReadFileBytes(dir / "out" / "Inbox" / "Inbox 0 00000005_00000002.eml");
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Subject: x\r\n\r\nbody\r\n");
}

TEST_F(CliFolders, ExportFailsWhenAMessageDatabaseIsMissing) {
  std::filesystem::remove(dir / "Outbox.dbx");
  const auto result = RunCommand({VENDREL_CLI, "export", Path("Folders.dbx"), Path("out")});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.err.find("outbox.DBX"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(dir / "out" / "Inbox"));
}

TEST_F(CliFolders, SaveWritesOneMessageAndRefusesARecordThatIsNotThere) {
  const auto records = RunCommand({VENDREL_CLI, "records", Path("Inbox.dbx")});
  const std::string ra = Lines(records.out)[0].substr(0, 8);
  const auto result = RunCommand({VENDREL_CLI, "save", Path("Inbox.dbx"), ra, Path("one")});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_TRUE(std::filesystem::exists(dir / "one" / "Inbox" / "Inbox 0 00000005_00000002.eml"));
  EXPECT_EQ(RunCommand({VENDREL_CLI, "save", Path("Inbox.dbx"), "10", Path("one")}).exitCode, 1);
}

TEST_F(CliFolders, NewFolderPrintsTheNewIdAndRefusesASiblingsName) {
  const auto created = RunCommand({VENDREL_CLI, "new-folder", Path("Folders.dbx"), "5", "Archive"});
  EXPECT_EQ(created.exitCode, 0) << created.err;
  EXPECT_EQ(created.out, "00000007\n");
  const auto fromInbox = RunCommand({VENDREL_CLI, "new-folder", Path("Inbox.dbx"), "-", "Later"});
  EXPECT_EQ(fromInbox.exitCode, 0) << fromInbox.err;
  EXPECT_EQ(fromInbox.out, "00000008\n");

  const auto taken = RunCommand({VENDREL_CLI, "new-folder", Path("Folders.dbx"), "5", "ARCHIVE"});
  EXPECT_EQ(taken.exitCode, 1);
  EXPECT_NE(taken.err.find("Name already in database"), std::string::npos);
  EXPECT_EQ(RunCommand({VENDREL_CLI, "new-folder", Path("Folders.dbx"), "99", "x"}).exitCode, 1);
  EXPECT_EQ(RunCommand({VENDREL_CLI, "new-folder", Path("Inbox.dbx"), "6", "x"}).exitCode, 2);

  const auto listed = RunCommand({VENDREL_CLI, "records", Path("Folders.dbx"), "1"});
  EXPECT_NE(listed.out.find("\t00000007\tArchive\n"), std::string::npos);
  EXPECT_NE(listed.out.find("\t00000008\tLater\n"), std::string::npos);
}

}  // namespace
}  // namespace vendrel

namespace vendrel {
namespace {

TEST_F(Cli, ExportWritesEachDatabaseAndEachMessageOnceHoweverOftenTheTreesNameThem) {
  DbxBuilder folders(DbKind::Folder);
  const uint32_t inbox = folders.AddFolder({5, 1, "Inbox", "Inbox.dbx", true, 0});
  folders.SetIndex(0, std::vector<uint32_t>(200, inbox), 10);
  folders.WriteTo(dir / "Folders.dbx");
  DbxBuilder messages(DbKind::Message);
  testsupport::MessageSpec spec;
  spec.id = 2;
  spec.subject = "Once";
  spec.text = "Subject: Once\r\n\r\nbody\r\n";
  messages.SetIndex(0, std::vector<uint32_t>(2000, messages.AddMessage(spec)), 40);
  messages.WriteTo(dir / "Inbox.dbx");
  const auto result =
      RunCommand({VENDREL_CLI, "export", (dir / "Folders.dbx").string(), (dir / "out").string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(result.out.find("Skipped 199 folders that name a message database exported already"),
            std::string::npos)
      << result.out;
  EXPECT_NE(result.out.find("Skipped 1999 entries of"), std::string::npos) << result.out;
  EXPECT_EQ(std::distance(std::filesystem::recursive_directory_iterator(dir / "out"), {}),
            2);  // a folder, a file
}

}  // namespace
}  // namespace vendrel
