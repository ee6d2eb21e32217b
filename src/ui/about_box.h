#pragma once

class QWidget;

namespace vendrel::ui {

// "About Vendrel": the program's icon, its version line, two lines about it, OK.
void ShowAboutBox(QWidget* owner);

}  // namespace vendrel::ui
