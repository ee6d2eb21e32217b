// vendrel-cli as a user runs it: arguments in, text and an exit code out.
#include <gtest/gtest.h>

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
  folder.name = "R\xE9" "ception";
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
  const auto result = RunCommand({VENDREL_CLI, "--codepage", "CP1251", "header", (dir / "Inbox.dbx").string()});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("Name\t000025C1\tПочта\t\n"), std::string::npos);

  const auto unknown = RunCommand({VENDREL_CLI, "--codepage", "NOPE", "header", (dir / "Inbox.dbx").string()});
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
