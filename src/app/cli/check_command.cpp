// vendrel-cli check: the consistency check of a database, or of a whole store given its Folders.dbx.
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "dbx/database_check.h"
#include "dbx/header.h"
#include "platform/format.h"

namespace vendrel::cli {

namespace {

QString Text(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

void PrintJson(const std::vector<dbx::FileCheck>& files, size_t problems) {
  QJsonArray checked;
  for (const dbx::FileCheck& file : files) {
    QJsonArray found;
    for (const dbx::CheckProblem& problem : file.check.problems) {
      found.append(QJsonObject{{"ra", Text(Format("%08X", problem.ra))},
                               {"structure", Text(problem.structure)},
                               {"problem", Text(problem.what)}});
    }
    const dbx::DatabaseCheck& check = file.check;
    checked.append(QJsonObject{{"path", Text(file.path)},
                               {"problems", found},
                               {"bytes", static_cast<qint64>(check.fileBytes)},
                               {"unusedBytes", static_cast<qint64>(check.unusedBytes)},
                               {"trees", static_cast<qint64>(check.trees)},
                               {"indexNodes", static_cast<qint64>(check.nodes)},
                               {"records", static_cast<qint64>(check.records)},
                               {"textBlocks", static_cast<qint64>(check.textBlocks)}});
  }
  const QJsonObject report{{"databases", checked}, {"problems", static_cast<qint64>(problems)}};
  std::printf("%s", QJsonDocument(report).toJson(QJsonDocument::Indented).constData());
}

}  // namespace

int RunCheck(const Arguments& arguments) {
  const bool json = arguments.size() == 2 && arguments[1] == "--json";
  if (arguments.size() != 1 && !json) {
    PrintError("usage: vendrel-cli check FILE [--json]");
    return kExitUsage;
  }
  const std::string& path = arguments[0];
  DbStore store;
  if (!store.OpenAsFound(path)) {
    PrintError("cannot open " + path + ": " + store.DescribeFailure());
    return store.lastFailure() == OpenFailure::Locked ? kExitFailed : kExitNotDatabase;
  }
  std::vector<dbx::FileCheck> files;
  if (dbx::IsFolderDatabase(&store)) {
    files = dbx::CheckStore(store, path);
  } else {
    files.push_back({path, dbx::CheckDatabase(store)});
  }
  if (!files.front().check.readable) {
    PrintError(path + " is no folder or message database");
    return kExitNotDatabase;
  }
  size_t problems = 0;
  uint64_t nodes = 0, records = 0, blocks = 0, unused = 0, bytes = 0;
  for (const dbx::FileCheck& file : files) {
    problems += file.check.problems.size();
    nodes += file.check.nodes;
    records += file.check.records;
    blocks += file.check.textBlocks;
    unused += file.check.unusedBytes;
    bytes += file.check.fileBytes;
  }
  if (json) {
    PrintJson(files, problems);
  } else {
    for (const dbx::FileCheck& file : files) {
      for (const dbx::CheckProblem& problem : file.check.problems) {
        std::printf("%s: %08X %s: %s\n", file.path.c_str(), problem.ra, problem.structure.c_str(),
                    problem.what.c_str());
      }
    }
    std::printf("%s: %zu problem%s in %zu database%s; %llu index nodes, %llu records, %llu text blocks; "
                "%llu of %llu bytes used by no structure\n",
                problems == 0 ? "ok" : "damaged", problems, problems == 1 ? "" : "s", files.size(),
                files.size() == 1 ? "" : "s", static_cast<unsigned long long>(nodes),
                static_cast<unsigned long long>(records), static_cast<unsigned long long>(blocks),
                static_cast<unsigned long long>(unused), static_cast<unsigned long long>(bytes));
  }
  return problems == 0 ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
