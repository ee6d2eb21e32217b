// vendrel-cli as a user runs it: each command once on a small store, then bad usages and bad files with
// their exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "dbx/header.h"
#include "dbx/record.h"
#include "platform/format.h"
#include "store/journal.h"
#include "support/dbx_builder.h"
#include "support/process.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;
using Args = std::vector<std::string>;

// Folders.dbx with Local Folders, Inbox and Outbox; Inbox.dbx with two messages in a two-level tree, the
// second with a text of many blocks; outbox.DBX (stored as Outbox.dbx) with a Cyrillic folder name.
class Cli : public testing::Test {
 protected:
  void SetUp() override {
    DbxBuilder folders(DbKind::Folder);
    folders.AddFolders({{1, 0, "Local Folders", "", true, 0x10},
                        {5, 1, "Inbox", "Inbox.dbx", true, 0x10},
                        {6, 1, "Outbox", "Outbox.dbx", true, 0x01}});
    folders.WriteTo(dir / "Folders.dbx");
    DbxBuilder inbox(DbKind::Message);
    firstRa = inbox.AddMessage({2, "Caf\xE9", ""});  // ID, subject, text, text block room
    secondRa = inbox.AddMessage({3, "", text, 7});
    inbox.SetIndex(0, std::vector{firstRa, secondRa}, 1);
    inbox.WriteTo(dir / "Inbox.dbx");
    DbxBuilder(DbKind::Message)
        .SetFolder({.name = "\xCF\xEE\xF7\xF2\xE0", .folderId = 6})
        .WriteTo(dir / "outbox.DBX");
  }

  CommandResult Run(Args args) {
    args.insert(args.begin(), VENDREL_CLI);
    for (std::string& arg : args)
      if (arg.find(".dbx") != std::string::npos || arg.starts_with("out")) arg = (dir / arg).string();
    return RunCommand(args);
  }
  std::string Path(const std::string& name) const { return (dir / name).string(); }

  TempDir dir;
  std::string text = "Subject: x\r\n\r\nCR LF\r\nbare LF\nbare CR\rend\r";
  uint32_t firstRa = 0, secondRa = 0;
};

