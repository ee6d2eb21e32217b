// The desktop services on Qt: application-modal message boxes and dialogs, the status line, the wait
// cursor, the desktop's default handler for opening files, the clipboard, and a progress dialog for long
// saves whose button is the "Stop!" command.
#pragma once

#include <QPointer>
#include <QProgressDialog>
#include <functional>

#include "controllers/command_gate.h"
#include "platform/desktop.h"

class QLabel;
class QWidget;

namespace vendrel::ui {

inline constexpr const char* kOpenFilters = "DBX database files (*.dbx) (*.dbx);;All files (*)";
inline constexpr const char* kSaveFilters =
    "Outlook express files (*.eml, *.news, *.txt) (*.eml *.nws *.txt)";

class QtDesktop : public Desktop {
 public:
  // Dialogs are centred on window; status lines go to statusLine; the progress dialog's button calls stop,
  // and the dialog goes when the gate's operation ends.
  QtDesktop(QWidget* window, QLabel* statusLine, CommandGate& gate, std::function<void()> stop);
  ~QtDesktop() override;

  void ShowMessage(std::string_view text, std::string_view caption) override;
  bool SetWaitCursor(bool shown) override;
  void ShowStatus(std::string_view text) override;
  void Diagnostic(std::string_view text) override;
  std::optional<std::string> BrowseForFolder() override;
  std::optional<size_t> AskChoice(std::string_view caption, std::string_view question,
                                  const std::vector<std::string>& choices) override;
  std::optional<std::string> AskOpenFileName(const std::string& startFolder) override;
  std::optional<std::string> AskSaveFileName(const std::string& proposedName) override;
  void OpenWithShell(const std::string& path) override;
  void OpenUrl(const std::string& url) override;
  std::optional<std::string> AskFolderName(const std::string& parentName,
                                           const std::function<bool(const std::string&)>& accept) override;
  bool ReportProgress(uint64_t done, uint64_t total) override;
  // A job that ends puts back the save's label.
  void NameNextProgress(const std::string& label) override { progressLabel_ = QString::fromStdString(label); }
  void SetClipboardText(const std::string& text) override;

  QProgressDialog* progress() const { return progress_; }

 private:
  void EndProgress();

  QWidget* window_;
  QLabel* statusLine_;
  CommandGate& gate_;
  std::function<void()> stop_;
  QPointer<QProgressDialog> progress_;
  QString progressLabel_ = kSavingLabel;
  static constexpr const char* kSavingLabel = "Saving messages...";
  bool waitCursor_ = false;
};

}  // namespace vendrel::ui
