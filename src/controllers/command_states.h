// Where the window shows which commands can be used: the toolbar, or a menu popup that is opening.
#pragma once

namespace vendrel {

class CommandStates {
 public:
  virtual ~CommandStates() = default;
  // A command this toolbar or menu does not hold is left alone.
  virtual void SetEnabled(int command, bool enabled) = 0;
};

}  // namespace vendrel
