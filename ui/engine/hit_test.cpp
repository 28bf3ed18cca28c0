// Hit testing over the painted regions.
#include "ui/engine/hit_test.h"

namespace engine {

HitResult HitTest(const std::vector<HitRegion>& regions, Point point) {
  for (auto it = regions.rbegin(); it != regions.rend(); ++it) {
    if (it->rect.Contains(point) && it->clip.Contains(point)) return HitResult{it->element, it->scrollBar, it->rect};
  }
  return HitResult{};
}

}  // namespace engine
