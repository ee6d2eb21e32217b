// The program's manual (its README), in a window of its own beside the frame.
#pragma once

class QWidget;

namespace vendrel::ui {

void ShowHelpWindow(QWidget* owner);

}  // namespace vendrel::ui
