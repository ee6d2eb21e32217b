// What the explorer controller needs of its window besides the tree and the list: the keyboard focus,
// the client area and the placing of the panes and of the splitter's drag band.
#pragma once

#include <optional>

#include "controllers/splitter.h"

namespace vendrel {

enum class Pane { Tree, List, Other };

class ExplorerWindow {
 public:
  virtual ~ExplorerWindow() = default;

  virtual Pane FocusedPane() const = 0;
  virtual void FocusPane(Pane pane) = 0;
  virtual Rect ClientRect() const = 0;
  virtual void MovePanes(const Panes& panes) = 0;
  // Shows the band at band, or hides it.
  virtual void ShowDragBand(const std::optional<Rect>& band) = 0;
  // The user refreshed what the window shows: views made from the file are made anew.
  virtual void Refreshed() {}
};

// A window that is only a record of what was done to it: for vendrel-cli, which drives the explorer
// without a screen, and for the tests.
class DetachedExplorerWindow : public ExplorerWindow {
 public:
  Pane FocusedPane() const override { return focus; }
  void FocusPane(Pane pane) override { focus = pane; }
  Rect ClientRect() const override { return client; }
  void MovePanes(const Panes& placed) override { panes = placed; }
  void ShowDragBand(const std::optional<Rect>& shown) override { band = shown; }

  Pane focus = Pane::Tree;
  Rect client{0, 0, 400, 300};
  std::optional<Panes> panes;
  std::optional<Rect> band;
};

}  // namespace vendrel
