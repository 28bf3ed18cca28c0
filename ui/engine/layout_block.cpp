// Block formatting context (CSS 2.1 section 9.4.1): block widths (10.3.3),
// heights (10.6.3, 10.6.7), collapsing margins (8.3.1), floats and clearance
// (9.5), overflow and vertical scrolling (11.1). Also the entry point of
// layout and the font cache.
#include <algorithm>
#include <cmath>

#include "ui/engine/layout_internal.h"
#include "ui/engine/text.h"

namespace engine {

// --- fonts

const LayoutContext::FontInfo& LayoutContext::Font(const FontDesc& font) {
  // Runs of text mostly ask for the same font again.
  if (lastFont_ != nullptr && *lastFont_ == font) return *lastInfo_;
  auto found = fonts_.find(font);
  if (found == fonts_.end()) {
    FontInfo info;
    info.metrics = host->GetFontMetrics(font);
    info.spaceWidth = host->MeasureText(font, u" ", 1);
    found = fonts_.emplace(font, info).first;
  }
  lastFont_ = &found->first;
  lastInfo_ = &found->second;
  return found->second;
}

int LayoutContext::MeasureText(const FontDesc& font, const char16_t* text, size_t length) {
  ++stats.textMeasurements;
  return length == 0 ? 0 : host->MeasureText(font, text, length);
}

int UsedLineHeight(LayoutContext& context, const ComputedStyle& style) {
  switch (style.lineHeight.kind) {
    case LineHeight::kNumber:
      return int(std::lround(style.lineHeight.value * style.font.size));
    case LineHeight::kPx:
      return int(style.lineHeight.value);
    case LineHeight::kNormal:
      break;
  }
  const FontMetrics& m = context.Font(style.font).metrics;
  return m.ascent + m.descent + m.lineGap;
}

// --- box model helpers

namespace {

int16_t ClampEdge(int v) { return int16_t(std::max(-30000, std::min(30000, v))); }

}  // namespace

bool StartsFormattingContext(const Box* box) {
  if (box->parent == nullptr) return true;
  switch (box->type) {
    case BoxType::kInlineBlock:
    case BoxType::kTableCell:
    case BoxType::kTable:
      return true;
    case BoxType::kBlock:
      return box->IsFloating() || box->IsOutOfFlowPositioned() || box->style->ClipsContent();
    default:
      return false;
  }
}

void ResolvePaddingAndMargins(Box* box, int containingWidth) {
  const ComputedStyle& s = *box->style;
  bool rowPart = box->type == BoxType::kTableRow || box->type == BoxType::kTableRowGroup;
  for (int side = 0; side < 4; ++side) {
    box->padding[side] = rowPart ? 0 : ClampEdge(std::max(0, ResolveLength(s.padding[side], containingWidth)));
    box->margin[side] = (rowPart || box->type == BoxType::kTableCell)
                            ? 0
                            : ClampEdge(ResolveLength(s.margin[side], containingWidth));
    if (!box->HasEdge(side)) box->padding[side] = box->margin[side] = 0;
  }
}

int SpecifiedHeight(const Box* box, int containingHeight) {
  const Length& h = box->style->height;
  if (h.IsFixed()) return std::max(0, ResolveLength(h, 0));
  if (h.IsPercent() && containingHeight >= 0) return std::max(0, ResolveLength(h, containingHeight));
  return -1;
}

int ClampWidth(const Box* box, int contentWidth, int containingWidth) {
  const ComputedStyle& s = *box->style;
  if (!s.maxWidth.IsNone() && !s.maxWidth.IsAuto()) {
    contentWidth = std::min(contentWidth, ResolveLength(s.maxWidth, containingWidth));
  }
  if (s.minWidth.IsFixed() || s.minWidth.IsPercent()) {
    contentWidth = std::max(contentWidth, ResolveLength(s.minWidth, containingWidth));
  }
  return std::max(0, contentWidth);
}

int ClampHeight(const Box* box, int contentHeight, int containingHeight) {
  const ComputedStyle& s = *box->style;
  if (s.maxHeight.IsFixed() || (s.maxHeight.IsPercent() && containingHeight >= 0)) {
    contentHeight = std::min(contentHeight, ResolveLength(s.maxHeight, containingHeight));
  }
  if (s.minHeight.IsFixed() || (s.minHeight.IsPercent() && containingHeight >= 0)) {
    contentHeight = std::max(contentHeight, ResolveLength(s.minHeight, containingHeight));
  }
  return std::max(0, contentHeight);
}

bool CanReuseLayout(const Box* box, int containingWidth, int containingHeight) {
  return !box->Is(kBoxNeedsLayout) && !box->Is(kBoxChildNeedsLayout) && !box->Is(kBoxPositionedInside) &&
         box->layoutWidth == containingWidth && box->layoutHeight == containingHeight;
}

bool ReuseLayout(Box* box, int containingWidth, int containingHeight) {
  if (!CanReuseLayout(box, containingWidth, containingHeight)) return false;
  // box->width was just set to the width with the scroll bar; the bar of
  // the last layout takes its room again.
  box->width = std::max(0, box->width - box->scrollBarWidth);
  return true;
}

void NoteLayoutDone(Box* box, int containingWidth, int containingHeight) {
  box->layoutWidth = containingWidth;
  box->layoutHeight = containingHeight;
  box->flags &= uint16_t(~(kBoxNeedsLayout | kBoxChildNeedsLayout));
}

void ComputeOverflow(Box* box) {
  Rect r = box->BorderBoxRect();
  bool positionedInside = false;
  bool clips = box->style->ClipsContent() && box->IsBlockContainer();
  ForEachLayoutChild(box, [&](Box* child) {
    if (child->style->IsPositioned() || child->Is(kBoxPositionedInside)) positionedInside = true;
    if (clips || child->IsOutOfFlowPositioned()) return;
    if (child->style->IsPositioned()) return;  // painted as a layer of its own
    r = Union(r, Translated(child->Overflow(), child->x, child->y));
  });
  if (!clips && box->inlines != nullptr) {
    for (const LineFragment& f : box->inlines->fragments()) {
      if (f.kind == LineFragment::kAtomic) continue;  // counted as layout children
      r = Union(r, Rect{f.x, f.y, f.width, f.height});
    }
  }
  box->SetOverflow(r);
  if (positionedInside) {
    box->flags |= kBoxPositionedInside;
  } else {
    box->flags &= uint16_t(~kBoxPositionedInside);
  }
}

void ShiftContent(Box* box, int dy) {
  if (dy == 0) return;
  ForEachLayoutChild(box, [&](Box* child) {
    if (!child->IsOutOfFlowPositioned()) child->y += dy;
  });
  if (box->inlines != nullptr) {
    for (LineBox& line : box->inlines->lines()) {
      line.y += dy;
      line.baseline += dy;
    }
    for (LineFragment& f : box->inlines->fragments()) {
      f.y += dy;
      f.baseline += dy;
    }
  }
}

int FirstBaseline(const Box* box) {
  if (box->type == BoxType::kTable) return TableBaseline(box);
  if (box->inlines != nullptr && !box->inlines->lines().empty()) return box->inlines->lines().front().baseline;
  for (const Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlow() || child->type == BoxType::kInline || child->IsInlineLevel()) continue;
    int b = FirstBaseline(child);
    if (b >= 0) return child->y + b;
  }
  return -1;
}

