// What watches a long save or export: it hears of each step and may stop it, and it gets the status line
// of each folder saved. The window shows both through the desktop; vendrel-cli prints them.
#pragma once

#include <cstdint>
#include <string>

namespace vendrel {

class ExportWatcher {
 public:
  virtual ~ExportWatcher() = default;
  // Between two messages; false when the user asked to stop.
  virtual bool Step(uint64_t done, uint64_t total) = 0;
  // What a folder's save came to: "Saved %d msgs (%d total).Path: %s".
  virtual void Saved(const std::string& statusLine) = 0;
};

// Goes on to the end and hears of nothing: for work no one watches.
class QuietWatcher : public ExportWatcher {
 public:
  bool Step(uint64_t, uint64_t) override { return true; }
  void Saved(const std::string&) override {}
};

// The desktop's progress and status line.
class DesktopWatcher : public ExportWatcher {
 public:
  bool Step(uint64_t done, uint64_t total) override;
  void Saved(const std::string& statusLine) override;
};

}  // namespace vendrel
