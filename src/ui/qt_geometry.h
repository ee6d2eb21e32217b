// The controllers' rectangles as Qt's.
#pragma once

#include <QRect>
#include <algorithm>

#include "controllers/geometry.h"

namespace vendrel::ui {

// An inverted rectangle (a pane squeezed to nothing) becomes an empty one.
inline QRect ToQRect(const Rect& rect) {
  return {rect.left, rect.top, std::max(0, rect.width()), std::max(0, rect.height())};
}

}  // namespace vendrel::ui
