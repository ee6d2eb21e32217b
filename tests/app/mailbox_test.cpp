// vendrel-cli export --format mbox|maildir, read back with Python's own mailbox module: every folder of
// the store with its messages in order; nothing outside the directory; what cannot be written left out
// and said.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>

#include "support/dbx_builder.h"
#include "support/process.h"

namespace vendrel {
namespace {

namespace fs = std::filesystem;
using namespace testsupport;

std::string FromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

using Message = std::pair<std::string, std::string>;  // its Maildir flags and its bytes
using Boxes = std::map<std::string, std::vector<Message>>;

// The mailboxes below directory as Python's mailbox module reads them.
Boxes ReadBack(const std::string& format, const fs::path& directory) {
  const auto result = RunCommand({"/usr/bin/env", "python3", READ_MAILBOXES, format, directory.string()});
  EXPECT_EQ(result.exitCode, 0) << result.err;
  Boxes boxes;
  std::istringstream lines(result.out);
  for (std::string kind, first, hex, current; lines >> kind;) {
    if (kind == "box") {
      std::getline(lines, first);
      current = FromHex(first.empty() ? "" : first.substr(1));
      boxes[current];
    } else {
      lines >> first >> hex;
      boxes[current].push_back({first == "-" ? "" : first, FromHex(hex)});
    }
  }
  return boxes;
}

class MailboxExport : public testing::Test {
 protected:
  void SetUp() override {
    fs::create_directory(dir / "store");
    DbxBuilder folders(DbKind::Folder);
    // Tree 0 in the order given: a subfolder may come before its parent.
    folders.AddFolders({{3, 2, "Zone", "Work.dbx", true, 0x21, 3},  // a child before its parent
                        {13, 14, "Ring", "", true, 0x21, 3},  // parents of each other: the first goes to the top
                        {14, 13, "Round", "", true, 0x21, 3},
                        {1, 0, "Local Folders", "", true, 0x31, 3},
                        {2, 1, "Inbox", "Inbox.dbx", true, 0x31, 3},
                        {4, 2, "zone", "work2.dbx", true, 0x21, 3},
                        {5, 1, "..", "Dots.dbx", true, 0x21, 3},
                        {6, 1, "a/b", "Slash.dbx", true, 0x21, 3},
                        {7, 1, "Empty", "Empty.dbx", true, 0x21, 3},
                        {8, 1, "Gone", "Gone.dbx", true, 0x21, 3},
                        {9, 1, "inbox.SBD", "Sbd.dbx", true, 0x21, 3},
                        {10, 1, "Hollow", "Hollow.dbx", true, 0x21, 3},
                        {11, 1, "Itself", "Folders.dbx", true, 0x21, 3},
                        {12, 1, std::string(199, 'L') + std::string(50, '\xE9'), "Long.dbx", true, 0x21, 3},
                        // Below it, Maildir names of 250 bytes (the longest taken) and 251.
                        {15, 12, std::string(35, 'A'), "", true, 0x21, 3},
                        {16, 12, std::string(36, 'B'), "", true, 0x21, 3}});
    folders.WriteTo(Folders());
    // The texts as the mail client stored them: "From " lines in a body, a last line without its end,
    // bare LF and bare CR line ends; senders from the record, the From field (where the record's one has
    // blanks), or nowhere.
    inbox = {Text(2, "ann@example.com",
                  "Subject: one\r\n\r\nFrom here on\r\n>From there\r\n>>From x\r\nFromage\r\n" +
                      std::string(17000, 'z') + "\r\n"),
             Text(3, "Bob Example", "From: Bob <bob@example.org>\r\nSubject: two\r\n\r\nno line end at the end", 0x01),
             Text(4, "", "Subject: three\nDate: Tue, 2 Jan 2007 10:00:00 +0100\n\nbare LF\n", 0x01),
             Text(5, "", "Subject: four\r\rbare CR\r")};
    inbox[2].sent = inbox[3].sent = 0;  // neither "Received" nor "Sent": the Date field tells, or nothing
    WriteMessages("Inbox.dbx", 2, inbox);
    const std::pair<const char*, uint32_t> others[] = {{"Work.dbx", 3},  {"work2.dbx", 4}, {"Dots.dbx", 5},
                                                       {"Slash.dbx", 6}, {"Sbd.dbx", 9},   {"Long.dbx", 12}};
    for (const auto& [file, id] : others)
      WriteMessages(file, id, {Text(2, "x@example.com", "Subject: only\r\n\r\nbody\r\n")}, file);
    WriteMessages("Empty.dbx", 7, {}, "Empty");
    // A message without text in the file, and a tree entry that names no record.
    WriteMessages("Dots.dbx", 5, {Text(2, "x@example.com", "Subject: only\r\n\r\nbody\r\n"), Text(3, "", "")},
                  "Dots.dbx");
    DbxBuilder slash(DbKind::Message);
    slash.SetFolder({.name = "Slash.dbx", .folderId = 6});
    slash.SetIndex(
        0, std::vector{slash.AddMessage(Text(2, "x@example.com", "Subject: only\r\n\r\nbody\r\n")), 0x10u});
    slash.WriteTo(Store("Slash.dbx"));
    WriteFileBytes(Store("Hollow.dbx"), {});
  }