int LastBaseline(const Box* box) {
  if (box->inlines != nullptr && !box->inlines->lines().empty()) return box->inlines->lines().back().baseline;
  int found = -1;
  for (const Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlow() || child->IsInlineLevel()) continue;
    int b = LastBaseline(child);
    if (b >= 0) found = child->y + b;
  }
  return found;
}

int ListItemOrdinal(const Box* box) {
  int ordinal = 1;
  if (box->node == nullptr || box->node->parent == nullptr) return ordinal;
  for (const Node* sibling : box->node->parent->children) {
    if (sibling == box->node) break;
    if (sibling->box != nullptr && sibling->box->Is(kBoxListItem)) ++ordinal;
  }
  return ordinal;
}

void NotePositioned(LayoutState& state, Box* box, Box* layoutParent, Point staticPosition) {
  LayoutState::ContainingBlock& cb =
      box->style->position == Position::kFixed ? state.containingBlocks.front() : state.containingBlocks.back();
  cb.pending.push_back(PendingPositioned{box, layoutParent, staticPosition});
}

// --- block formatting context

namespace {

// How many float bottoms a box that must not overlap floats goes past to
// find room; each step lays it out again, so hostile pages with thousands
// of floats cost at most this many layouts of the box.
constexpr int kMaxFloatSteps = 64;

bool CollapsesTopWithFirstChild(const Box* box) {
  return box->type == BoxType::kBlock && box->parent != nullptr && !StartsFormattingContext(box) &&
         box->BorderWidth(kTop) == 0 && box->padding[kTop] == 0;
}

bool CollapsesBottomWithLastChild(const Box* box) {
  const ComputedStyle& s = *box->style;
  return box->type == BoxType::kBlock && box->parent != nullptr && !StartsFormattingContext(box) &&
         box->BorderWidth(kBottom) == 0 && box->padding[kBottom] == 0 && s.height.IsAuto() &&
         ResolveLength(s.minHeight, 0) == 0;
}

// Whether anything in flow inside makes a line or a box: not collapsible
// white space, nor inline boxes without edges around nothing (the parts of
// an inline box split around a block, for one), CSS 2.1 section 9.4.2.
bool HasInFlowContent(const Box* box) {
  for (const Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlow()) continue;
    if (child->type == BoxType::kText && child->style->whiteSpace != WhiteSpace::kPre &&
        IsAllSpace(SourceTextOf(child))) {
      continue;
    }
    if (child->type == BoxType::kInline && !HasInFlowContent(child)) {
      const ComputedStyle& s = *child->style;
      bool edges = false;
      for (int side : {kLeft, kRight}) {
        if (!child->HasEdge(side)) continue;
        edges = edges || child->BorderWidth(side) > 0 || !(s.margin[side] == Length::Px(0)) ||
                !(s.padding[side] == Length::Px(0));
      }
      if (!edges) continue;
    }
    return true;
  }
  return false;
}

