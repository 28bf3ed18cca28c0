// Preferred widths (CSS 2.1 section 10.3.5): the minimum a box can be made
// narrow to without overflow, and the width it takes without breaking lines
// other than where forced. Used by shrink-to-fit and by the table algorithm.
#include <algorithm>

#include "ui/engine/layout_internal.h"

namespace engine {

namespace {

// Fixed padding and border on the left and right (percentages count as 0:
// they refer to the width being found).
int HorizontalBoxExtras(const Box* box) {
  const ComputedStyle& s = *box->style;
  int extras = box->BorderWidth(kLeft) + box->BorderWidth(kRight);
  for (int side : {kLeft, kRight}) {
    if (s.padding[side].IsFixed()) extras += std::max(0, ResolveLength(s.padding[side], 0));
  }
  return extras;
}

int FixedMargins(const Box* box) {
  const ComputedStyle& s = *box->style;
  if (box->type == BoxType::kTableCell || box->IsTablePart()) return 0;
  int margins = 0;
  for (int side : {kLeft, kRight}) {
    if (s.margin[side].IsFixed()) margins += ResolveLength(s.margin[side], 0);
  }
  return margins;
}

void ReplacedWidths(LayoutState& state, Box* box, int* width) {
  const ComputedStyle& s = *box->style;
  if (s.width.IsFixed()) {
    *width = ResolveLength(s.width, 0);
    return;
  }
  Size natural;
  bool known = false;
  if (box->type == BoxType::kProgress) {
    natural = Size{160, 16};
    known = true;
  } else {
    std::u16string address = ImageAddress(box);
    known = !address.empty() && state.context.host->GetImageSize(address, &natural);
  }
  if (!known) {
    *width = 0;
    return;
  }
  if (s.height.IsFixed() && natural.height > 0) {
    *width = int(int64_t(ResolveLength(s.height, 0)) * natural.width / natural.height);
  } else {
    *width = natural.width;
  }
}

}  // namespace

void ContentIntrinsicWidths(LayoutState& state, Box* box, int* minWidth, int* maxWidth) {
  if (box->Is(kBoxChildrenInline)) {
    InlineIntrinsicWidths(state, box, minWidth, maxWidth);
    return;
  }
  int minW = 0, maxW = 0, floatRun = 0;
  for (Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlowPositioned()) continue;
    int childMin, childMax;
    IntrinsicWidths(state, child, &childMin, &childMax);
    minW = std::max(minW, childMin);
    if (child->IsFloating()) {
      // Floats side by side add up.
      floatRun += childMax;
      maxW = std::max(maxW, floatRun);
    } else {
      floatRun = 0;
      maxW = std::max(maxW, childMax);
    }
  }
  *minWidth = minW;
  *maxWidth = std::max(minW, maxW);
}

void IntrinsicWidths(LayoutState& state, Box* box, int* minWidth, int* maxWidth) {
  if (!box->Is(kBoxIntrinsicValid)) {
    int minW = 0, maxW = 0;
    const ComputedStyle& s = *box->style;
    if (box->IsReplaced()) {
      int width;
      ReplacedWidths(state, box, &width);
      minW = maxW = width + HorizontalBoxExtras(box);
      if (s.width.IsPercent()) minW = 0;
    } else if (box->type == BoxType::kTable) {
      TableIntrinsicWidths(state, box, &minW, &maxW);
    } else {
      int extras = HorizontalBoxExtras(box);
      if (s.width.IsFixed() && box->type != BoxType::kTableCell) {
        minW = maxW = ResolveLength(s.width, 0) + extras;
      } else {
        ContentIntrinsicWidths(state, box, &minW, &maxW);
        if (s.maxWidth.IsFixed()) {
          int cap = ResolveLength(s.maxWidth, 0);
          minW = std::min(minW, cap);
          maxW = std::min(maxW, cap);
        }
        if (s.minWidth.IsFixed()) {
          int floor = ResolveLength(s.minWidth, 0);
          minW = std::max(minW, floor);
          maxW = std::max(maxW, floor);
        }
        minW += extras;
        maxW += extras;
      }
    }
    box->minContent = minW;
    box->maxContent = std::max(minW, maxW);
    box->flags |= kBoxIntrinsicValid;
  }
  int margins = FixedMargins(box);
  *minWidth = std::max(0, box->minContent + margins);
  *maxWidth = std::max(0, box->maxContent + margins);
}

}  // namespace engine
