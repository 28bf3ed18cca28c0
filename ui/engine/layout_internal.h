// Declarations shared by the layout modules (layout_*.cpp, floats.cpp,
// intrinsic_widths.cpp); not for use outside layout.
#pragma once

#include <climits>
#include <vector>

#include "ui/engine/box_tree.h"
#include "ui/engine/layout.h"

namespace engine {

// Adjoining vertical margins collapse to the largest positive plus the most
// negative (CSS 2.1 section 8.3.1).
struct MarginStrut {
  int positive = 0;
  int negative = 0;
  void Add(int margin) {
    if (margin > positive) positive = margin;
    if (margin < negative) negative = margin;
  }
  void Add(const MarginStrut& o) {
    Add(o.positive);
    Add(o.negative);
  }
  int Sum() const { return positive + negative; }
};

// The floats of one block formatting context, as margin boxes in the
// coordinates of the context's root border box (CSS 2.1 section 9.5.1).
class FloatContext {
 public:
  // The free span [*left, *right) inside [minX, maxX) beside the floats
  // that reach into the band [top, top + height). For placing a float
  // (`forFloat`), a float of no height at `top` counts too: the next float
  // goes beside it, not over it.
  void FreeSpan(int top, int height, int minX, int maxX, int* left, int* right, bool forFloat = false) const;
  // Where a float's margin box of this size goes: not above `top` nor above
  // an earlier float, beside the floats already there, inside [minX, maxX).
  Point Place(int width, int height, FloatSide side, int top, int minX, int maxX);
  // The lowest bottom of the floats on the side(s) a clear value names, or
  // INT_MIN when there is none.
  int ClearanceY(Clear clear) const;
  // The smallest float bottom below y that reaches into [minX, maxX), or
  // INT_MAX when none.
  int NextBottomBelow(int y, int minX, int maxX) const;
  int LowestBottom() const;
  bool Empty() const { return floats_.empty(); }

 private:
  struct Placed {
    Rect margin;
    FloatSide side;
  };
  std::vector<Placed> floats_;
  int lowestTop_ = INT_MIN;
};

// An absolutely positioned box met during layout, waiting for its
// containing block to be laid out.
struct PendingPositioned {
  Box* box;
  Box* layoutParent;   // the box whose coordinates staticPosition is in
  Point staticPosition;  // where its margin box would have started in flow
};

struct LayoutState {
  LayoutContext& context;
  // Containing blocks being laid out, innermost last, with the absolutely
  // positioned boxes found inside each. The first entry is the initial
  // containing block (and the viewport, for fixed boxes).
  struct ContainingBlock {
    Box* box;  // null for the initial containing block
    std::vector<PendingPositioned> pending;
  };
  std::vector<ContainingBlock> containingBlocks;