// A block with nothing in flow inside, whose top and bottom margins adjoin
// (CSS 2.1 section 8.3.1), judged from the tree alone.
bool LooksEmpty(const Box* box) {
  if (box->type != BoxType::kBlock || StartsFormattingContext(box)) return false;
  const ComputedStyle& s = *box->style;
  if (box->BorderWidth(kTop) || box->BorderWidth(kBottom) || box->padding[kTop] || box->padding[kBottom]) return false;
  if (!(s.height.IsAuto() || (s.height.IsFixed() && s.height.value == 0))) return false;
  if (ResolveLength(s.minHeight, 0) != 0) return false;
  if (box->Is(kBoxListItem) && s.listStyleType != ListStyleType::kNone) return false;
  return !HasInFlowContent(box);
}

// The width of a block's content box when it is laid out in flow in a
// containing block of width `cw` (CSS 2.1 section 10.3.3), margins updated.
void ComputeBlockWidth(Box* box, int cw) {
  const ComputedStyle& s = *box->style;
  int bp = box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
  bool autoLeft = s.margin[kLeft].IsAuto(), autoRight = s.margin[kRight].IsAuto();
  int width;
  if (s.width.IsAuto()) {
    width = cw - box->margin[kLeft] - box->margin[kRight] - bp;
    int clamped = ClampWidth(box, width, cw);
    if (clamped == std::max(0, width)) {
      box->width = std::max(0, width);
      return;
    }
    width = clamped;
  } else {
    width = ClampWidth(box, ResolveLength(s.width, cw), cw);
  }
  int rest = cw - width - bp;
  if (autoLeft && autoRight) {
    int half = std::max(0, rest) / 2;
    box->margin[kLeft] = ClampEdge(half);
    box->margin[kRight] = ClampEdge(std::max(0, rest) - half);
  } else if (autoLeft) {
    box->margin[kLeft] = ClampEdge(rest - box->margin[kRight]);
  } else if (autoRight) {
    box->margin[kRight] = ClampEdge(rest - box->margin[kLeft]);
  } else if (box->parent != nullptr && box->parent->style->rtl) {
    // Over-constrained: the margin at the end gives way, the left one in rtl.
    box->margin[kLeft] = ClampEdge(rest - box->margin[kRight]);
  }
  box->width = std::max(0, width);
}

