// Hit testing: the element at a point is the one whose hit region, last in
// painting order, holds the point inside its clip. Regions come from
// painting (painting.h), which leaves out hidden elements and content scrolled
// or clipped away, so the answer honours visibility, clipping and scrolling.
#pragma once

#include <vector>

#include "ui/engine/display_list.h"

namespace engine {

struct HitResult {
  ElementHandle element = 0;  // 0: nothing (the canvas)
  bool scrollBar = false;     // on the element's scroll bar
  Rect rect;                  // the region found, in view coordinates
};

HitResult HitTest(const std::vector<HitRegion>& regions, Point point);

}  // namespace engine