  static MessageFields Text(uint32_t id, std::string from, std::string text, uint32_t flags = 0x81) {
    // Every text over several blocks of 0x10 bytes, lines split between them.
    return {.id = id,
            .subject = "Message " + std::to_string(id),
            .text = std::move(text),
            .textBlockRoom = 0x10,
            .flags = flags,
            .fromAddress = std::move(from)};
  }

  void WriteMessages(const std::string& file, uint32_t folderId, const std::vector<MessageFields>& messages,
                     const std::string& name = "Inbox") {
    DbxBuilder builder(DbKind::Message);
    builder.SetFolder({.name = name, .folderId = folderId});
    std::vector<uint32_t> records;
    for (const MessageFields& message : messages) records.push_back(builder.AddMessage(message));
    builder.SetIndex(0, records);
    builder.WriteTo(Store(file));
  }

  std::string Store(const std::string& file) const { return (dir / "store" / file).string(); }
  std::string Folders() const { return Store("Folders.dbx"); }
  CommandResult Export(const std::string& format, const std::string& out, bool force = false) {
    std::vector<std::string> argv{VENDREL_CLI, "export", Folders(), (dir / out).string(), "--format", format};
    if (force) argv.push_back("--force");
    return RunCommand(argv);
  }

  TempDir dir;
  std::vector<MessageFields> inbox;
};

// Every line end LF, as a Maildir holds a message.
std::string WithLfLineEnds(std::string text) {
  for (size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
  std::replace(text.begin(), text.end(), '\r', '\n');
  return text;
}

TEST_F(MailboxExport, AnMboxTreeAndAMaildirTreeHoldEveryFolderWithItsMessagesAsAnotherReaderSeesThem) {
  const auto mbox = Export("mbox", "mbox");
  EXPECT_TRUE(mbox.exitCode == 1 &&
              fs::status(dir / "mbox/store.sbd/Local Folders.sbd").permissions() == fs::perms(0755));
  EXPECT_TRUE(mbox.out.ends_with("Exported 10 msgs of 8 folders.Path: " + (dir / "mbox").string() + "\n"));
  // What cannot be read is said, each once, and the rest written.
  EXPECT_EQ(std::count(mbox.err.begin(), mbox.err.end(), '\n'), 5) << mbox.err;
  for (const std::string& said : std::vector<std::string>{
           "Gone.dbx of the folder Gone is not there", "cannot open " + Store("Hollow.dbx"),
           Folders() + " is not a message database",
           Store("Dots.dbx") + ": 1 messages have no text in the file (never downloaded): left out",
           Store("Slash.dbx") + ": the record at 00000010 is not valid: left out"})
    EXPECT_NE(mbox.err.find(said), std::string::npos) << mbox.err;
  // The store below one folder named after its directory.
  std::vector<std::string> names;
  for (const auto& [name, messages] : ReadBack("mbox", dir / "mbox"))
    names.push_back(name + ":" + std::to_string(messages.size()));
  const std::string in = "store.sbd/Local Folders.sbd/";
  EXPECT_EQ(names, (std::vector<std::string>{
                       "store:0", "store.sbd/Local Folders:0", in + "Empty:0", in + "Inbox:4",
                       in + "Inbox.sbd/Zone:1", in + "Inbox.sbd/zone (2):1",
                       in + std::string(199, 'L') + ":1",  // cut to leave room for " (2)", between characters
                       in + std::string(199, 'L') + ".sbd/" + std::string(35, 'A') + ":0",
                       in + std::string(199, 'L') + ".sbd/" + std::string(36, 'B') + ":0",
                       in + "__:1", in + "a_b:1",
                       in + "inbox.SBD (2):1",  // Inbox.sbd holds Inbox's subfolders
                       "store.sbd/Ring:0", "store.sbd/Ring.sbd/Round:0"}));
  // Only a folder with subfolders has a ".sbd" directory beside its mailbox.
  EXPECT_EQ(std::count_if(fs::recursive_directory_iterator(dir / "mbox"), fs::recursive_directory_iterator(),
                          [](const fs::directory_entry& entry) { return entry.is_directory(); }),
            5);
  // The separators name the sender and the time received, from the record or else from the header; the
  // read state follows.
  std::vector<std::string> separators;
  std::istringstream text(ReadText(dir / "mbox" / in / "Inbox"));
  for (std::string line, status; std::getline(text, line);)
    if (line.starts_with("From ") && std::getline(text, status)) separators.push_back(line + "|" + status);
  EXPECT_EQ(separators, (std::vector<std::string>{"From ann@example.com Mon Oct 16 00:28:40 2006|Status: RO",
                                                  "From bob@example.org Mon Oct 16 00:28:40 2006|Status: O",
                                                  "From MAILER-DAEMON Tue Jan  2 09:00:00 2007|Status: O",
                                                  "From MAILER-DAEMON Thu Jan  1 00:00:00 1970|Status: RO"}));

  // The Inbox is the Maildir's own, its subfolders below INBOX; LF line ends, the flags in the name.
  const auto maildir = Export("maildir", "maildir");
  ASSERT_EQ(maildir.exitCode, 1);
  EXPECT_NE(maildir.err.find("the folder " + std::string(36, 'B') + " lies too deep"), std::string::npos);
  const Boxes maildirs = ReadBack("maildir", dir / "maildir");
  const std::vector<Message>& stored = maildirs.at("");
  ASSERT_EQ(stored.size(), inbox.size());
  for (size_t i = 0; i < inbox.size(); ++i)
    EXPECT_EQ(stored[i], Message((inbox[i].flags & 0x80) != 0 ? "S" : "", WithLfLineEnds(inbox[i].text))) << i;
  EXPECT_TRUE(maildirs.contains("INBOX.zone (2)") && maildirs.contains("Local Folders.__") &&
              !maildirs.contains("Local Folders.Inbox"));
  EXPECT_TRUE(maildirs.at("Local Folders.Empty").empty() &&
              maildirs.contains("Local Folders." + std::string(199, 'L') + "." + std::string(35, 'A')));
  // Each file was received when its name says (the record's time, else the Date field), else now.
  for (const auto& entry : fs::directory_iterator(dir / "maildir" / "cur")) {
    const long long received = std::stoll(entry.path().filename().string());
    const auto modified = std::chrono::file_clock::to_sys(entry.last_write_time()).time_since_epoch();
    // To the second, exactly; without a time, the file keeps the time it was written (past 2000, say).
    EXPECT_TRUE(received != 0 ? modified == std::chrono::seconds(received) : modified > std::chrono::seconds(946684800))
        << entry.path();
  }
  EXPECT_NE(Export("maildir", "maildir").err.find("holds messages already"), std::string::npos);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), {}), 3);  // nothing beside what was asked for
  // Enough messages that the reader gets far ahead and converts some itself, and the mailbox goes out in
  // more than one write: all come out alike, each once.
  const std::string body(1000, 'b');
  const std::vector<MessageFields> many(
      300, Text(2, "x@example.com", "Subject: same\r\n\r\nFrom a line\r\n" + body));
  WriteMessages("Many.dbx", 20, many);
  RunCommand({VENDREL_CLI, "export", Store("Many.dbx"), (dir / "many").string(), "--format", "mbox"});
  std::string entries;
  for (size_t i = 0; i < many.size(); ++i)
    entries += "From x@example.com Mon Oct 16 00:28:40 2006\nStatus: RO\nX-Mozilla-Status: 0001\n"
               "Subject: same\n\n>From a line\n" + body + "\n\n";
  EXPECT_TRUE(ReadText(dir / "many/Inbox") == entries);
  RunCommand({VENDREL_CLI, "export", Store("Inbox.dbx"), (dir / "inbox").string(), "--format", "maildir",
              "--maildir-names", "utf8"});
  const Boxes alone = ReadBack("maildir", dir / "inbox");
  EXPECT_TRUE(alone.size() == 1 && alone.at("").size() == inbox.size());  // the server's INBOX
}