// The content width a first child sees, for the percentages of its margins
// in CollapsedTopMargin.
int EstimatedContentWidth(Box* box, int cw) {
  if (!box->style->width.IsAuto()) return ClampWidth(box, ResolveLength(box->style->width, cw), cw);
  int bp = box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
  return std::max(0, cw - box->margin[kLeft] - box->margin[kRight] - bp);
}

// Where the margins above a box start, for clearance: the floats of the
// formatting context, the y (in its coordinates) of the border edge above
// and the margins collapsed since.
struct ClearanceInput {
  const FloatContext* floats = nullptr;
  int baseY = 0;
  MarginStrut above;
};

// The box's top margin together with the margins that collapse with it
// through its top (its first children's, and those of empty blocks first).
// A child with clear stops the collapsing when it gets clearance: when its
// border edge would otherwise lie above the floats it clears (CSS 2.1
// section 9.5.2); with no such floats, clear changes nothing.
MarginStrut CollapsedTopMargin(Box* box, int cw, const ClearanceInput& clearance) {
  MarginStrut strut;
  strut.Add(box->margin[kTop]);
  if (!CollapsesTopWithFirstChild(box) || box->Is(kBoxChildrenInline)) return strut;
  int inner = EstimatedContentWidth(box, cw);
  // Floats among the children before, on each side: they sit at this top,
  // so a child that clears them gets clearance.
  bool floatLeft = false, floatRight = false;
  for (Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlow()) {
      if (child->IsFloating()) (child->style->floatSide == FloatSide::kLeft ? floatLeft : floatRight) = true;
      continue;
    }
    ResolvePaddingAndMargins(child, inner);
    ClearanceInput below = clearance;
    below.above.Add(strut);
    Clear clear = child->style->clear;
    if ((floatLeft && (clear == Clear::kLeft || clear == Clear::kBoth)) ||
        (floatRight && (clear == Clear::kRight || clear == Clear::kBoth))) {
      break;
    }
    if (child->style->clear != Clear::kNone && clearance.floats != nullptr) {
      int clearY = clearance.floats->ClearanceY(child->style->clear);
      MarginStrut hypothetical = below.above;
      hypothetical.Add(child->margin[kTop]);
      if (clearY != INT_MIN && clearance.baseY + hypothetical.Sum() < clearY) break;
    }
    strut.Add(CollapsedTopMargin(child, inner, below));
    if (!LooksEmpty(child)) break;
    strut.Add(child->margin[kBottom]);
  }
  return strut;
}

bool CollapsedThrough(const Box* box) {
  if (!LooksEmpty(box) || box->BorderBoxHeight() != 0) return false;
  return box->inlines == nullptr || box->inlines->lines().empty();
}

MarginStrut LayoutBlockLevelChild(LayoutState& state, Box* child, const BlockInput& input);

// A block inside an inline element that was split around it moves with the
// element's relative offset, as everything inside the element does.
void MoveWithSplitInlines(Box* child, int containingWidth, int containingHeight) {
  if (child->node == nullptr) return;
  for (const Node* a = child->node->parent; a != nullptr; a = a->parent) {
    Box* part = a->box;
    if (part == nullptr || part->type != BoxType::kInline || !part->Is(kBoxContinued)) break;
    AddRelativeOffset(child, RelativeOffset(*part->style, containingWidth, containingHeight));
  }
}

