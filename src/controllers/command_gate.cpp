#include "controllers/command_gate.h"

#include <utility>

namespace vendrel {

CommandGate::Operation::Operation(CommandGate& gate) : gate_(&gate) {
  ++gate_->operations_;
}

CommandGate::Operation::Operation(Operation&& other) noexcept : gate_(std::exchange(other.gate_, nullptr)) {}

CommandGate::Operation::~Operation() {
  if (gate_ != nullptr) gate_->End();
}

std::optional<CommandGate::Operation> CommandGate::Begin() {
  if (InModalLoop()) return std::nullopt;
  return Operation(*this);
}

void CommandGate::End() {
  if (--operations_ > 0) return;
  stopRequested_ = false;
  std::vector<std::function<void()>> actions;
  actions.swap(whenIdle_);
  for (auto& action : actions) {
    if (scheduler_) {
      scheduler_(std::move(action));
    } else {
      action();
    }
  }
}

void CommandGate::WhenIdle(std::function<void()> action) {
  if (Running()) {
    whenIdle_.push_back(std::move(action));
  } else {
    action();
  }
}

}  // namespace vendrel
