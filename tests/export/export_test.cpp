// Message export below the items: line ends for .eml, mbox and Maildir, Maildir names, safe names, what
// a mailbox reads from a message's header, and the .eml file itself.
#include <gtest/gtest.h>

#include <climits>
#include <deque>
#include <filesystem>
#include <random>
#include <set>
#include <sstream>
#include <thread>

#include <sys/socket.h>
#include <unistd.h>

#include <numeric>

#include "export/byte_sink.h"
#include "export/export_path.h"
#include "export/line_ends.h"
#include "export/mail_headers.h"
#include "export/maildir.h"
#include "export/lf_body.h"
#include "export/message_file.h"
#include "export/safe_name.h"
#include "export/store_export.h"
#include "export/store_folders.h"
#include "dbx/sibling_file.h"
#include "export/text_read_ahead.h"
#include "platform/format.h"
#include "platform/write_faults.h"
#include "support/db_file.h"
#include "support/process.h"
#include "support/scoped_desktop.h"
#include "support/stopping_watcher.h"

namespace vendrel {
namespace {

using testsupport::DbFile, testsupport::ReadText;
namespace fs = std::filesystem;

// Every line end, CR LF or a bare CR or LF, written as end: the rule for .eml, as plainly as it can be said.
std::string WithLineEnds(const std::string& text, const std::string& end) {
  std::string out;
  for (size_t i = 0; i < text.size(); i += text.compare(i, 2, "\r\n") == 0 ? 2 : 1)
    out += text[i] == '\r' || text[i] == '\n' ? end : std::string(1, text[i]);
  return out;
}

// The rule for mboxrd: each line, the last one too, ends with LF, a ">"*"From " line gets one more ">".
std::string AsMboxrd(const std::string& text) {
  std::istringstream lines(WithLineEnds(text, "\n"));
  std::string out;
  for (std::string line; std::getline(lines, line);) {
    const size_t from = line.find_first_not_of('>');
    out += (from != std::string::npos && line.compare(from, 5, "From ") == 0 ? ">" : "") + line + "\n";
  }
  return out + "\n";
}

// Random texts of line ends, ">" and "From " fed in random pieces, short ones and ones long enough for the
// vector loops, against the plain rules above.
TEST(LineEnds, EmlMboxrdAndMaildirTextsFollowTheirRulesHoweverTheTextIsCutIntoPieces) {
  const char* parts[] = {"\r", "\n", "\r\n", ">", ">>>>>>>>>>>>", "From ", "Fro", "m", "x", "y z"};
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    std::string text, eml, mbox, maildir;
    for (size_t i = random() % 40; i > 0; --i) text += parts[random() % std::size(parts)];
    StringSink emlSink(eml), mboxSink(mbox), maildirSink(maildir);
    CrLfNormalizer normalizer;
    LfBody body(LfBody::Kind::MboxEntry), plain(LfBody::Kind::Plain);
    std::vector<std::span<const uint8_t>> pieces;
    std::deque<std::vector<uint8_t>> copies;  // each piece in a room of its own size: a read past it is seen
    for (size_t at = 0; at < text.size(); at += pieces.back().size()) {
      const size_t size = std::min<size_t>(random() % (round % 2 == 0 ? 12 : 100), text.size() - at);
      pieces.emplace_back(copies.emplace_back(text.begin() + at, text.begin() + at + size));
      normalizer.Feed(pieces.back(), emlSink);
      body.Feed(pieces.back(), mboxSink);
      plain.Feed(pieces.back(), maildirSink);
    }
    normalizer.Finish(emlSink);
    body.Finish(mboxSink);
    plain.Finish(maildirSink);
    ASSERT_EQ(std::tuple(eml, mbox, maildir),
              std::tuple(WithLineEnds(text, "\r\n"), AsMboxrd(text), WithLineEnds(text, "\n")))
        << round;
    ASSERT_EQ(IsCrLfOnly(pieces), eml == text) << round;
  }
}

// A folder name as one level of a Maildir++ name: the separator escaped, then IMAP's modified UTF-7 or
// UTF-8 as it is.
TEST(MaildirNames, AFolderNameIsEscapedThenWrittenAsTheServerKeepsNames) {
  const struct {
    const char *name, *utf7, *utf8;
  } cases[] = {{"Boîte de réception", "Bo&AO4-te de r&AOk-ception", "Boîte de réception"},
               {"Café", "Caf&AOk-", "Café"},  // the encoded run closed at the end too
               {"日本", "&ZeVnLA-", "日本"},
               {"R&D", "R&-D", "R&D"},
               {"a.b%c/d", "a%2Eb%25c%2Fd", "a%2Eb%25c%2Fd"}};
  for (const auto& c : cases) {
    EXPECT_EQ(MaildirNamePart(c.name, MaildirNames::ModifiedUtf7), c.utf7) << c.name;
    EXPECT_EQ(MaildirNamePart(c.name, MaildirNames::Utf8), c.utf8) << c.name;
  }
}

// Pieces go out together, a thousand a system call, whole and in order: never a call a line.
TEST(FileSink, PiecesGoOutInAFewCallsWholeAndInOrder) {
  int ends[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);  // one packet a call
  std::vector<std::string> packets;
  std::thread reader([&] {
    char packet[65536];
    for (ssize_t got; (got = read(ends[1], packet, sizeof packet)) > 0;) packets.emplace_back(packet, got);
  });
  std::string text(4000, ' '), expected;
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
  {
    FileSink sink(ends[0]);
    for (size_t i = 0; i < text.size(); i += 2) {  // every other byte: no piece adjoins the one before
      sink.Run(reinterpret_cast<const uint8_t*>(text.data() + i), 1);
      expected += text[i];
    }
    EXPECT_TRUE(sink.Flush());
  }
  close(ends[0]);
  reader.join();
  close(ends[1]);
  EXPECT_EQ(packets.size(), 2u);
  EXPECT_EQ(std::accumulate(packets.begin(), packets.end(), std::string()), expected);
}

TEST(MailHeaders, SenderAndDateAreReadFromTheHeaderAsMailClientsWriteThem) {
  const std::string header =
      "Subject: x\r\nfrom: \"Ann, A.\"\r\n <ann@example.com>\r\n\t(Ann)\r\nDate: now\r\n";
  EXPECT_EQ(HeaderField(header, "From"), " \"Ann, A.\" <ann@example.com>\t(Ann)");
  EXPECT_TRUE(HeaderField(header, "Date") == " now" && !HeaderField(header, "Subj") &&
              !HeaderField(std::string_view(header).substr(0, 7), "Subject"));  // a name cut off is no field
  for (const auto& [field, address] : {std::pair{"Bob <bob@example.org>", "bob@example.org"},
                                       {"bob@example.org (Bob)", "bob@example.org"},
                                       {"<not an address> bo~b@x.org", "bo~b@x.org"}})
    EXPECT_EQ(AddressIn(field), address) << field;
  EXPECT_EQ(AddressIn("Nobody"), std::nullopt);
  const std::string longest = std::string(249, 'a') + "@x.org";  // 255 bytes: the longest taken
  EXPECT_TRUE(AddressIn(longest) == longest && !AddressIn("b" + longest));
  const std::pair<const char*, int64_t> dates[] = {
      {"2 Jan 2007 10:00:00 +0100 (UTC+1)", 1167728400}, {"2 january 2007 10:00 -0130 (NT)", 1167737400},
      {"2 Jan 2007 10:00:05 +0000", 1167732005},         {"1 Jan 50 00:00:00", -631152000},
      {"2 Jan 2007 10:00.05 +0000", 1167732000},         {"1 Feb 49 00:00:00", 2495750400},
      {"Mon, 31 Dec 99 23:59:60 GMT", 946684800},        {"1 Jan 100 00:00:00", 946684800}};
  for (const auto& [date, seconds] : dates) EXPECT_EQ(ParseMailDate(date), seconds) << date;
  for (const char* date :
       {"Tue, 2 Jan 2007", "32 Jan 2007 10:00", "0 Jan 2007 10:00", "2 Foo 2007 10:00", "2 Jan 2007 24:00",
        "2 Jan 2007 10:60", "2 Jan 2007 10:0:61", "2 Jan 2007 10-00", "2 Jan 2007 10:0"})
    EXPECT_EQ(ParseMailDate(date), std::nullopt) << date;
  EXPECT_TRUE(UnixTimeOf(116444736000000000) == 0 && !UnixTimeOf(116444735990000000));
  EXPECT_EQ(AsctimeUtc(1167728400) + AsctimeUtc(-5), "Tue Jan  2 09:00:00 2007Thu Jan  1 00:00:00 1970");
}

TEST(FolderFile, IsFoundAsUtf8AsItsStoredBytesOrInAnotherLetterCaseButNeverOutsideTheDirectory) {
  testsupport::TempDir dir;
  const std::string d = dir.path().string() + "/";
  fs::create_directory(dir / "sub");
  for (const char* name : {"inbox.dbx", "Bo\xC3\xAEte.dbx", "Bo\xEEte2.dbx", "zap a.dbx", "Twin.dbx",
                           "TWIN.dbx", "sub/x.dbx", "x.dbx"})
    testsupport::WriteFileBytes(dir / name, std::vector<uint8_t>{'x'});
  for (const auto& [stored, found] : std::vector<std::pair<std::string, std::string>>{
           {"Inbox.dbx", d + "inbox.dbx"},
           {"Bo\xEEte.dbx", d + "Bo\xC3\xAEte.dbx"},  // copied from Windows: UTF-8
           {"Bo\xEEte2.dbx", d + "Bo\xEEte2.dbx"},    // unpacked without converting names: the stored bytes
           {"BO\xEETE.DBX", d + "Bo\xC3\xAEte.dbx"},
           {"ZAP A.DBX", d + "zap a.dbx"}})
    EXPECT_EQ(ResolveFolderFile(d, stored), found) << stored;
  // Not found: twin.dbx matches two files that differ in case, and there is no guessing.
  for (const char* stored : {"twin.dbx", "../x.dbx", "sub/x.dbx", "..", "missing.dbx"})
    EXPECT_EQ(ResolveFolderFile(d, stored), std::nullopt) << stored;
  EXPECT_EQ(ResolveSiblingFile(d, "X.DBX"), d + "x.dbx");
  EXPECT_EQ(DirectoryOf("/a/b.dbx") + DirectoryOf("b.dbx"), "/a/");
}

// The store's Inbox, the server's INBOX: the folder of Inbox.dbx wherever it is, else a top folder so named.
TEST(StoreFolders, TheInboxIsTheFolderOfInboxDbxElseATopFolderNamedSo) {
  StoreFolders store;  // 0 "Local Folders" > 1 "Mail" (INBOX.DBX); 2 "INBOX" and 3 "inbox", both at the top
  store.folders = {{"Local Folders", "", std::nullopt, {1}}, {"Mail", "INBOX.DBX", std::nullopt, {}},
                   {"INBOX", "", std::nullopt, {}}, {"inbox", "", std::nullopt, {}}};
  store.top = {0, 2, 3};
  EXPECT_EQ(FindInbox(store), 1u);
  store.folders[1].fileName = "Mail.dbx";
  EXPECT_EQ(FindInbox(store), 2u);
  store.folders[2].name = store.folders[3].name = "Outbox";
  EXPECT_EQ(FindInbox(store), std::nullopt);
}

class MessageFile : public testing::Test {
 protected:
  uint32_t Message(const std::string& text) { return builder.AddMessage({++lastId, "s", text}); }

