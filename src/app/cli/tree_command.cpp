// vendrel-cli tree: the item model driven as a user clicking through the explorer would, printed.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/cli/cli_command.h"
#include "app/cli/cli_support.h"
#include "controllers/explorer_walk.h"
#include "items/in_memory_controls.h"
#include "platform/desktop.h"
#include "platform/status_text.h"

namespace vendrel::cli {

namespace {

// The explorer's status line shows every caption it passes; of those a walk reports only what failed.
class WalkDesktop : public CliDesktop {
 public:
  void ShowStatus(std::string_view text) override {
    if (!text.starts_with("Failed")) return;
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
    ++failures;
  }
  int failures = 0;
};

}  // namespace

int RunTree(const Arguments& arguments) {
  std::string path;
  int maxDepth = 1 << 20;
  for (size_t i = 0; i < arguments.size(); ++i) {
    if (arguments[i] == "--depth" && i + 1 < arguments.size()) {
      char* end = nullptr;
      const long depth = std::strtol(arguments[++i].c_str(), &end, 10);
      if (*end != '\0' || depth < 0) return PrintError("--depth takes a number of levels"), kExitUsage;
      maxDepth = static_cast<int>(std::min<long>(depth, maxDepth));
    } else if (path.empty()) {
      path = arguments[i];
    } else {
      return PrintError("usage: vendrel-cli tree FILE [--depth N]"), kExitUsage;
    }
  }
  if (path.empty()) return PrintError("usage: vendrel-cli tree FILE [--depth N]"), kExitUsage;
  {
    DbStore store;
    if (const int opened = OpenDatabase(store, path); opened != kExitOk) return opened;
  }

  static char buffer[1 << 16];
  std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
  WalkDesktop desktop;
  const InstalledDesktop installed(desktop);
  SetStatusLineRegistered(true);
  InMemoryTreeView tree;
  InMemoryListView list;
  DetachedExplorerWindow window;
  CommandGate gate;
  ExplorerController explorer(window, tree, list, gate, nullptr);
  if (!explorer.Create(path)) {
    PrintError("cannot attach " + path);
    return kExitFailed;
  }
  ExplorerWalk walk(explorer, tree, list, maxDepth);
  walk.Walk([](const WalkedNode& node) {
    const std::string indent(2 * static_cast<size_t>(node.level), ' ');
    std::printf("%s%s\t[%d]\n", indent.c_str(), node.caption.c_str(), node.image);
    for (const auto& row : node.rows) {
      std::printf("%s  | %s\t%s\t%s\t%s\n", indent.c_str(), row[0].c_str(), row[1].c_str(), row[2].c_str(),
                  row[3].c_str());
    }
  });
  std::fflush(stdout);
  explorer.Close();
  if (walk.notFollowed() > 0) {
    PrintError(std::to_string(walk.notFollowed()) +
               " nodes were not expanded: their structure was shown too often already (a damaged file?)");
  }
  // What could not be expanded or listed was said as it happened; it is left out of what was printed.
  return walk.notFollowed() == 0 && desktop.failures == 0 ? kExitOk : kExitFailed;
}

}  // namespace vendrel::cli
