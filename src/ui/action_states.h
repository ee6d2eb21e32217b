// Command states on a set of Qt actions (the toolbar's buttons, or one menu popup's items), by the
// command id each action carries.
#pragma once

#include <QAction>
#include <QList>

#include "controllers/command_states.h"

namespace vendrel::ui {

inline int CommandOf(const QAction* action) {
  bool ok = false;
  const int command = action->data().toInt(&ok);
  return ok ? command : 0;
}

class ActionStates : public CommandStates {
 public:
  explicit ActionStates(QList<QAction*> actions) : actions_(std::move(actions)) {}

  void SetEnabled(int command, bool enabled) override {
    for (QAction* action : actions_) {
      if (CommandOf(action) == command) action->setEnabled(enabled);
    }
  }

 private:
  QList<QAction*> actions_;
};

}  // namespace vendrel::ui
