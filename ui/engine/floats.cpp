// The float list of a block formatting context (CSS 2.1 section 9.5.1).
#include <algorithm>

#include "ui/engine/layout_internal.h"

namespace engine {

void FloatContext::FreeSpan(int top, int height, int minX, int maxX, int* left, int* right, bool forFloat) const {
  int l = minX, r = maxX;
  int bottom = top + std::max(height, 1);
  for (const Placed& f : floats_) {
    if (f.margin.y >= bottom) continue;
    bool flat = f.margin.height <= 0 && forFloat;
    if (flat ? f.margin.y < top : f.margin.Bottom() <= top) continue;
    if (f.margin.width <= 0 && f.margin.height <= 0) continue;
    if (f.side == FloatSide::kLeft) {
      l = std::max(l, f.margin.Right());
    } else {
      r = std::min(r, f.margin.x);
    }
  }
  *left = l;
  *right = std::max(l, r);
}

Point FloatContext::Place(int width, int height, FloatSide side, int top, int minX, int maxX) {
  // Rule 5: not above an earlier float.
  int y = std::max(top, lowestTop_);
  while (true) {
    int left, right;
    FreeSpan(y, height, minX, maxX, &left, &right, true);
    bool narrowed = left > minX || right < maxX;
    if (right - left >= width || !narrowed) {
      // A right float wider than the block still ends at its right edge.
      Point at{side == FloatSide::kLeft ? left : right - width, y};
      floats_.push_back(Placed{Rect{at.x, at.y, width, height}, side});
      lowestTop_ = std::max(lowestTop_, y);
      return at;
    }
    int next = NextBottomBelow(y, minX, maxX);
    if (next == INT_MAX) next = y + 1;
    y = next;
  }
}

int FloatContext::ClearanceY(Clear clear) const {
  int y = INT_MIN;
  for (const Placed& f : floats_) {
    bool applies = clear == Clear::kBoth || (clear == Clear::kLeft && f.side == FloatSide::kLeft) ||
                   (clear == Clear::kRight && f.side == FloatSide::kRight);
    if (applies) y = std::max(y, f.margin.Bottom());
  }
  return y;
}

int FloatContext::NextBottomBelow(int y, int minX, int maxX) const {
  int next = INT_MAX;
  for (const Placed& f : floats_) {
    if (f.margin.Bottom() > y && f.margin.Right() > minX && f.margin.x < maxX) next = std::min(next, f.margin.Bottom());
  }
  return next;
}

int FloatContext::LowestBottom() const {
  int y = INT_MIN;
  for (const Placed& f : floats_) y = std::max(y, f.margin.Bottom());
  return y;
}

}  // namespace engine
