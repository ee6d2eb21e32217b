#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "mail/message_finder.h"

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
  {
    DbStore store;
    if (const int opened = OpenDatabase(store, arguments[0]); opened != kExitOk) return opened;
  }
  std::string failure;
  const std::vector<mail::SearchTarget> targets = mail::SearchTargetsOf(arguments[0], failure);
  QuietWatcher watcher;
  const mail::SearchOutcome outcome = mail::FindMessages(targets, *criteria, mail::SessionCatalogs(), watcher);
  for (const mail::FoundMessage& found : outcome.found) {
    const mail::MessageHeaders& headers = found.entry.headers;
    std::printf("%s\t%08X\t%s\t%s\t%s\n", targets[found.target].folder.c_str(), found.entry.record,
                LocalTime(headers.date, "%Y-%m-%d %H:%M").c_str(), headers.from.c_str(), headers.subject.c_str());
  }
  if (!failure.empty()) PrintError(failure);
  for (const std::string& problem : outcome.problems) PrintError(problem + ": not searched");
  std::fflush(stdout);
  return !outcome.found.empty() && outcome.problems.empty() && failure.empty() ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
