// Keeps the window's commands from running inside one another. A save or a dialog runs an event loop of
// its own while its operation is still on the stack; what arrives meanwhile (a click, a key, a drop) must
// not start a second operation or change the tree under the first. Only Stop gets through, and a window
// closed meanwhile goes once the operation has ended.
#pragma once

#include <functional>
#include <optional>
#include <vector>

namespace vendrel {

class CommandGate {
 public:
  // One operation of the window, from its entry point until it returns.
  class Operation {
   public:
    explicit Operation(CommandGate& gate);
    ~Operation();
    Operation(Operation&& other) noexcept;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;
    Operation& operator=(Operation&&) = delete;

   private:
    CommandGate* gate_;
  };

  // The stretch in which an operation waits in an event loop (a message box, a dialog, a progress step).
  class ModalLoop {
   public:
    explicit ModalLoop(CommandGate& gate) : gate_(gate) { ++gate_.modalLoops_; }
    ~ModalLoop() { --gate_.modalLoops_; }
    ModalLoop(const ModalLoop&) = delete;
    ModalLoop& operator=(const ModalLoop&) = delete;

   private:
    CommandGate& gate_;
  };

  // An operation may start unless one is waiting in an event loop. Operations started by an operation
  // itself (a selection that follows an expansion) are not held up.
  std::optional<Operation> Begin();
  bool Running() const { return operations_ > 0; }
  bool InModalLoop() const { return modalLoops_ > 0; }

  // "Stop!": the running operation's next progress step ends it. Forgotten when it has ended.
  void RequestStop() { stopRequested_ = Running(); }
  bool StopRequested() const { return stopRequested_; }

  // Runs action at once when nothing runs; otherwise once the outermost operation has ended, through the
  // scheduler (the window posts it to its event loop, so that the operation's own frames are gone).
  void WhenIdle(std::function<void()> action);
  void SetScheduler(std::function<void(std::function<void()>)> scheduler) {
    scheduler_ = std::move(scheduler);
  }

 private:
  void End();

  int operations_ = 0;
  int modalLoops_ = 0;
  bool stopRequested_ = false;
  std::vector<std::function<void()>> whenIdle_;
  std::function<void(std::function<void()>)> scheduler_;
};

}  // namespace vendrel