TEST_F(Cli, EachCommandDoesItsWorkAndSaysWhatItDid) {
  // Each command with the texts found in its standard output, in this order.
  const std::vector<std::pair<Args, std::vector<std::string>>> cases = {
      {{"records", "Inbox.dbx", "0"}, {Format("%08X\t00000002\tCafé\n", firstRa)}},
      {{"records", "outbox.DBX"}, {}},  // a tree without a root holds nothing
      {{"header", "Inbox.dbx"},
       {"Magic\t00000000\tFE12ADCF\tMeans DBX\nCLSID\t00000004\t{6F74FDC5-E366-11D1-9A4E-00C04FA309D4}\t",
        "\nName\t000025C1\tInbox\t\nFolderID\t000026E0\t00000005\t\nTo be continued...\t\t\t\n"}},
      {{"--codepage", "CP1251", "header", "outbox.DBX"}, {"\nName\t000025C1\tПочта\t\n"}},
      {{"records", "Inbox.dbx"},
       {Format("%08X\t00000002\tCafé\n\tID\t000002\n\tFlags\t010089\n", firstRa),
        "\tSubject(Original)\tCafé\n", Format("%08X\t00000003\t\n", secondRa)}},
      {{"records", "Folders.dbx", "1"}, {"\t00000001\tLocal Folders\n", "\t00000005\tInbox\n"}},
      {{"text", "Inbox.dbx", Format("0X%x", secondRa)}, {text}},
      {{"tree", "Folders.dbx", "--depth", "2"},
       {"Folders DB " + Path("Folders.dbx") + "\t[0]\n  | All indexes by ID\t000000E4\t00 (00)\t \n",
        "  | Magic\t00000000\tFE12ADCF\tMeans DBX\n", "\n  000000E4 All indexes by ID\t[21]\n    | Index\t",
        "    | Total Count\t000000C4\t00000003\ttotal elem count\n",
        "\n  00000001 Local Folders\t[45]\n    | Inbox\t", "    | DisplayName\t\tLocal Folders\t\n"}},
      {{"tree", "Folders.dbx"}, {"Messages DB " + Path("Inbox.dbx"), "Messages DB " + Path("outbox.DBX")}},
      {{"export", "outbox.DBX", "out"}, {"Saved 0 msgs (0 total).Path: " + Path("out") + "\n"}},
      {{"save", "Inbox.dbx", Format("%X", secondRa), "out1"}, {"Saved 1 msgs (1 total).Path: " + Path("out1") + "\n"}},
      {{"new-folder", "Folders.dbx", "5", "Archive"}, {"00000007\n"}},
      {{"new-folder", "Inbox.dbx", "-", "Later"}, {"00000008\n"}},
      {{"records", "Folders.dbx", "1"}, {"\t00000007\tArchive\n", "\t00000008\tLater\n"}},
  };
  for (const auto& [args, out] : cases) {
    const auto result = Run(args);
    EXPECT_TRUE(result.exitCode == 0 && result.err.empty()) << args[0] << result.err;
    size_t at = 0;
    for (const std::string& expected : out) {
      at = result.out.find(expected, at);
      EXPECT_NE(at, std::string::npos) << args[0] << " lacks " << expected << " in\n"
                                       << result.out.substr(0, 3000);
    }
  }
  // A message without text in the file is left out, and said to be; nothing is said about skipping.
  const CommandResult exported = Run({"export", "Folders.dbx", "out2"});
  EXPECT_EQ(exported.out, "Saved 1 msgs (2 total).Path: " + Path("out2") + "\nSaved 0 msgs (0 total).Path: " +
                              Path("out2") + "\nExported 1 msgs of 2 folders.Path: " + Path("out2") + "\n");
  EXPECT_EQ(std::pair(exported.exitCode, exported.err),
            std::pair(1, "vendrel-cli: " + Path("Inbox.dbx") +
                             ": 1 messages have no text in the file (never downloaded): left out\n"));
  EXPECT_EQ(Run({"tree", "Inbox.dbx", "--depth", "0"}).out, "Messages DB " + Path("Inbox.dbx") + "\t[0]\n");
  const CommandResult full = RunCommand({"/bin/sh", "-c", std::string(VENDREL_CLI) + " text '" + Path("Inbox.dbx") +
                                                              "' " + Format("%X", secondRa) + " >/dev/full"});
  EXPECT_TRUE(full.exitCode == 1 && full.err.find("could not be written whole") != std::string::npos) << full.err;
  // A line a record, then one a property its table holds, and no more.
  const std::string records = Run({"records", "Inbox.dbx"}).out;
  DbStore inbox;
  ASSERT_TRUE(inbox.Open(Path("Inbox.dbx")));
  EXPECT_EQ(std::count(records.begin(), records.end(), '\n'),
            2 + dbx::PropertyCount(inbox, firstRa) + dbx::PropertyCount(inbox, secondRa));
  EXPECT_EQ(ReadText(dir / "out1/Inbox/(No subject) 00000005_00000003.eml"),
            "Subject: x\r\n\r\nCR LF\r\nbare LF\r\nbare CR\r\nend\r\n");
  EXPECT_FALSE(fs::exists(dir / "out2/Inbox/Café 00000005_00000002.eml"));
}

