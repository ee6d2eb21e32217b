#include "controllers/geometry.h"

namespace vendrel {

std::vector<Rect> TileRects(int count, const Rect& area, bool sideBySide) {
  std::vector<Rect> rects;
  const int extent = sideBySide ? area.width() : area.height();
  for (int i = 0; i < count; ++i) {
    // Spread the remainder so that the windows cover the whole area.
    const int from = extent * i / count;
    const int to = extent * (i + 1) / count;
    if (sideBySide) {
      rects.push_back({area.left + from, area.top, area.left + to, area.bottom});
    } else {
      rects.push_back({area.left, area.top + from, area.right, area.top + to});
    }
  }
  return rects;
}

}  // namespace vendrel
