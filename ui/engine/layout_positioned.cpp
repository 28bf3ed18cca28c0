// Positioning schemes (CSS 2.1 section 9.3): relative offsets (9.4.3),
// absolutely positioned and fixed boxes (10.3.7, 10.6.4) against their
// containing block (10.1), and the size of replaced elements (10.3.2, 10.6.2).
#include <algorithm>

#include "ui/engine/layout_internal.h"

namespace engine {

Point RelativeOffset(const ComputedStyle& s, int containingWidth, int containingHeight) {
  Point offset;
  if (s.position != Position::kRelative) return offset;
  if (!s.left.IsAuto()) {
    offset.x = std::max(-30000, std::min(30000, ResolveLength(s.left, containingWidth)));
  } else if (!s.right.IsAuto()) {
    offset.x = std::max(-30000, std::min(30000, -ResolveLength(s.right, containingWidth)));
  }
  int base = std::max(containingHeight, 0);
  if (!s.top.IsAuto() && (!s.top.IsPercent() || containingHeight >= 0)) {
    offset.y = std::max(-30000, std::min(30000, ResolveLength(s.top, base)));
  } else if (!s.bottom.IsAuto() && (!s.bottom.IsPercent() || containingHeight >= 0)) {
    offset.y = std::max(-30000, std::min(30000, -ResolveLength(s.bottom, base)));
  }
  return offset;
}

void ApplyRelativeOffset(Box* box, int containingWidth, int containingHeight) {
  Point offset = RelativeOffset(*box->style, containingWidth, containingHeight);
  box->relX = int16_t(offset.x);
  box->relY = int16_t(offset.y);
}

void AddRelativeOffset(Box* box, Point offset) {
  box->relX = int16_t(std::max(-30000, std::min(30000, box->relX + offset.x)));
  box->relY = int16_t(std::max(-30000, std::min(30000, box->relY + offset.y)));
}

void SizeReplaced(LayoutState& state, Box* box, int containingWidth, int containingHeight) {
  ++state.context.stats.boxesLaidOut;
  const ComputedStyle& s = *box->style;
  Size natural;
  bool known = false;
  if (box->type == BoxType::kImage) {
    std::u16string address = ImageAddress(box);
    if (!address.empty()) {
      if (state.context.noteImage) state.context.noteImage(address, box->node);
      known = state.context.host->GetImageSize(address, &natural) && natural.width >= 0 && natural.height >= 0;
    }
  } else if (box->type == BoxType::kProgress) {
    natural = Size{160, 16};
    known = true;
  }
  int width = s.width.IsAuto() ? -1 : ResolveLength(s.width, containingWidth);
  int height = -1;
  if (s.height.IsFixed() || (s.height.IsPercent() && containingHeight >= 0)) {
    height = ResolveLength(s.height, containingHeight);
  }
  if (width < 0 && height < 0) {
    width = known ? natural.width : 0;
    height = known ? natural.height : 0;
  } else if (width < 0) {
    width = (known && natural.height > 0) ? int(int64_t(height) * natural.width / natural.height) : height;
    if (!known) width = 0;
  } else if (height < 0) {
    height = (known && natural.width > 0) ? int(int64_t(width) * natural.height / natural.width) : 0;
  }
  box->width = ClampWidth(box, width, containingWidth);
  box->height = ClampHeight(box, height, containingHeight);
  box->SetScrollHeight(box->height + box->padding[kTop] + box->padding[kBottom]);
  box->flags &= uint16_t(~(kBoxNeedsLayout | kBoxChildNeedsLayout));
}

Box* LayoutParentOf(Box* box) {
  if (box->IsOutOfFlowPositioned()) {
    if (box->style->position == Position::kFixed) return nullptr;
    for (Box* b = box->parent; b != nullptr; b = b->parent) {
      if (b->style->IsPositioned() && b->type != BoxType::kInline) return b;
    }
    return nullptr;
  }
  Box* b = box->parent;
  while (b != nullptr && b->type == BoxType::kInline) b = b->parent;
  return b;
}

namespace {

// Lays out boxes waiting for the containing block `cbBox` (null: the
// initial one) whose padding box is `area` (CSS 2.1 10.3.7, 10.6.4).
// What is left over goes to the auto margins of one axis: equally to both
// (the first held at 0 when the share would be negative and `firstAtLeastZero`),
// or all to the one that is auto.
void ShareAutoMargins(bool firstAuto, bool secondAuto, int rest, bool firstAtLeastZero, int16_t* first,
                      int16_t* second) {
  auto held = [](int v) { return int16_t(std::max(-32768, std::min(32767, v))); };
  if (firstAuto && secondAuto) {
    int half = rest >= 0 ? rest / 2 : -((-rest + 1) / 2);
    if (firstAtLeastZero && half < 0) half = 0;
    *first = held(half);
    *second = held(rest - half);
  } else if (firstAuto) {
    *first = held(rest - *second);
  } else if (secondAuto) {
    *second = held(rest - *first);
  }
}

void LayoutPending(LayoutState& state, Box* cbBox, const Rect& area, const std::vector<PendingPositioned>& list) {
  for (const PendingPositioned& p : list) {
    Box* box = p.box;
    const ComputedStyle& s = *box->style;
    // The static position, moved into the containing block's coordinates.
    Point staticAt = p.staticPosition;
    for (Box* b = p.layoutParent; b != nullptr && b != cbBox; b = LayoutParentOf(b)) {
      staticAt.x += b->x + b->relX;
      staticAt.y += b->y + b->relY;
    }
    int cbW = area.width, cbH = area.height;
    ResolvePaddingAndMargins(box, cbW);
    int bpH = box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
    int bpV = box->padding[kTop] + box->padding[kBottom] + box->BorderWidth(kTop) + box->BorderWidth(kBottom);
    bool leftAuto = s.left.IsAuto(), rightAuto = s.right.IsAuto();
    bool topAuto = s.top.IsAuto(), bottomAuto = s.bottom.IsAuto();
    int left = leftAuto ? 0 : ResolveLength(s.left, cbW);
    int right = rightAuto ? 0 : ResolveLength(s.right, cbW);
    int top = topAuto ? 0 : ResolveLength(s.top, cbH);
    int bottom = bottomAuto ? 0 : ResolveLength(s.bottom, cbH);
    if (leftAuto && rightAuto) {
      const Box* flow = p.layoutParent;
      if (flow != nullptr && flow->style->rtl && !s.inlineOrigin) {
        // In right-to-left flow a block keeps its right edge where it stood:
        // at the right of the content it was met in.
        int staticRight = staticAt.x - p.staticPosition.x + flow->ContentLeft() + flow->width;
        right = area.x + area.width - staticRight;
        rightAuto = false;
      } else {
        left = staticAt.x - area.x - box->margin[kLeft];
        leftAuto = false;
      }
    }
    if (topAuto && bottomAuto) {
      top = staticAt.y - area.y - box->margin[kTop];
      topAuto = false;
    }
    int marginsH = box->margin[kLeft] + box->margin[kRight];
    int marginsV = box->margin[kTop] + box->margin[kBottom];

    // Width (CSS 2.1 10.3.7).
    bool stretchWidth = s.width.IsAuto() && !leftAuto && !rightAuto && !box->IsReplaced() &&
                        box->type != BoxType::kTable;
    int available = cbW - (leftAuto ? 0 : left) - (rightAuto ? 0 : right);
    int heightForChildren = -1;
    bool stretchHeight = s.height.IsAuto() && !topAuto && !bottomAuto && !box->IsReplaced();
    if (stretchHeight) heightForChildren = std::max(0, cbH - top - bottom - marginsV - bpV);
    if (stretchWidth) {
      box->width = ClampWidth(box, std::max(0, cbW - left - right - marginsH - bpH), cbW);
      BlockInput in;
      in.containingWidth = cbW;
      in.containingHeight = cbH;
      if (!ReuseLayout(box, cbW, cbH)) {
        LayoutBoxContent(state, box, in);
        NoteLayoutDone(box, cbW, cbH);
      }
    } else {
      LayoutShrinkToFit(state, box, cbW, cbH, available);
      if (box->IsReplaced()) ComputeOverflow(box);
    }
    // Height (CSS 2.1 10.6.4): top and bottom with an auto height stretch it.
    if (stretchHeight && box->type != BoxType::kTable) {
      box->height = ClampHeight(box, heightForChildren, cbH);
      ComputeOverflow(box);
    }
    // Auto margins (CSS 2.1 10.3.7, 10.6.4): with both offsets set, the width
    // or height given (or held by a min- or max- value) leaves the rest to
    // them, shared equally when both are auto; a negative share across is 0
    // on the left.
    if (!s.left.IsAuto() && !s.right.IsAuto()) {
      ShareAutoMargins(s.margin[kLeft].IsAuto(), s.margin[kRight].IsAuto(), cbW - left - right - box->BorderBoxWidth(),
                       true, &box->margin[kLeft], &box->margin[kRight]);
    }
    if (!s.top.IsAuto() && !s.bottom.IsAuto() && !topAuto) {
      ShareAutoMargins(s.margin[kTop].IsAuto(), s.margin[kBottom].IsAuto(), cbH - top - bottom - box->BorderBoxHeight(),
                       false, &box->margin[kTop], &box->margin[kBottom]);
    }
    int outerWidth = box->BorderBoxWidth() + marginsH;
    int outerHeight = box->BorderBoxHeight() + marginsV;
    // Over-constrained (both offsets set): the right one gives way, the left
    // one when the containing block is rtl.
    const ComputedStyle* cbStyle = cbBox != nullptr ? cbBox->style : nullptr;
    if (leftAuto || (!s.left.IsAuto() && !rightAuto && cbStyle != nullptr && cbStyle->rtl)) {
      left = cbW - right - outerWidth;
    }
    if (topAuto) top = cbH - bottom - outerHeight;
    box->x = area.x + left + box->margin[kLeft];
    box->y = area.y + top + box->margin[kTop];
    box->relX = 0;
    box->relY = 0;
  }
}

}  // namespace

void LayoutPendingPositioned(LayoutState& state, size_t index) {
  LayoutContext& ctx = state.context;
  Box* cbBox = state.containingBlocks[index].box;
  // The padding box of the containing block, in its border-box coordinates.
  Rect area;
  if (cbBox != nullptr) {
    area = cbBox->PaddingBoxRect();
  } else {
    area = Rect{0, 0, ctx.viewportWidth - (ctx.viewportScrollBar ? ctx.scrollBarWidth : 0), ctx.viewportHeight};
  }
  // Laying a box out may push containing blocks (and reallocate the list), and
  // fixed boxes inside may join the first list while it is worked on.
  std::vector<PendingPositioned> pending;
  while (true) {
    pending.swap(state.containingBlocks[index].pending);
    state.containingBlocks[index].pending.clear();
    if (pending.empty()) break;
    LayoutPending(state, cbBox, area, pending);
    pending.clear();
  }
}


}  // namespace engine