TEST_F(Cli, BadUsagesAndBadFilesEndWithOneLineThatSaysWhyAndTheirExitCode) {
  for (const auto& [name, size] : {std::pair{"text.dbx", 100}, {"noise.dbx", 20000}, {"empty.dbx", 0}})
    WriteFileBytes(dir / name, std::vector<uint8_t>(size, 'x'));
  DbxBuilder(DbKind::Folder).SetU8(dbx::kClsidField, 0).WriteTo(dir / "other.dbx");  // neither kind's CLSID
  fs::create_directory(dir / "folder.dbx");
  DbxBuilder loop(DbKind::Message);
  const uint32_t root = loop.AddNode();
  loop.SetNodeEntries(root, {{0x10, 0}, {loop.AddMessage({}), root}}).SetIndexSlot(0, root, 2);
  loop.WriteTo(dir / "loop.dbx");  // a record inside the header, then a child that is the node itself
  DbxBuilder(DbKind::Message).SetIndexSlot(0, 0x10, 1).WriteTo(dir / "noroot.dbx");  // a root in the header
  DbxBuilder shared(DbKind::Message);  // nine entries that all lead to one node: shown eight times
  const uint32_t child = shared.AddNode();
  shared.SetNodeEntries(child, {{shared.AddMessage({}), 0}});
  std::vector<NodeEntry> entries(9, {0, child});
  for (NodeEntry& entry : entries) entry.recordRa = shared.AddMessage({});
  const uint32_t top = shared.AddNode();
  shared.SetNodeEntries(top, entries).SetIndexSlot(0, top, 10).WriteTo(dir / "shared.dbx");
  fs::create_directory(dir / "alone");
  DbxBuilder(DbKind::Message).WriteTo(dir / "alone/Inbox.dbx");
  fs::create_directory(dir / "damaged");
  DbxBuilder damaged(DbKind::Folder);
  damaged.AddFolders({{1, 0, "Local Folders", "", true, 0x10}});
  damaged.SetU32(dbx::CountSlot(2), 7).WriteTo(dir / "damaged/Folders.dbx");
  // A change cut off, and the file replaced since: its journal belongs to another file.
  DbxBuilder(DbKind::Message).WriteTo(dir / "journal.dbx");
  const std::vector<uint8_t> was(4, 0), becomes(4, 1);
  WriteJournal(Path("journal.dbx"), 0x3000, {{0x5C, was, becomes}});
  // A message that cannot be saved: a directory where its file would go.
  fs::create_directories(dir / "outblocked/Inbox/(No subject) 00000005_00000003.eml");
  // Each usage with its exit code and a part of what it says.
  const std::vector<std::tuple<Args, int, std::string>> cases = {
      {{}, 2, ""},
      {{"frobnicate"}, 2, "frobnicate"},
      {{"--bogus", "header", "Inbox.dbx"}, 2, "--bogus"},
      {{"--codepage", "NOPE", "header", "Inbox.dbx"}, 2, "NOPE"},
      {{"--codepage"}, 2, "--codepage"},
      {{"header"}, 2, "usage: vendrel-cli header FILE"},
      {{"header", "text.dbx"}, 2, "is too short for a DBX file (100 bytes)"},
      {{"header", "noise.dbx"}, 2, "is not a DBX file"},
      {{"header", "other.dbx"}, 2, "is a DBX file but neither a folder database nor a message database"},
      {{"header", "empty.dbx"}, 2, ": an empty file"},
      {{"header", "missing.dbx"}, 2, ": not found"},
      {{"header", "folder.dbx"}, 2, ": not a file"},
      {{"records", "Inbox.dbx", "8"}, 2, "SLOT must be 0 to 7"},
      {{"records", "Inbox.dbx", "0", "1"}, 2, "usage: vendrel-cli records"},
      {{"records", "loop.dbx"}, 1, "record at 00000010 is not valid\nvendrel-cli: index 0 loops"},
      {{"records", "noroot.dbx"}, 1, "the root node of index 0 at 00000010 is not valid"},
      {{"text", "Inbox.dbx", "xyz"}, 2, "usage: vendrel-cli text"},
      {{"text", "Inbox.dbx", "12"}, 1, ""},
      {{"text", "Folders.dbx", "2800"}, 1, "is not a message database"},
      {{"show", "Inbox.dbx", "RA"}, 2, "usage: vendrel-cli show FILE RA"},
      {{"check", "Inbox.dbx", "--jason"}, 2, "usage: vendrel-cli check"},
      {{"show", "Folders.dbx", "2800"}, 1, "there is no message with text in the file at 00002800"},
      {{"text", "Inbox.dbx", Format("0x%x", firstRa)}, 1, ""},
      {{"tree", "Inbox.dbx", "--depth", "2a"}, 2, "--depth takes a number"},
      {{"tree", "Inbox.dbx", "--depth"}, 2, "usage: vendrel-cli tree"},
      {{"tree", "shared.dbx"}, 1, ": 1 nodes were not expanded"},
      {{"export", "Folders.dbx"}, 2, "usage: vendrel-cli export"},
      {{"export", "Folders.dbx", "out", "--format", "pdf"}, 2, "usage: vendrel-cli export"},
      {{"export", "Folders.dbx", "out", "--format"}, 2, "usage: vendrel-cli export"},
      {{"export", "Folders.dbx", "out", "--maildir-names"}, 2, "usage: vendrel-cli export"},
      {{"export", "journal.dbx", "out"}, 1, "a change to it was interrupted: the journal"},
      {{"export", "Folders.dbx", "outblocked"}, 1, "(No subject) 00000005_00000003.eml"},
      {{"recover", "missing.dbx", "out"}, 2, "missing.dbx: not found"},
      {{"save", "Inbox.dbx", "10", "out"}, 1, "the record at 00000010 is not valid: left out"},
      {{"save", "Inbox.dbx", "RA", "out"}, 2, "usage: vendrel-cli save FILE RA DIR"},
      {{"save", "Folders.dbx", "2800", "out"}, 1, "Folders.dbx is a folder database: it holds no messages"},
      {{"new-folder", "Folders.dbx", "99", "x"}, 1, "Folders.dbx: there is no folder 00000099"},
      {{"new-folder", "Folders.dbx", "1", ""}, 2, "usage: vendrel-cli new-folder"},
      {{"new-folder", "Folders.dbx", "x1", "x"}, 2, "PARENT_ID must be a folder ID in hexadecimal"},
      {{"new-folder", "Inbox.dbx", "6", "x"},
       2,
       "the message database holds folder 00000005: give that ID or -"},
      {{"new-folder", "alone/Inbox.dbx", "-", "x"}, 1, "there is no Folders.dbx beside"},
      {{"new-folder", "damaged/Folders.dbx", "1", "x"},
       1,
       "the folder database is damaged: index tree 2 holds"},
      {{"locate-store", "x"}, 2, "usage: vendrel-cli locate-store"},
      {{"associate", "x"}, 2, "usage: vendrel-cli associate"},
  };
  for (const auto& [args, exitCode, why] : cases) {
    const auto result = Run(args);
    const std::string what = args.empty() ? "(none)" : args.back();
    EXPECT_EQ(result.exitCode, exitCode) << what << ": " << result.err;
    EXPECT_NE(result.err.find(why), std::string::npos) << what << ": " << result.err;
    EXPECT_TRUE(!result.err.empty() || args.empty()) << what;
  }
  EXPECT_TRUE(Run({}).out.starts_with("Usage: vendrel-cli"));  // no command: the help, exit 2 (above)
  EXPECT_NE(Run({"--help"}).out.find("  export FILE DIR [--format eml|mbox|maildir] [--maildir-names utf7|utf8] [--force]\n"),
            std::string::npos);
}

