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

std::vector<Rect> CascadeRects(int count, const Rect& area) {
  constexpr int kStep = 24, kSteps = 8;
  std::vector<Rect> rects;
  const int width = area.width() * 3 / 4, height = area.height() * 3 / 4;
  for (int i = 0; i < count; ++i) {
    const int step = kStep * (i % kSteps);
    rects.push_back({area.left + step, area.top + step, area.left + step + width, area.top + step + height});
  }
  return rects;
}

}  // namespace vendrel