// Lays out the block-level children of `parent` (CSS 2.1 section 9.4.1);
// returns the content height. *bottom gets the margins below the last child
// that may collapse through the parent's bottom.
int LayoutBlockChildren(LayoutState& state, Box* parent, FloatContext* floats, int bfcX, int bfcY,
                        int containingHeight, MarginStrut* bottom) {
  int cw = parent->width;
  int contentX = parent->ContentLeft(), contentY = parent->ContentTop();
  bool collapseTop = CollapsesTopWithFirstChild(parent);
  int y = 0;
  MarginStrut strut;
  bool atTop = true;
  bool afterClearance = false;  // the pending margins follow an empty box with clearance
  for (Box* child = parent->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->IsOutOfFlowPositioned()) {
      ResolvePaddingAndMargins(child, cw);
      int at = (atTop && collapseTop) ? y : y + strut.Sum();
      NotePositioned(state, child, parent, Point{contentX, contentY + at});
      continue;
    }
    if (child->IsFloating()) {
      int at = (atTop && collapseTop) ? y : y + strut.Sum();
      LayoutFloat(state, child, parent, floats, bfcX, bfcY, contentY + at, containingHeight);
      MoveWithSplitInlines(child, cw, containingHeight);
      continue;
    }
    ResolvePaddingAndMargins(child, cw);
    MarginStrut combined = strut;
    ClearanceInput clearance;
    clearance.floats = floats != nullptr && !floats->Empty() ? floats : nullptr;
    clearance.baseY = bfcY + contentY + y;
    clearance.above = strut;
    combined.Add(CollapsedTopMargin(child, cw, clearance));
    int top = (atTop && collapseTop) ? y : y + combined.Sum();
    // Clearance (CSS 2.1 section 9.5.2): the border edge goes below the
    // floats it clears; the margins above it are spent in the clearance.
    bool cleared = false;
    if (child->style->clear != Clear::kNone && floats != nullptr) {
      int clearY = floats->ClearanceY(child->style->clear);
      if (clearY != INT_MIN && top < clearY - (bfcY + contentY)) {
        top = clearY - (bfcY + contentY);
        cleared = true;
      }
    }
    // Width: normal flow; boxes that must not overlap floats (CSS 2.1
    // section 9.5) are narrowed beside them, or go down past float bottoms
    // until they fit (or nothing is beside them any more).
    bool avoidsFloats = StartsFormattingContext(child) || child->type == BoxType::kTable || child->IsReplaced();
    bool besideFloats = avoidsFloats && floats != nullptr && !floats->Empty();
    MarginStrut childBottom;
    for (int step = 0;; ++step) {
      int availableWidth = cw;
      int shift = 0;
      bool narrowed = false;
      int minX = bfcX + contentX;
      if (besideFloats) {
        int left, right;
        floats->FreeSpan(bfcY + contentY + top, 1, minX, minX + cw, &left, &right);
        shift = left - minX;
        availableWidth = right - left;
        narrowed = left > minX || right < minX + cw;
      }
      if (child->type != BoxType::kTable && !child->IsReplaced()) ComputeBlockWidth(child, availableWidth);
      child->x = contentX + shift + child->margin[kLeft];
      child->y = contentY + top;
      BlockInput in;
      in.containingWidth = availableWidth;
      in.containingHeight = containingHeight;
      in.floats = floats;
      in.bfcX = bfcX + child->x;
      in.bfcY = bfcY + child->y;
      childBottom = LayoutBlockLevelChild(state, child, in);
      MoveWithSplitInlines(child, cw, containingHeight);
      if (child->type == BoxType::kTable || child->IsReplaced()) child->x = contentX + shift + child->margin[kLeft];
      int used = child->margin[kLeft] + child->BorderBoxWidth() + child->margin[kRight];
      if (!narrowed || used <= availableWidth || step >= kMaxFloatSteps) break;
      int next = floats->NextBottomBelow(bfcY + contentY + top, minX, minX + cw);
      if (next == INT_MAX) break;
      top = next - (bfcY + contentY);
    }
    bool empty = CollapsedThrough(child);
    if (!cleared && empty) {
      strut = combined;
      strut.Add(childBottom);
      if (atTop && collapseTop) strut = MarginStrut();
      continue;
    }
    y = top + child->BorderBoxHeight();
    strut = childBottom;
    atTop = false;
    // An empty box with clearance: the margins after it collapse with its
    // own, but never with the parent's bottom margin (CSS 2.1 8.3.1).
    afterClearance = cleared && empty;
  }
  if (atTop) {
    // Nothing in flow took space: the pending margins are the parent's to
    // collapse, or already counted in its top margin.
    if (CollapsesBottomWithLastChild(parent) && !collapseTop) *bottom = strut;
    return (collapseTop || CollapsesBottomWithLastChild(parent)) ? y : y + strut.Sum();
  }
  if (CollapsesBottomWithLastChild(parent) && !afterClearance) {
    *bottom = strut;
    return y;
  }
  return y + strut.Sum();
}

