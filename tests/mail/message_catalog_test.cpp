// The catalog a message list shows and the search over it: what is taken from the message and what from
// the record, what is left out and said, what the session keeps, and which messages a search finds in a
// store.
#include "mail/message_catalog.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "mail/message_finder.h"
#include "support/dbx_builder.h"
#include "support/stopping_watcher.h"

namespace vendrel::mail {
namespace {

using testsupport::DbKind;
using testsupport::DbxBuilder;
using testsupport::MessageFields;

TEST(MessageCatalog, TheHeaderDecodedComesFirstTheRecordFillsWhatItLacksAndDamageIsSaid) {
  testsupport::TempDir dir;
  DbxBuilder builder(DbKind::Message);
  MessageFields unread{2, "?? Estagi\xE1rio", "From: \"Ann\" <ann@example.com>\r\nCc: Carl <c@example.com>\r\n"
                       "Subject: =?UTF-8?B?8J+SvCBFc3RhZ2nDoXJpbw==?=\r\n"
                       "Date: Tue, 2 Jan 2007 10:00:00 +0100\r\n\r\nBody\r\n"};
  unread.flags = 0x01;
  unread.sent = 0;  // no time in the record: the header's Date
  MessageFields bare{3, "Gr\xFC\xDF" "e", "\r\nno header at all"};
  bare.fromName = "Bob";
  bare.fromAddress = "bob@example.com";
  const uint32_t records[] = {builder.AddMessage(unread), builder.AddMessage(bare), builder.AddMessage({4, "Lost", ""})};
  builder.SetIndex(0, std::vector<uint32_t>{records[0], records[1], records[2], 0x7FFFFFF0});
  const std::string path = builder.WriteTo(dir / "Inbox.dbx");
  DbStore store;
  ASSERT_TRUE(store.Open(path));
  QuietWatcher watcher;
  const MessageCatalog catalog = CatalogOf(store, "Inbox", watcher);
  ASSERT_EQ(catalog.entries.size(), 3u);
  const CatalogEntry& first = catalog.entries[0];
  EXPECT_EQ(first.headers.from + "|" + first.headers.to + "|" + first.headers.subject,
            "Ann <ann@example.com>|\nCarl <c@example.com>|💼 Estagiário");
  EXPECT_TRUE(!first.read && catalog.entries[1].read && first.headers.date == 1167728400);
  EXPECT_EQ(first.size, unread.text.size());
  // Without a header, the record's texts from its legacy code page; its times, the received one first.
  const CatalogEntry& second = catalog.entries[1];
  EXPECT_EQ(second.headers.from + "|" + second.headers.subject, "Bob <bob@example.com>|Grüße");
  EXPECT_EQ(second.headers.date, static_cast<int64_t>(bare.sent / 10000000 - 11644473600 + 600));
  EXPECT_TRUE(catalog.entries[2].firstBlock == 0 && catalog.entries[2].size == 0);  // listed, without text
  ASSERT_EQ(catalog.problems.size(), 1u);
  EXPECT_EQ(catalog.problems[0], "Inbox: the record at 7FFFFFF0 is not valid: left out");
  testsupport::StoppingWatcher stopping(3);
  const MessageCatalog stopped = CatalogOf(store, "Inbox", stopping);
  EXPECT_TRUE(stopped.stopped && stopped.entries.size() == 3u);

  // The session keeps a catalog while the file stays the same, not one that was stopped.
  CatalogCache cache;
  std::string failure;
  EXPECT_EQ(cache.Get(path, stopping, failure)->entries.size(), 3u);
  const auto kept = cache.Get(path, watcher, failure);
  EXPECT_TRUE(cache.Get(path, watcher, failure) == kept && !kept->stopped);
  cache.Forget(path);
  EXPECT_NE(cache.Get(path, watcher, failure), kept);
  DbxBuilder other(DbKind::Message);  // the file changed by someone else meanwhile
  other.SetIndex(0, std::vector<uint32_t>{other.AddMessage({2, "Other", "Subject: Other\r\n\r\n"})});
  other.WriteTo(path);
  EXPECT_EQ(cache.Get(path, watcher, failure)->entries.size(), 1u);
  EXPECT_TRUE(cache.Get(dir / "none.dbx", watcher, failure) == nullptr && failure.find("none.dbx") != std::string::npos);
}

TEST(MessageFinder, AStoreIsSearchedDatabaseByDatabaseTheTextOnlyOfMessagesWhoseHeadersMatch) {
  testsupport::TempDir dir;
  DbxBuilder folders(DbKind::Folder);
  folders.AddFolders({{1, 0, "Inbox", "Inbox.dbx", true, 0}, {2, 0, "Copy", "Inbox.dbx", true, 0},
                      {3, 0, "Gone", "Gone.dbx", true, 0}, {4, 0, "Sent", "Sent.dbx", true, 0}});
  folders.WriteTo(dir / "Folders.dbx");
  std::vector<uint32_t> records;
  DbxBuilder inbox(DbKind::Message);
  for (const char* text : {"From: ann@example.com\r\nSubject: Caf\xC3\xA9\r\n\r\nThe t\xC3\xA9 is ready\r\n",
                           "From: bob@example.com\r\nSubject: Cafe\r\n\r\nThe coffee is ready\r\n",
                           "From: ann@example.com\r\nSubject: News\r\nContent-Transfer-Encoding: base64\r\n\r\n"
                           "VGhlIHTDqSBpcyBjb2xk\r\n"})
    records.push_back(inbox.AddMessage({static_cast<uint32_t>(records.size() + 2), "", text}));
  inbox.SetIndex(0, records);
  inbox.WriteTo(dir / "Inbox.dbx");
  std::filesystem::copy_file(dir / "Folders.dbx", dir / "Sent.dbx");  // no message database
  std::string failure;
  const std::vector<SearchTarget> targets = SearchTargetsOf(dir / "Folders.dbx", failure);
  ASSERT_EQ(targets.size(), 2u);  // Inbox.dbx once; Gone.dbx is not there
  EXPECT_EQ(targets[0].folder, "Inbox");
  QuietWatcher watcher;
  CatalogCache cache;
  const auto found = [&](SearchCriteria criteria) {
    const SearchOutcome outcome = FindMessages(targets, criteria, cache, watcher);
    std::string ras;
    for (const FoundMessage& message : outcome.found) ras += std::to_string(message.entry.record - records[0]) + " ";
    return ras + std::to_string(outcome.problems.size());
  };
  const uint32_t second = records[1] - records[0], third = records[2] - records[0];
  EXPECT_EQ(found({.from = "ANN"}), "0 " + std::to_string(third) + " 1");  // Sent.dbx said not searched
  EXPECT_EQ(found({.subject = "CAFÉ", .text = "TÉ"}), "0 1");
  EXPECT_EQ(found({.text = "IS"}), "0 " + std::to_string(second) + " " + std::to_string(third) + " 1");
  EXPECT_EQ(found({.from = "bob", .text = "thé"}), "1");
  EXPECT_TRUE(SearchTargetsOf(dir / "none.dbx", failure).empty() && !failure.empty());
  // A search stopped early finds only among the texts it read.
  DbxBuilder many(DbKind::Message);
  std::vector<uint32_t> all;
  for (uint32_t id = 2; id < 1002; ++id)
    all.push_back(many.AddMessage({id, "", "Subject: s\r\n\r\nbody\r\n"}));
  many.SetIndex(0, all);
  many.WriteTo(dir / "Inbox.dbx");
  ASSERT_EQ(cache.Get(targets[0].database, watcher, failure)->entries.size(), 1000u);
  testsupport::StoppingWatcher stopping(1);
  const SearchOutcome stopped = FindMessages(targets, {.text = "nowhere"}, cache, stopping);
  EXPECT_TRUE(stopped.stopped && stopped.found.empty()) << stopped.found.size();
}

}  // namespace
}  // namespace vendrel::mail
