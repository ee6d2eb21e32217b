// The desktop services the lower layers need: message boxes and the wait cursor. The window program
// installs a Qt implementation; vendrel-cli and the tests use HeadlessDesktop, which never blocks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vendrel {

enum class MessageButtons { Ok, OkCancel };
enum class MessageAnswer { Ok, Cancel };

class Desktop {
 public:
  virtual ~Desktop() = default;

  // A task-modal message box without owner window.
  virtual MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                    MessageButtons buttons) = 0;
  // Shows or hides the busy cursor; returns whether it was shown before.
  virtual bool SetWaitCursor(bool shown) = 0;
  // Puts a line on the status bar.
  virtual void ShowStatus(std::string_view text) = 0;
};

// Prints every message and status line to stderr and answers with the scripted answer (OK unless told otherwise).
class HeadlessDesktop : public Desktop {
 public:
  struct Message {
    std::string caption;
    std::string text;
  };

  MessageAnswer ShowMessage(std::string_view text, std::string_view caption, MessageButtons buttons) override;
  bool SetWaitCursor(bool shown) override;
  void ShowStatus(std::string_view text) override;

  void SetAnswer(MessageAnswer answer) { answer_ = answer; }
  void SetEcho(bool echo) { echo_ = echo; }
  const std::vector<Message>& messages() const { return messages_; }
  const std::vector<std::string>& statusLines() const { return statusLines_; }
  bool waitCursorShown() const { return waitCursor_; }

 private:
  std::vector<Message> messages_;
  std::vector<std::string> statusLines_;
  MessageAnswer answer_ = MessageAnswer::Ok;
  bool echo_ = true;
  bool waitCursor_ = false;
};

// The desktop of this process; a HeadlessDesktop until the program installs another one.
Desktop& CurrentDesktop();
// Installs a desktop (not owned); null goes back to the built-in headless one.
void SetCurrentDesktop(Desktop* desktop);

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
