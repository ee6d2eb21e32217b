#include "controllers/splitter.h"

#include <algorithm>
#include <cstdint>

namespace vendrel {

namespace {

constexpr int kDragZone = 2;     // pixels on either side of the gap that still start a drag
constexpr int kConfinement = 4;  // the mouse stays this far inside the client area while dragging
constexpr int kBandHalfWidth = 2;
constexpr int kMinimumSplit = 2;

}  // namespace

Panes PlacePanes(int x, const Rect& client) {
  const int split = static_cast<uint16_t>(x);
  return {{client.left, client.top, split - 1, client.bottom},
          {split + 1, client.top, client.right, client.bottom}};
}

int KeepProportion(const Panes& panes, int width) {
  const Rect& tree = panes.tree;
  const Rect& list = panes.list;
  // With panes placed by PlacePanes, both tree.right + 1 and list.left - 1 are the old splitter x: the
  // ratio is the old position over the old width.
  const double ratio = static_cast<double>(tree.right + 1 - tree.left) /
                       ((list.right - tree.left) - (list.left - 1) + (tree.right + 1));
  const int x = static_cast<int>(ratio * width);
  return static_cast<uint16_t>(x) < kMinimumSplit ? kMinimumSplit : x;
}

Rect SplitterRect(const Panes& panes) {
  return {panes.tree.right, panes.tree.top, panes.list.left, panes.list.bottom};
}

bool InDragZone(const Panes& panes, int x, int y) {
  Rect zone = SplitterRect(panes);
  zone.left -= kDragZone;
  zone.right += kDragZone;
  return zone.Contains(x, y);
}

bool SplitterDrag::Press(const Panes& panes, const Rect& client, int x, int y) {
  if (!InDragZone(panes, x, y)) return false;
  dragging_ = true;
  client_ = client;
  return true;
}

std::optional<Rect> SplitterDrag::Move(int x) {
  if (!dragging_) return std::nullopt;
  return Band(Confine(x));
}

std::optional<int> SplitterDrag::Release(int x) {
  if (!dragging_) return std::nullopt;
  dragging_ = false;
  return Confine(x);
}

int SplitterDrag::Confine(int x) const {
  return std::clamp(x, client_.left + kConfinement,
                    std::max(client_.left + kConfinement, client_.right - 1 - kConfinement));
}

Rect SplitterDrag::Band(int x) const {
  return {x - kBandHalfWidth, client_.top, x + kBandHalfWidth, client_.bottom};
}

}  // namespace vendrel
