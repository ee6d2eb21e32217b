// The commands of vendrel-cli. Each takes its own arguments (after the command name) and returns the
// process exit code; errors go to stderr as one line.
#pragma once

#include <string>
#include <vector>

namespace vendrel::cli {

using Arguments = std::vector<std::string>;

struct CliCommand {
  const char* name;
  const char* usage;
  const char* summary;
  int (*run)(const Arguments& arguments);
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
// The file could not be opened or is neither a folder database nor a message database.
inline constexpr int kExitNotDatabase = 2;

int RunHeader(const Arguments& arguments);
int RunRecords(const Arguments& arguments);
int RunText(const Arguments& arguments);
int RunShow(const Arguments& arguments);
int RunFind(const Arguments& arguments);
int RunTree(const Arguments& arguments);
int RunExport(const Arguments& arguments);
int RunSave(const Arguments& arguments);
int RunNewFolder(const Arguments& arguments);
int RunCheck(const Arguments& arguments);
int RunRecover(const Arguments& arguments);
int RunLocateStore(const Arguments& arguments);
int RunAssociate(const Arguments& arguments);

}  // namespace vendrel::cli