// An in-flow block-level box: its content (or table, or replaced size),
// relative offset. Returns its bottom margin strut.
MarginStrut LayoutBlockLevelChild(LayoutState& state, Box* child, const BlockInput& input) {
  MarginStrut out;
  if (child->IsReplaced()) {
    SizeReplaced(state, child, input.containingWidth, input.containingHeight);
    int bp = child->padding[kLeft] + child->padding[kRight] + child->BorderWidth(kLeft) + child->BorderWidth(kRight);
    int rest = input.containingWidth - child->width - bp;
    bool autoLeft = child->style->margin[kLeft].IsAuto(), autoRight = child->style->margin[kRight].IsAuto();
    if (autoLeft && autoRight) {
      child->margin[kLeft] = ClampEdge(std::max(0, rest) / 2);
    } else if (autoLeft) {
      child->margin[kLeft] = ClampEdge(rest - child->margin[kRight]);
    }
    ComputeOverflow(child);
    out.Add(child->margin[kBottom]);
  } else if (child->type == BoxType::kTable) {
    LayoutTable(state, child, input.containingWidth, input.containingHeight, input.containingWidth);
    out.Add(child->margin[kBottom]);
  } else if (StartsFormattingContext(child)) {
    if (!ReuseLayout(child, input.containingWidth, input.containingHeight)) {
      LayoutBoxContent(state, child, input);
      NoteLayoutDone(child, input.containingWidth, input.containingHeight);
    }
    out.Add(child->margin[kBottom]);
  } else {
    MarginStrut inner = LayoutBoxContent(state, child, input);
    NoteLayoutDone(child, input.containingWidth, input.containingHeight);
    out = inner;
    out.Add(child->margin[kBottom]);
  }
  ApplyRelativeOffset(child, input.containingWidth, input.containingHeight);
  return out;
}

// The bottom of the content for the scroll range: lines, in-flow and
// floating children with their margins, in the box's border-box coordinates.
int ContentBottom(Box* box, int contentHeight) {
  int bottom = box->ContentTop() + contentHeight;
  ForEachLayoutChild(box, [&](Box* child) {
    if (child->IsOutOfFlowPositioned()) return;
    Rect o = Translated(child->Overflow(), child->x + child->relX, child->y + child->relY);
    bottom = std::max(bottom, std::max(o.Bottom(), child->y + child->BorderBoxHeight() + child->margin[kBottom]));
  });
  if (box->inlines != nullptr && !box->inlines->lines().empty()) {
    const LineBox& last = box->inlines->lines().back();
    bottom = std::max(bottom, last.y + last.height);
  }
  return bottom;
}

}  // namespace

void LayoutFloat(LayoutState& state, Box* box, Box* parent, FloatContext* floats, int bfcX, int bfcY, int top,
                 int containingHeight) {
  LayoutShrinkToFit(state, box, parent->width, containingHeight, parent->width);
  PlaceFloat(box, parent, floats, bfcX, bfcY, top, containingHeight);
}

void PlaceFloat(Box* box, Box* parent, FloatContext* floats, int bfcX, int bfcY, int top, int containingHeight) {
  int cw = parent->width;
  int width = box->BorderBoxWidth() + box->margin[kLeft] + box->margin[kRight];
  int height = box->BorderBoxHeight() + box->margin[kTop] + box->margin[kBottom];
  int minX = bfcX + parent->ContentLeft();
  Point at{minX, bfcY + top};
  if (floats != nullptr) {
    // clear on a float: its top goes below the earlier floats it clears.
    int y = bfcY + top;
    if (box->style->clear != Clear::kNone) y = std::max(y, floats->ClearanceY(box->style->clear));
    at = floats->Place(width, height, box->style->floatSide, y, minX, minX + cw);
  }
  box->x = at.x - bfcX + box->margin[kLeft];
  box->y = at.y - bfcY + box->margin[kTop];
  ApplyRelativeOffset(box, cw, containingHeight);
}