  testsupport::DbxBuilder builder{testsupport::DbKind::Message};
  uint32_t lastId = 1;
  testsupport::TempDir out;
  testsupport::ScopedDesktop desktop;
};

TEST_F(MessageFile, AMessageWithoutTextLeavesNoFileAndIsSaidOnceWhenAsked) {
  const uint32_t ra = Message("");
  DbFile db(builder);
  std::string error;
  EXPECT_FALSE(WriteMessageFile(db.store, ra, (out / "none.eml").string(), error) ||
               fs::exists(out / "none.eml"));
  EXPECT_TRUE(error == "the message has no text in the file" && desktop.desktop.diagnostics().empty());
  EXPECT_FALSE(CanExport(db.store, ra, false) || CanExport(db.store, ra, true));
  ASSERT_EQ(desktop.desktop.messages().size(), 1u);
  EXPECT_EQ(desktop.desktop.messages()[0].text, "No body - possible not to download!");
  EXPECT_EQ(desktop.desktop.messages()[0].caption, "Can't show");
}

// Without a time in its record, a message was received when its Date field says, within the years a
// separator can name; one from before 1970 says nothing.
TEST_F(MessageFile, WithoutATimeInItsRecordTheDateFieldSaysWhenWithinTheYearsASeparatorNames) {
  const std::pair<std::string, int64_t> dates[] = {{"31 Dec 1969 23:59:59 +0000", 0},
                                                   {"1 Jan 1970 00:00:01 +0000", 1},
                                                   {"1 Jan 10000 00:00:00 +0000", 253402300799}};
  std::vector<uint32_t> records;
  for (const auto& [date, seconds] : dates)
    records.push_back(builder.AddMessage({++lastId, "s", "Date: " + date + "\r\n\r\n", 0x40, 0x01, 0}));
  DbFile db(builder);
  for (size_t i = 0; i < records.size(); ++i) {
    LazyHeader header(db.store, dbx::GetTextOffset(db.store, records[i]));
    EXPECT_EQ(ReceivedTime(db.store, records[i], header), dates[i].second) << dates[i].first;
  }
}

TEST_F(MessageFile, AFileIsWrittenAsTheNewFileItReplacesAndNoPathIsCut) {
  const uint32_t ra = Message("new\r\n");
  DbFile db(builder);
  testsupport::WriteFileBytes(out / "old.eml", std::vector<uint8_t>(100, 'x'));
  std::string error;
  ASSERT_TRUE(WriteMessageFile(db.store, ra, (out / "old.eml").string(), error));
  EXPECT_TRUE(ReadText(out / "old.eml") == "new\r\n" &&
              desktop.desktop.statusLines().back() == (out / "old.eml").string());
  EXPECT_FALSE(WriteMessageFile(db.store, ra, (out / "gone/x.eml").string(), error));
  EXPECT_EQ(desktop.desktop.diagnostics(),
            std::vector<std::string>{"    BAG! File " + (out / "gone/x.eml").string() +
                                     " failed to create!\nCheck GetSafeDispName()\n"});
  testsupport::TempDir elsewhere;
  fs::create_directory_symlink(elsewhere.path(), out / "Outbox");
  EXPECT_TRUE(MakeDirectory((out / "Inbox").string()) && MakeDirectory((out / "Inbox").string()) &&
              fs::status(out / "Inbox").permissions() == fs::perms(0755));  // as made: all may read
  EXPECT_FALSE(MakeDirectory((out / "Outbox").string()) || MakeDirectory(""));

  EXPECT_EQ(MakeExportPath(db.store, ra, "/out"), "/out/s 00000005_00000002.eml");
  EXPECT_EQ(GetSafeDispName("a\xE9\xE9:\xE9", 5), "a\xC3\xA9\xC3\xA9_");  // whole characters, ':' unsafe
  // A path is never cut: one of PATH_MAX bytes, with its terminator past the limit, is refused.
  const std::string deep = "/" + std::string(PATH_MAX - 26, 'd'), file = "/s 00000005_00000002.eml";
  EXPECT_EQ(MakeExportPath(db.store, ra, deep), deep + file);
  EXPECT_FALSE(MakeExportPath(db.store, ra, deep + "d") || MakeExportPath(db.store, ra, "") ||
               MakeExportPath(db.store, ra + 4, "/out"));
}

// The reader runs ahead through a ring of a few texts and bytes: each text comes whole (from its record, or
// from a chain found without one), its line ends judged and converted (wholly by the reader where it is
// far enough ahead), also when the writer passes texts over, and a writer that stops early is not kept
// waiting.
TEST_F(MessageFile, TextsReadAheadComeWholeInTheOrderAskedWhateverTheRingHolds) {
  const auto textOf = [](size_t i) { return std::string(100 + 97 * i, 'a') + (i % 3 == 0 ? "\n" : "\r\n"); };
  std::vector<uint32_t> records;
  for (size_t i = 0; i < 30; ++i) records.push_back(Message(textOf(i)));
  DbFile db(builder);
  std::vector<TextSource> sources;
  for (size_t i = 0; i < records.size(); ++i)
    sources.push_back(i % 2 == 0 ? TextSource{records[i], 0} : TextSource{0, dbx::GetTextOffset(db.store, records[i])});
  sources.push_back({records[0] + 4, 0});  // no record there
  const ConvertText convert = [&](const TextSource& source, const MessageText& text, BufferSink& converted,
                                  bool spare) {
    converted.Copy(Format("%u:%u", source.record, text.firstBlock));
    return spare;
  };
  for (const ReadAheadLimits limits : {ReadAheadLimits{0, 1}, {2, 1u << 30}, {4, 1000}, {30, 1u << 30, 8}}) {
    TextReadAhead ahead(db.store, sources, true, limits, convert);
    for (size_t i = 0; i < records.size(); i += 1 + i % 2) {
      const MessageText& text = ahead.Take(i);
      std::this_thread::sleep_for(std::chrono::microseconds(300));  // the reader runs as far as it may
      std::string joined;
      for (const auto piece : text.pieces)
        joined.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      const uint32_t first = dbx::GetTextOffset(db.store, records[i]);
      // The writer waits for the ring to fill before it takes the first: the reader is 8 ahead from the 9th.
      const bool spare = limits.spare == 8 && i >= 8;
      EXPECT_EQ(std::tuple(joined, text.crLfOnly, text.firstBlock, std::string(text.converted->view()),
                           text.convertedWhole),
                std::tuple(textOf(i), i % 3 != 0, first, Format("%u:%u", sources[i].record, first), spare))
          << limits.texts << " " << i;
    }
    const MessageText& none = ahead.Take(records.size());
    EXPECT_TRUE(!none.recordValid && none.firstBlock == 0 && none.pieces.empty() &&
                none.converted->size() == 0);
  }
  TextReadAhead stopped(db.store, sources, false, {2, 1});
  EXPECT_FALSE(stopped.Take(3).crLfOnly);
  // A slot does not keep the room of a long text it once held: a thousand slots would keep a thousand.
  const ConvertText firstLong = [&](const TextSource& source, const MessageText&, BufferSink& converted, bool) {
    converted.Copy(std::string(source.record == records[0] ? 1 << 20 : 1, 'x'));
    return true;
  };
  TextReadAhead ring(db.store, sources, false, {2, 1u << 30}, firstLong);
  EXPECT_GE(ring.Take(0).converted->capacity(), 1u << 20);
  EXPECT_LE(ring.Take(2).converted->capacity(), 16u << 10);  // the same slot
}

// Every file under a name in directory is one a whole export writes; with nothing half made, no file
// is being written either (a mailbox beside its name, a message in a Maildir's tmp/).
void ExpectOnlyWholeFilesNamed(const fs::path& directory, const std::set<std::string>& whole, bool nothingHalfMade) {
  for (const auto& entry : fs::recursive_directory_iterator(directory)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = entry.path().filename().string(), under = entry.path().parent_path().filename();
    const bool named = !name.starts_with(".vendrel-") && under != "tmp";
    EXPECT_TRUE(named ? whole.contains(ReadText(entry.path())) : !nothingHalfMade) << entry.path();
  }
}

// A write refused anywhere in an export (a disk that fails for a moment) is never reported as a whole
// export: something is said left out, and every message counted as written is there.
TEST_F(MessageFile, AWriteRefusedAnywhereInAnExportIsSaidAndWhatIsCountedIsThere) {
  std::vector<uint32_t> records;
  for (int i = 0; i < 3; ++i) records.push_back(Message("Subject: m\r\n\r\nbody\r\n"));
  builder.SetIndex(0, records);
  const std::string path = builder.WriteTo(out / "Inbox.dbx");
  const auto written = [](ExportFormat format, const fs::path& directory) {
    int messages = 0;
    if (!fs::exists(directory)) return messages;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
      if (!entry.is_regular_file() || entry.path().filename() == "maildirfolder") continue;
      if (format != ExportFormat::Mbox) ++messages;
      const std::string text = format == ExportFormat::Mbox ? ReadText(entry.path()) : "";
      for (size_t at = text.find("From "); at != std::string::npos; at = text.find("\nFrom ", at + 1)) ++messages;
    }
    return messages;
  };
  QuietWatcher watcher;
  const StoreExport none = ExportStore((out / "none.dbx").string(), (out / "none").string(), {}, watcher);
  EXPECT_EQ(none.problems.size(), 1u);  // a file that cannot be opened is said, not exported as empty
  for (const ExportFormat format : {ExportFormat::Eml, ExportFormat::Mbox, ExportFormat::Maildir}) {
    const std::string kind = std::to_string(static_cast<int>(format));
    ArmWriteFault(0);
    ASSERT_EQ(ExportStore(path, (out / kind).string(), {.format = format}, watcher).messages, 3);
    const uint64_t points = WritePointsPassed();
    std::set<std::string> whole;  // what a whole export writes
    for (const auto& entry : fs::recursive_directory_iterator(out / kind))
      if (entry.is_regular_file()) whole.insert(ReadText(entry.path()));
    for (uint64_t at = 1; at <= points; ++at) {
      const fs::path into = out / (kind + "-" + std::to_string(at));
      ArmWriteFault(at);
      const StoreExport failed = ExportStore(path, into.string(), {.format = format}, watcher);
      ArmWriteFault(0);
      EXPECT_FALSE(failed.problems.empty()) << kind << " " << at;
      EXPECT_EQ(written(format, into), failed.messages) << kind << " " << at;
      // One file left out is named once, not counted again among "more".
      EXPECT_TRUE(format != ExportFormat::Eml || failed.messages != 2 || failed.problems.size() == 1) << at;
      if (format == ExportFormat::Eml) continue;  // where a file is written under its name, it may be cut
      // Stopped dead there: a mailbox, or a message delivered, is whole or not there at all.
      const fs::path dead = out / (kind + "-dead-" + std::to_string(at));
      const pid_t child = testsupport::StartChild([&] {
        ArmWriteFault(at, WriteFault::Die);
        ExportStore(path, dead.string(), {.format = format}, watcher);
        return 0;
      });
      ASSERT_EQ(testsupport::WaitChild(child), kDiedAtWritePoint) << kind << " " << at;
      ExpectOnlyWholeFilesNamed(dead, whole, false);
    }
    // Stopped by the user after the first or the second message: the same, and nothing half made stays.
    // A stop as the last one went out leaves nothing out.
    for (const uint64_t after : {1, 2, 3}) {
      const fs::path into = out / (kind + "-stopped-" + std::to_string(after));
      testsupport::StoppingWatcher stopping(after);
      const StoreExport stopped = ExportStore(path, into.string(), {.format = format}, stopping);
      EXPECT_EQ(stopped.stopped, after < 3) << kind << " " << after;
      // A mailbox cut by the stop is left out whole, and that is said.
      EXPECT_EQ(!stopped.problems.empty(), format == ExportFormat::Mbox && after < 3) << kind << " " << after;
      EXPECT_EQ(written(format, into), stopped.messages) << kind << " " << after;
      ExpectOnlyWholeFilesNamed(into, whole, true);
    }
  }
}

}  // namespace
}  // namespace vendrel
