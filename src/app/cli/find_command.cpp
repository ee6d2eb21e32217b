#include <cstdio>
#include <set>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/header.h"
#include "export/message_walk.h"
#include "export/store_folders.h"
#include "mail/message_search.h"
#include "platform/code_page.h"
#include "platform/format.h"

namespace vendrel::cli {

namespace {

// The options after FILE; none (with why) when one is not known or lacks its value.
std::optional<mail::SearchCriteria> ParseCriteria(const Arguments& arguments) {
  mail::SearchCriteria criteria;
  for (size_t i = 1; i < arguments.size(); i += 2) {
    if (i + 1 >= arguments.size()) return std::nullopt;
    const std::string& option = arguments[i];
    const std::string& value = arguments[i + 1];
    if (option == "--from") {
      criteria.from = value;
    } else if (option == "--to") {
      criteria.to = value;
    } else if (option == "--subject") {
      criteria.subject = value;
    } else if (option == "--text") {
      criteria.text = value;
    } else if (option == "--after" || option == "--before") {
      const std::optional<int64_t> day = mail::ParseDay(value);
      if (!day) return std::nullopt;
      (option == "--after" ? criteria.after : criteria.before) = day;
    } else {
      return std::nullopt;
    }
  }
  return criteria;
}

}  // namespace

int RunFind(const Arguments& arguments) {
  const std::optional<mail::SearchCriteria> criteria =
      arguments.empty() ? std::nullopt : ParseCriteria(arguments);
  if (!criteria) {
    PrintError("usage: vendrel-cli find FILE [--from X] [--to X] [--subject X] [--text X] [--after YYYY-MM-DD] "
               "[--before YYYY-MM-DD]");
    return kExitUsage;
  }
  StoreFolders folders;
  {
    DbStore store;
    if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
    folders = dbx::IsFolderDatabase(&store) ? ReadStoreFolders(store, arguments[0]) : SingleFolder(store, arguments[0]);
  }
  std::vector<std::string> problems;
  std::set<std::string> searched;  // a database two folders name is searched once
  int found = 0;
  QuietWatcher watcher;
  for (const StoreFolder& folder : folders.folders) {
    if (!folder.database || !searched.insert(*folder.database).second) continue;
    DbStore store;
    if (!store.Open(*folder.database) || !dbx::IsMessageDatabase(&store)) {
      problems.push_back("cannot search " + *folder.database + (store.IsOpen() ? ": not a message database"
                                                                                 : ": " + store.DescribeFailure()));
      continue;
    }
    const std::string folderName = LegacyCodePage().ToUtf8(folder.name);
    const MessageList list = MessagesOf(store, store.ReadU32(dbx::RootSlot(0)).value_or(0), true);
    std::string source;
    WalkMessages(store, list, false, watcher, problems, [&](uint32_t record, uint32_t, const MessageText& text) {
      source.clear();
      for (const std::span<const uint8_t> piece : text.pieces)
        source.append(reinterpret_cast<const char*>(piece.data()), piece.size());
      const mail::DecodedMessage message(criteria->NeedsBody() ? source : mail::HeaderOf(source));
      if (!mail::Matches(message, *criteria)) return true;
      ++found;
      std::printf("%s\t%08X\t%s\t%s\t%s\n", folderName.c_str(), record, LocalTime(message.date(), "%Y-%m-%d %H:%M").c_str(),
                  message.from().c_str(), message.subject().c_str());
      return true;
    });
  }
  for (const std::string& problem : problems) PrintError(problem + ": not searched");
  std::fflush(stdout);
  return found > 0 && problems.empty() ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
