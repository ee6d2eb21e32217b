// Window geometry for the controllers. Rectangles are half-open, as the window system's: right and bottom
// are the first pixels outside.
#pragma once

#include <vector>

namespace vendrel {

struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;

  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

// count windows tiled over area: side by side (each the full height), or one above the other.
std::vector<Rect> TileRects(int count, const Rect& area, bool sideBySide);

}  // namespace vendrel
