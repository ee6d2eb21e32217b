// The splitter between an explorer window's tree and list, as arithmetic on the window's client area.
#pragma once

#include <optional>

#include "controllers/geometry.h"

namespace vendrel {

struct Panes {
  Rect tree;
  Rect list;
  bool operator==(const Panes&) const = default;
};

// The panes with the splitter at x: the tree from the left edge to x - 1, the list from x + 1 to the
// right edge; the gap between them is the columns x - 1 and x. x is taken as a 16-bit number.
Panes PlacePanes(int x, const Rect& client);
// Where the splitter goes when the client area becomes width wide: at the same proportion of the width
// as before, never below 2.
int KeepProportion(const Panes& panes, int width);
// The gap between the panes; the split cursor shows over it.
Rect SplitterRect(const Panes& panes);
// A drag starts within 2 pixels of the gap on either side.
bool InDragZone(const Panes& panes, int x, int y);

// A drag of the splitter with the mouse: the band follows the mouse, kept inside the client area shrunk
// by 4 pixels on each side, and the panes go where the button is released.
class SplitterDrag {
 public:
  // True when a drag starts here.
  bool Press(const Panes& panes, const Rect& client, int x, int y);
  // The band to show while dragging; none when no drag runs.
  std::optional<Rect> Move(int x);
  // The splitter position where the drag ends; none when no drag ran.
  std::optional<int> Release(int x);
  bool dragging() const { return dragging_; }

 private:
  int Confine(int x) const;
  Rect Band(int x) const;

  bool dragging_ = false;
  Rect client_;
};

}  // namespace vendrel
