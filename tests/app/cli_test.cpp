// vendrel-cli as a user runs it: arguments in, text and an exit code out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
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

TEST_F(Cli, FilesThatAreNotDatabasesGetOneErrorLineAndExitCodeTwo) {
  testsupport::WriteFileBytes(dir / "text.dbx", std::vector<uint8_t>(100, 'x'));
  dbx::Clsid other = dbx::kClsidFolderDatabase;
  other[0] = 0;
  DbxBuilder(DbKind::Folder).SetClsid(other).WriteTo(dir / "other.dbx");
  testsupport::WriteFileBytes(dir / "empty.dbx", {});
  for (const char* name : {"text.dbx", "other.dbx", "empty.dbx", "missing.dbx"}) {
    const auto result = RunCommand({VENDREL_CLI, "header", (dir / name).string()});
    EXPECT_EQ(result.exitCode, 2) << name;
    EXPECT_EQ(result.out, "") << name;
    EXPECT_EQ(Lines(result.err).size(), 1u) << name << ": " << result.err;
    EXPECT_NE(result.err.find(name), std::string::npos) << result.err;
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