// show decodes as a reader reads; its attachments are saved inside the directory given, never over a file.
TEST_F(Cli, ShowPrintsTheMessageAsReadAndSavesItsAttachmentsBesideWhatIsThere) {
  DbxBuilder messages(DbKind::Message);
  const std::string attachment = "Content-Type: text/plain\r\nContent-Disposition: attachment; "
                                 "filename=\"../notes.txt\"\r\n\r\nnote\r\n";
  const uint32_t ra = messages.AddMessage(
      {2, "", "From: Ann <ann@example.com>\r\nSubject: =?UTF-8?Q?R=C3=A9union?=\r\n"
              "Content-Type: multipart/mixed; boundary=m\r\n\r\n--m\r\n\r\nSee you\r\n--m\r\n" +
                  attachment + "--m\r\n" + attachment + "--m--\r\n"});
  messages.SetIndex(0, std::vector{ra});
  messages.WriteTo(dir / "Mixed.dbx");
  fs::create_directory(dir / "out");
  std::ofstream(dir / "out/notes.txt") << "mine";
  const CommandResult shown = Run({"show", "Mixed.dbx", Format("%X", ra), "--attachments", "out"});
  EXPECT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, "From: Ann <ann@example.com>\nSubject: Réunion\n\nSee you\n"
                       "\t../notes.txt\ttext/plain\t4\n\t../notes.txt\ttext/plain\t4\n");
  EXPECT_EQ(ReadText(dir / "out/notes.txt") + ReadText(dir / "out/notes (2).txt") + ReadText(dir / "out/notes (3).txt"),
            "minenotenote");
  EXPECT_FALSE(fs::exists(dir / "notes.txt"));
  // A disk that fills up: said, counted in the exit code, and nothing half written left.
  const CommandResult full = RunCommand({"/usr/bin/prlimit", "--fsize=2", VENDREL_CLI, "show", Path("Mixed.dbx"),
                                         Format("%X", ra), "--attachments", Path("out")});
  EXPECT_TRUE(full.exitCode == 1 && full.err.find("cannot save ../notes.txt") != std::string::npos) << full.err;
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), {}), 3);
  EXPECT_EQ(Run({"show", "Mixed.dbx", "10"}).exitCode, 1);  // no message there
  const CommandResult noDirectory = Run({"show", "Mixed.dbx", Format("%X", ra), "--attachments", "Mixed.dbx"});
  EXPECT_TRUE(noDirectory.exitCode == 1 &&
              noDirectory.err.find("cannot make or open the directory") != std::string::npos);
  // find names each message that meets every criterion, and says by its exit code whether one did.
  const CommandResult found = Run({"find", "Mixed.dbx", "--subject", "RÉUNION", "--text", "see"});
  EXPECT_EQ(found.exitCode, 0) << found.err;
  // The record's time of receipt (the builder's, ten minutes after it was sent): the message has no Date.
  const time_t received = MessageFields{}.sent / 10000000 - 11644473600 + 600;
  char day[20];
  std::strftime(day, sizeof day, "%Y-%m-%d %H:%M", std::localtime(&received));
  EXPECT_EQ(found.out, Format("Inbox\t%08X\t%s\tAnn <ann@example.com>\tRéunion\n", ra, day));
  EXPECT_EQ(Run({"find", "Mixed.dbx", "--from", "bob"}).exitCode + Run({"find", "Mixed.dbx", "--when", "x"}).exitCode +
                Run({"find", "Mixed.dbx", "--before", "2006-10-15"}).exitCode +
                Run({"find", "Mixed.dbx", "--after", "2006-10-15"}).exitCode +
                RunCommand({"/usr/bin/env", "TZ=UTC", VENDREL_CLI, "find", Path("Mixed.dbx"), "--after",
                            "1970-01-01"}).exitCode,
            1 + 2 + 1 + 0 + 0);
}