void LayoutShrinkToFit(LayoutState& state, Box* box, int containingWidth, int containingHeight, int available) {
  ResolvePaddingAndMargins(box, containingWidth);
  if (box->IsReplaced()) {
    SizeReplaced(state, box, containingWidth, containingHeight);
    ComputeOverflow(box);
    return;
  }
  if (box->type == BoxType::kTable) {
    LayoutTable(state, box, containingWidth, containingHeight, available);
    return;
  }
  const ComputedStyle& s = *box->style;
  int bp = box->padding[kLeft] + box->padding[kRight] + box->BorderWidth(kLeft) + box->BorderWidth(kRight);
  int width;
  if (!s.width.IsAuto()) {
    width = ResolveLength(s.width, containingWidth);
  } else {
    int minContent, maxContent;
    ContentIntrinsicWidths(state, box, &minContent, &maxContent);
    int room = available - box->margin[kLeft] - box->margin[kRight] - bp;
    width = std::min(std::max(minContent, room), maxContent);
  }
  width = ClampWidth(box, width, containingWidth);
  // A vertical scroll bar comes on top of the width the content asks for
  // (box->width holds both while it is laid out): always with overflow-y:
  // scroll, with auto when the content turns out taller than the box.
  bool fitsContent = s.width.IsAuto() && box->IsBlockContainer();
  int bar = state.context.scrollBarWidth;
  if (fitsContent && s.overflowY == Overflow::kScroll) width += bar;
  bool autoBar = fitsContent && s.overflowY == Overflow::kAuto;
  int lastFullWidth = box->width + box->scrollBarWidth;
  // Unchanged since a layout that widened the box for its bar: kept as it is.
  bool widened = autoBar && box->Is(kBoxVerticalScrollbar) && width + bar == lastFullWidth;
  if ((widened ? width + bar : width) != lastFullWidth) box->flags |= kBoxNeedsLayout;
  box->width = widened ? width + bar : width;
  if (ReuseLayout(box, containingWidth, containingHeight)) return;
  // Laid out again: from the content's width alone, so that the result
  // never depends on an earlier layout.
  box->width = width;
  box->scrollBarWidth = 0;
  BlockInput in;
  in.containingWidth = containingWidth;
  in.containingHeight = containingHeight;
  LayoutBoxContent(state, box, in);
  if (autoBar && box->Is(kBoxVerticalScrollbar)) {
    box->width = width + bar;
    box->scrollBarWidth = 0;
    LayoutBoxContent(state, box, in);
  }
  NoteLayoutDone(box, containingWidth, containingHeight);
}

