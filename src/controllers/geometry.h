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
// count windows cascaded over area, each a step below and right of the one before (back to the corner
// after eight), each three quarters of the area.
std::vector<Rect> CascadeRects(int count, const Rect& area);

}  // namespace vendrel
