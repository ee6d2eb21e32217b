// The desktop as the window's operations see it: every call that waits in an event loop (a message box,
// a dialog, a progress step) is marked on the command gate, so that nothing else starts meanwhile, and a
// progress step ends the job once the user has pressed Stop.
#pragma once

#include "controllers/command_gate.h"
#include "platform/desktop.h"

namespace vendrel {

class GatedDesktop : public Desktop {
 public:
  GatedDesktop(Desktop& inner, CommandGate& gate) : inner_(inner), gate_(gate) {}

  void ShowMessage(std::string_view text, std::string_view caption) override;
  bool SetWaitCursor(bool shown) override { return inner_.SetWaitCursor(shown); }
  void ShowStatus(std::string_view text) override { inner_.ShowStatus(text); }
  void Diagnostic(std::string_view text) override { inner_.Diagnostic(text); }
  std::optional<std::string> BrowseForFolder() override;
  std::optional<size_t> AskChoice(std::string_view caption, std::string_view question,
                                  const std::vector<std::string>& choices) override;
  std::optional<std::string> AskOpenFileName(const std::string& startFolder) override;
  std::optional<std::string> AskSaveFileName(const std::string& proposedName) override;
  void OpenWithShell(const std::string& path) override { inner_.OpenWithShell(path); }
  void OpenUrl(const std::string& url) override { inner_.OpenUrl(url); }
  std::optional<std::string> AskFolderName(const std::string& parentName,
                                           const std::function<bool(const std::string&)>& accept) override;
  bool ReportProgress(uint64_t done, uint64_t total) override;
  void NameNextProgress(const std::string& label) override { inner_.NameNextProgress(label); }
  void SetClipboardText(const std::string& text) override { inner_.SetClipboardText(text); }

 private:
  Desktop& inner_;
  CommandGate& gate_;
};

}  // namespace vendrel
