// The desktop services the program needs: message boxes, dialogs, the wait cursor, the status line, the
// shell and the clipboard. The window program installs a Qt implementation; vendrel-cli and the tests use
// HeadlessDesktop, which never blocks.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vendrel {

class Desktop {
 public:
  virtual ~Desktop() = default;

  // A task-modal message box without owner window, with an OK button.
  virtual void ShowMessage(std::string_view text, std::string_view caption) = 0;
  // Shows or hides the busy cursor; returns whether it was shown before.
  virtual bool SetWaitCursor(bool shown) = 0;
  // Puts a line on the status bar.
  virtual void ShowStatus(std::string_view text) = 0;
  // The program's diagnostic log (what a debugger would show).
  virtual void Diagnostic(std::string_view text) = 0;

  // The shell's folder browser: the chosen directory, none when cancelled.
  virtual std::optional<std::string> BrowseForFolder() = 0;
  // A dialog that asks question with one of choices (the first offered): its index, none when cancelled.
  virtual std::optional<size_t> AskChoice(std::string_view caption, std::string_view question,
                                          const std::vector<std::string>& choices) = 0;
  // The open dialog for a database file, starting in startFolder (the platform's choice when empty).
  virtual std::optional<std::string> AskOpenFileName(const std::string& startFolder) = 0;
  // The save dialog, offering proposedName: the chosen path, none when cancelled.
  virtual std::optional<std::string> AskSaveFileName(const std::string& proposedName) = 0;
  // Opens a file with the program the desktop associates with it (a directory: the file manager).
  virtual void OpenWithShell(const std::string& path) = 0;
  // Opens a web address in the user's browser.
  virtual void OpenUrl(const std::string& url) = 0;
  // The "Create folder" dialog under parentName: OK is enabled only for a non-empty name and closes the
  // dialog only when accept agrees (it tells the user why not); Cancel gives none.
  virtual std::optional<std::string> AskFolderName(const std::string& parentName,
                                                   const std::function<bool(const std::string&)>& accept) = 0;
  // Progress of a long job, between two of its steps; false when the user asked it to stop.
  virtual bool ReportProgress(uint64_t done, uint64_t total) = 0;
  // What the progress of the next job says it does, when that is not saving messages.
  virtual void NameNextProgress(const std::string& label) { (void)label; }
  virtual void SetClipboardText(const std::string& text) = 0;
};

// Prints every message and status line to stderr and answers from a script: message boxes with the
// scripted answer (OK unless told otherwise), dialogs with their queued answers (Cancel when none is
// left), progress by going on until a scripted stop. Every call is recorded for the tests.
class HeadlessDesktop : public Desktop {
 public:
  struct Message {
    std::string caption;
    std::string text;
  };

  void ShowMessage(std::string_view text, std::string_view caption) override;
  bool SetWaitCursor(bool shown) override;
  void ShowStatus(std::string_view text) override;
  void Diagnostic(std::string_view text) override;
  std::optional<std::string> BrowseForFolder() override;
  std::optional<size_t> AskChoice(std::string_view caption, std::string_view question,
                                  const std::vector<std::string>& choices) override;
  std::optional<std::string> AskOpenFileName(const std::string& startFolder) override;
  std::optional<std::string> AskSaveFileName(const std::string& proposedName) override;
  void OpenWithShell(const std::string& path) override { opened_.push_back(path); }
  void OpenUrl(const std::string& url) override { opened_.push_back(url); }
  std::optional<std::string> AskFolderName(const std::string& parentName,
                                           const std::function<bool(const std::string&)>& accept) override;
  bool ReportProgress(uint64_t done, uint64_t total) override;
  void SetClipboardText(const std::string& text) override { clipboard_ = text; }

  void AddFolderAnswer(std::optional<std::string> directory) {
    folderAnswers_.push_back(std::move(directory));
  }
  // The index the user picks in the next choice dialog; none: Cancel (also when none is left).
  void AddChoiceAnswer(std::optional<size_t> index) { choiceAnswers_.push_back(index); }
  void AddSaveAnswer(std::optional<std::string> path) { saveAnswers_.push_back(std::move(path)); }
  void AddOpenAnswer(std::optional<std::string> path) { openAnswers_.push_back(std::move(path)); }
  // What the user types in the folder-name dialog before pressing OK, in turn; an empty text cannot be
  // confirmed (OK stays disabled). When none is left the user cancels.
  void AddFolderNameAnswer(std::string name) { folderNameAnswers_.push_back(std::move(name)); }
  // The user presses "Stop!" once this many steps are done.
  void StopAfter(uint64_t steps) { stopAfter_ = steps; }
  // Called at every progress step, as the user's actions while a long job runs.
  void OnProgress(std::function<void(uint64_t done)> action) { onProgress_ = std::move(action); }

  void SetEcho(bool echo) { echo_ = echo; }
  const std::vector<Message>& messages() const { return messages_; }
  const std::vector<std::string>& statusLines() const { return statusLines_; }
  const std::vector<std::string>& diagnostics() const { return diagnostics_; }
  const std::vector<std::string>& opened() const { return opened_; }
  const std::vector<std::string>& proposedSaveNames() const { return proposedSaveNames_; }
  const std::vector<std::string>& folderDialogParents() const { return folderDialogParents_; }
  const std::vector<std::string>& openDialogFolders() const { return openDialogFolders_; }
  const std::string& clipboard() const { return clipboard_; }
  const std::vector<std::pair<uint64_t, uint64_t>>& progress() const { return progress_; }
  bool waitCursorShown() const { return waitCursor_; }

 private:
  std::vector<Message> messages_;
  std::vector<std::string> statusLines_;
  std::vector<std::string> diagnostics_;
  std::vector<std::string> opened_;
  std::vector<std::string> proposedSaveNames_;
  std::vector<std::string> folderDialogParents_;
  std::vector<std::string> openDialogFolders_;
  std::vector<std::pair<uint64_t, uint64_t>> progress_;
  std::deque<std::optional<std::string>> folderAnswers_;
  std::deque<std::optional<std::string>> saveAnswers_;
  std::deque<std::optional<size_t>> choiceAnswers_;
  std::deque<std::optional<std::string>> openAnswers_;
  std::function<void(uint64_t)> onProgress_;
  std::string clipboard_;
  std::deque<std::string> folderNameAnswers_;
  uint64_t stopAfter_ = UINT64_MAX;
  bool echo_ = true;
  bool waitCursor_ = false;
};

// The desktop of this process; a HeadlessDesktop until the program installs another one.
Desktop& CurrentDesktop();

// Installs a desktop (not owned) for its lifetime, then puts back the one that was there before.
class InstalledDesktop {
 public:
  explicit InstalledDesktop(Desktop& desktop);
  ~InstalledDesktop();
  InstalledDesktop(const InstalledDesktop&) = delete;
  InstalledDesktop& operator=(const InstalledDesktop&) = delete;

 private:
  Desktop* previous_;
};

// Shows the busy cursor for its lifetime and then restores what was there before.
class WaitCursor {
 public:
  WaitCursor() : previous_(CurrentDesktop().SetWaitCursor(true)) {}
  virtual ~WaitCursor() { CurrentDesktop().SetWaitCursor(previous_); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;

 private:
  bool previous_;
};

}  // namespace vendrel