TEST_F(MailboxExport, AnMboxThatIsThereIsLeftAloneUnlessForcedAndAFailedWriteLeavesNoPartialFile) {
  const std::string first = Export("mbox", "mbox").err;
  const auto again = Export("mbox", "mbox");
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("is there already"), std::string::npos) << again.err;
  const auto forced = Export("mbox", "mbox", true);
  EXPECT_EQ(forced.err, first);  // each mailbox replaced: no problem beyond those of the first export

  // A link planted in the directory is not written through.
  for (const char* made : {"planted", "outside"}) fs::create_directories(dir / made);
  fs::create_directory_symlink(dir / "outside", dir / "planted" / "store.sbd");
  EXPECT_TRUE(Export("mbox", "planted").exitCode == 1 && fs::is_empty(dir / "outside"));

  // A Maildir that cannot be made is said and left out.
  fs::create_directories(dir / "blocked");
  WriteFileBytes(dir / "blocked" / ".Local Folders.Empty", {});
  EXPECT_NE(Export("maildir", "blocked").err.find("cannot make the Maildir"), std::string::npos);

  // A file size limit stands for a full disk: the writes stop part way, and a mailbox forced over one
  // that is there leaves that one as it was.
  const fs::path kept = dir / "mbox" / "store.sbd" / "Local Folders.sbd" / "Inbox";
  const std::vector<uint8_t> before = ReadFileBytes(kept);
  for (const std::string format : {"mbox", "eml", "maildir"}) {
    const std::string into = format == "mbox" ? "mbox" : "full-" + format;
    const auto full = RunCommand({"/bin/sh", "-c", "ulimit -f 2; exec \"$0\" export \"$1\" \"$2\" --format $3 --force",
                                  VENDREL_CLI, Folders(), (dir / into).string(), format});
    EXPECT_EQ(full.exitCode, 1) << format;
    EXPECT_NE(full.err.find(format == "mbox" ? "File too large; the mailbox there is left as it was"
                                             : "File too large"),
              std::string::npos)
        << full.err;
    EXPECT_EQ(full.out.find("Inbox\n"), std::string::npos) << full.out;  // nor said to be saved
  }
  EXPECT_TRUE(ReadFileBytes(kept) == before && fs::is_empty(dir / "full-maildir" / "tmp"));
}

// The host part of a Maildir file name keeps out the two characters the name reserves: "/" and ":".
TEST_F(MailboxExport, AHostNameWithTheCharactersAMaildirNameReservesIsWrittenEscaped) {
  if (geteuid() != 0) GTEST_SKIP() << "a host name of its own needs a namespace that only root may make";
  const auto result = RunCommand(
      {"/usr/bin/unshare", "--uts", "/bin/sh", "-c",
       "echo 'a/b:c' >/proc/sys/kernel/hostname && exec \"$0\" export \"$1\" \"$2\" --format maildir",
       VENDREL_CLI, Store("Work.dbx"), (dir / "host").string()});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir / "host"))
    if (entry.path().parent_path().filename() == "cur") names.push_back(entry.path().filename().string());
  ASSERT_EQ(names.size(), 1u);
  // Seconds, the process and the first delivery of this run, the host.
  const std::string& name = names[0];
  EXPECT_TRUE(name.find_first_not_of("0123456789") == name.find(".P") &&
              name.ends_with("Q1.a\\057b\\072c:2,S")) << name;
}

}  // namespace
}  // namespace vendrel