  explicit LayoutState(LayoutContext& c) : context(c) {}
};

// Where a block-level box is laid out.
struct BlockInput {
  int containingWidth = 0;   // content width of the containing block
  int containingHeight = -1; // content height of the containing block; -1 when not known
  FloatContext* floats = nullptr;  // the enclosing formatting context's floats
  int bfcX = 0, bfcY = 0;   // the box's border-box origin in that context's coordinates
};

// --- layout_block.cpp
// Lays out the content of a box whose width, padding and margins are set:
// children, then the height (auto or specified, min and max applied),
// overflow, scroll bar. `floats` is used unless the box starts a formatting
// context of its own. Returns the box's collapsed bottom margin strut when
// its bottom margin adjoins its last child's.
MarginStrut LayoutBoxContent(LayoutState& state, Box* box, const BlockInput& input);
// A box that starts a formatting context of its own (float, inline-block,
// table cell, absolutely positioned box, overflow other than visible).
bool StartsFormattingContext(const Box* box);
// Padding and the non-auto margins against the containing width.
void ResolvePaddingAndMargins(Box* box, int containingWidth);
// A height property in pixels, or -1 for auto (or a percentage of an unknown height).
int SpecifiedHeight(const Box* box, int containingHeight);
int ClampWidth(const Box* box, int contentWidth, int containingWidth);
int ClampHeight(const Box* box, int contentHeight, int containingHeight);
// Sizes and lays out a box with the shrink-to-fit width (CSS 2.1 section
// 10.3.5): floats, inline blocks; `available` is the width it may take.
void LayoutShrinkToFit(LayoutState& state, Box* box, int containingWidth, int containingHeight, int available);
// Lays out a box that starts its own formatting context, reusing its last
// layout when nothing changed; the width is decided by `lay`.
bool CanReuseLayout(const Box* box, int containingWidth, int containingHeight);
// CanReuseLayout for a box whose width was just set with its scroll bar's
// room: when the last layout serves, the width goes back to the content's.
bool ReuseLayout(Box* box, int containingWidth, int containingHeight);
void NoteLayoutDone(Box* box, int containingWidth, int containingHeight);
// Union of the box's own border box and its content's overflow.
void ComputeOverflow(Box* box);
// Moves a box's content down (table cells' vertical alignment).
void ShiftContent(Box* box, int dy);

// Lays out a float (shrink-to-fit) and places it in the float list: its
// margin box goes no higher than `top` (in `parent` border-box coordinates;
// the parent's border-box origin is at (bfcX, bfcY) in the float list's
// coordinates), within the parent's content box.
void LayoutFloat(LayoutState& state, Box* box, Box* parent, FloatContext* floats, int bfcX, int bfcY, int top,
                 int containingHeight);
// The placing half of LayoutFloat, for a float already laid out.
void PlaceFloat(Box* box, Box* parent, FloatContext* floats, int bfcX, int bfcY, int top, int containingHeight);
// The boxes whose x and y are in `box`'s coordinates: its children, looking
// through inline boxes (floats, atomic inlines and absolutely positioned
// boxes inside them).
template <typename Visit>
void ForEachLayoutChild(Box* box, Visit visit) {
  for (Box* child = box->firstChild; child != nullptr; child = child->nextSibling) {
    if (child->type == BoxType::kInline) {
      ForEachLayoutChild(child, visit);
    } else if (child->type != BoxType::kText && child->type != BoxType::kLineBreak) {
      visit(child);
    }
  }
}
// Records an absolutely positioned box met in flow at `staticPosition` (in
// `layoutParent` coordinates) for its containing block.
void NotePositioned(LayoutState& state, Box* box, Box* layoutParent, Point staticPosition);

// --- layout_inline.cpp
// Lays out the inline-level children of `container` into line boxes;
// returns the height of the lines.
int LayoutInlineContent(LayoutState& state, Box* container, FloatContext* floats, int bfcX, int bfcY,
                        int containingHeight);
// Preferred widths of inline content (min: the widest unbreakable piece; max:
// the widest line with only forced breaks).
void InlineIntrinsicWidths(LayoutState& state, Box* container, int* minWidth, int* maxWidth);
// Text after white-space processing (CSS 2.1 section 16.6.1), into box->text.
void PrepareText(Box* textBox);

// --- layout_table.cpp
// Lays out a table box whose margins are resolved; sets its width (border
// box from the automatic or fixed layout algorithm) and height.
void LayoutTable(LayoutState& state, Box* table, int containingWidth, int containingHeight, int available);
void TableIntrinsicWidths(LayoutState& state, Box* table, int* minWidth, int* maxWidth);
// The baseline of a laid-out table (its first row's) from its border-box
// top, or -1 when it has none.
int TableBaseline(const Box* table);

// --- layout_positioned.cpp
// The box against whose border box `box`'s x and y are given: its
// containing block for absolutely positioned boxes (null: the initial
// containing block, or the viewport for fixed ones), else the nearest
// ancestor that is not an inline box.
Box* LayoutParentOf(Box* box);
// The width of text in a style: its glyphs, letter-spacing after each
// character and word-spacing on each space (CSS 2.1 section 16.4); and of one
// collapsible space.
int StyledTextWidth(LayoutContext& ctx, const ComputedStyle& style, const char16_t* text, size_t length);
int StyledSpaceWidth(LayoutContext& ctx, const ComputedStyle& style);

// position: relative (CSS 2.1 section 9.4.3): the offset a style asks for,
// and setting it on a box (relX, relY); adding the offset of an ancestor
// the box moves with.
Point RelativeOffset(const ComputedStyle& style, int containingWidth, int containingHeight);
void ApplyRelativeOffset(Box* box, int containingWidth, int containingHeight);
void AddRelativeOffset(Box* box, Point offset);
// Lays out the absolutely positioned boxes waiting for `cb` (null: the
// initial containing block) once its size is known.
// `index` into state.containingBlocks (0: the initial one).
void LayoutPendingPositioned(LayoutState& state, size_t index);
// Replaced elements (CSS 2.1 sections 10.3.2 and 10.6.2): content size.
void SizeReplaced(LayoutState& state, Box* box, int containingWidth, int containingHeight);

// --- intrinsic_widths.cpp
// Min-content and max-content widths of the box's margin box (fixed
// margins only), cached in the box.
void IntrinsicWidths(LayoutState& state, Box* box, int* minWidth, int* maxWidth);
// The same for the content box only (what shrink-to-fit works on).
void ContentIntrinsicWidths(LayoutState& state, Box* box, int* minWidth, int* maxWidth);

}  // namespace engine
