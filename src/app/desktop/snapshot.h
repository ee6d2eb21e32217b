#pragma once

#include <string>

namespace vendrel::ui {
class FrameWnd;
}

namespace vendrel {

// Opens the first explorer window's database down to its first message, selects it and renders the
// frame to a PNG file: a look at the program where no screen is. False when nothing could be written.
bool WriteSnapshot(ui::FrameWnd& frame, const std::string& pngPath);

}  // namespace vendrel