MarginStrut LayoutBoxContent(LayoutState& state, Box* box, const BlockInput& input) {
  ++state.context.stats.boxesLaidOut;
  const ComputedStyle& s = *box->style;
  bool ownContext = StartsFormattingContext(box);
  FloatContext ownFloats;
  FloatContext* floats = ownContext ? &ownFloats : input.floats;
  int bfcX = ownContext ? 0 : input.bfcX;
  int bfcY = ownContext ? 0 : input.bfcY;
  if (floats == nullptr) floats = &ownFloats;

  // A cell's height only makes its row taller (the table sets it); its
  // content is laid out by its own height and then aligned in the row.
  int specified = box->type == BoxType::kTableCell ? -1 : SpecifiedHeight(box, input.containingHeight);
  int childHeight = specified >= 0 ? ClampHeight(box, specified, input.containingHeight) : -1;
  if (box->parent == nullptr && specified < 0) childHeight = -1;

  bool positioned = s.IsPositioned() && box->type != BoxType::kInline;
  if (positioned) state.containingBlocks.push_back(LayoutState::ContainingBlock{box, {}});

  bool scrolls = box->IsBlockContainer() && s.ScrollsVertically();
  bool scrollBar = scrolls && s.overflowY == Overflow::kScroll;
  int fullWidth = box->width;  // as the caller decided it, scroll bar included
  MarginStrut bottom;
  int contentHeight = 0;
  for (int pass = 0; pass < 2; ++pass) {
    box->width = std::max(0, fullWidth - (scrollBar ? state.context.scrollBarWidth : 0));
    box->scrollBarWidth = 0;
    if (positioned) state.containingBlocks.back().pending.clear();
    bottom = MarginStrut();
    box->inlines.reset();
    if (box->type == BoxType::kTable) {
      contentHeight = box->height;
    } else if (box->Is(kBoxChildrenInline)) {
      contentHeight = LayoutInlineContent(state, box, floats, bfcX, bfcY, childHeight);
    } else {
      contentHeight = LayoutBlockChildren(state, box, floats, bfcX, bfcY, childHeight, &bottom);
    }
    if (ownContext && !ownFloats.Empty()) {
      contentHeight = std::max(contentHeight, ownFloats.LowestBottom() - box->ContentTop());  // CSS 2.1 10.6.7
    }
    int height = specified >= 0 ? specified : contentHeight;
    box->height = ClampHeight(box, height, input.containingHeight);
    if (scrolls && !scrollBar && s.overflowY == Overflow::kAuto &&
        ContentBottom(box, contentHeight) - box->BorderWidth(kTop) + box->padding[kBottom] >
            box->height + box->padding[kTop] + box->padding[kBottom]) {
      scrollBar = true;  // and lay out again, narrower
      continue;
    }
    break;
  }
  if (scrollBar) {
    box->flags |= kBoxVerticalScrollbar;
  } else {
    box->flags &= uint16_t(~kBoxVerticalScrollbar);
  }
  // The scroll bar sits inside the padding box, right of the content.
  int bar = scrollBar ? std::min(fullWidth, state.context.scrollBarWidth) : 0;
  box->width = fullWidth - bar;
  box->scrollBarWidth = int16_t(bar);

  ComputeOverflow(box);
  if (positioned) {
    LayoutPendingPositioned(state, state.containingBlocks.size() - 1);
    state.containingBlocks.pop_back();
    ComputeOverflow(box);
  }
  int paddingBoxHeight = box->height + box->padding[kTop] + box->padding[kBottom];
  box->SetScrollHeight(
      std::max(paddingBoxHeight, ContentBottom(box, contentHeight) - box->BorderWidth(kTop) + box->padding[kBottom]));
  return bottom;
}

// The root box in the initial containing block (CSS 2.1 section 10.1), and
// the boxes positioned against it.
void LayoutBoxTree(LayoutContext& context, Box* root) {
  context.stats = LayoutStats();
  if (root == nullptr) {
    context.documentHeight = 0;
    context.viewportScrollBar = false;
    return;
  }
  LayoutState state(context);
  // The viewport scrolls unless html or body clip.
  bool clipped = root->style->overflowY == Overflow::kHidden;
  for (Box* child = root->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->node != nullptr && child->node->tag == kAtomBody && child->style->overflowY == Overflow::kHidden) {
      clipped = true;
    }
  }
  bool scrollBar = false;
  for (int pass = 0; pass < 2; ++pass) {
    state.containingBlocks.clear();
    state.containingBlocks.push_back(LayoutState::ContainingBlock{nullptr, {}});
    int width = std::max(0, context.viewportWidth - (scrollBar ? context.scrollBarWidth : 0));
    ResolvePaddingAndMargins(root, width);
    int before = root->width;
    ComputeBlockWidth(root, width);
    if (before != root->width) root->flags |= kBoxNeedsLayout;
    root->x = root->margin[kLeft];
    root->y = root->margin[kTop];
    BlockInput in;
    in.containingWidth = width;
    in.containingHeight = context.viewportHeight;
    if (!ReuseLayout(root, width, context.viewportHeight)) {
      LayoutBoxContent(state, root, in);
      NoteLayoutDone(root, width, context.viewportHeight);
    }
    int bottom = root->y + std::max(root->BorderBoxHeight() + root->margin[kBottom], root->Overflow().Bottom());
    context.documentHeight = bottom;
    if (!scrollBar && !clipped && bottom > context.viewportHeight && context.viewportWidth > context.scrollBarWidth) {
      scrollBar = true;
      root->flags |= kBoxNeedsLayout;
      continue;
    }
    break;
  }
  context.viewportScrollBar = scrollBar;
  LayoutPendingPositioned(state, 0);
  context.documentHeight = std::max(context.documentHeight, root->y + root->Overflow().Bottom());
}

}  // namespace engine