TEST_F(Cli, ExportWritesEachDatabaseAndEachMessageOnceHoweverOftenTheTreesNameThem) {
  DbxBuilder folders(DbKind::Folder);
  folders.SetIndex(0, std::vector<uint32_t>(200, folders.AddFolder({5, 1, "Inbox", "Inbox.dbx", true, 0})),
                   10);
  folders.WriteTo(dir / "Folders.dbx");
  DbxBuilder messages(DbKind::Message);
  const uint32_t once = messages.AddMessage({2, "", "Subject: Once\r\n\r\nbody\r\n"});
  messages.SetIndex(0, std::vector<uint32_t>(2000, once), 40);
  messages.WriteTo(dir / "Inbox.dbx");
  const auto result = Run({"export", "Folders.dbx", "out"});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  EXPECT_NE(
      result.out.find("Skipped 2198 entries that name a folder, a database or a message exported already"),
      std::string::npos)
      << result.out;
  EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir / "out"), {}), 2);  // a folder, a file
  EXPECT_NE(Run({"export", "Folders.dbx", "outmbox", "--format", "mbox"}).out.find("Skipped 2198 entries"),
            std::string::npos);
  messages.SetIndex(0, std::vector<uint32_t>(2, once));
  messages.WriteTo(dir / "Twice.dbx");
  EXPECT_NE(Run({"export", "Twice.dbx", "twice"}).out.find("Skipped 1 entries"), std::string::npos);
}

TEST_F(Cli, TheStoreIsLocatedAndTheAssociationMadeInTheUsersDirectories) {
  fs::create_directories(dir / "config/vendrel");
  const std::string env = "XDG_CONFIG_HOME=" + Path("config");
  const Args locate = {"/usr/bin/env", "WINEPREFIX=" + Path("none"), env, VENDREL_CLI, "locate-store"};
  EXPECT_EQ(RunCommand(locate).exitCode, 1);
  std::ofstream(dir / "config/vendrel/vendrel.conf")
      << "[General]\nStoreRoot=" << dir.path().string() << "\n";
  const auto found = RunCommand(locate);
  EXPECT_TRUE(found.exitCode == 0 && found.out == Path("Folders.dbx") + "\n") << found.out << found.err;
  const auto associate = [&](const std::string& data) {
    return RunCommand({"/usr/bin/env", env, "XDG_DATA_HOME=" + Path(data), VENDREL_CLI, "associate"});
  };
  const auto failed = associate("Inbox.dbx");  // no directory for the data files: said, not hidden
  EXPECT_TRUE(failed.exitCode == 1 && failed.err.find("association could not") != std::string::npos);
  const auto associated = associate("data");
  EXPECT_EQ(associated.exitCode, 0) << associated.err;
  EXPECT_TRUE(fs::exists(dir / "data/applications/vendrel-build.desktop") &&
              fs::exists(dir / "config/mimeapps.list"));
}

}  // namespace
}  // namespace vendrel
