// The box tree (CSS 2.1 chapters 9 and 17): one principal box per displayed
// element or text, plus the anonymous boxes the formatting rules need.
// Building it is a step of its own, before any geometry:
//   - a block container holds either only block-level or only inline-level
//     boxes; runs of inline content between blocks are wrapped in anonymous
//     block boxes and runs of collapsible white space there are dropped
//     (section 9.2.1.1);
//   - tables get their missing parts (section 17.2.1): a cell outside a row
//     gets an anonymous row, a row outside a table an anonymous table, other
//     content of a table or row an anonymous row or cell; white space between
//     table parts is dropped;
//   - an inline box with a block inside is split around it: the inline
//     content before and after goes into anonymous blocks, in parts of the
//     inline box (section 9.2.1.1);
//   - columns and column groups stay only in a table (columns also in a
//     column group, which keeps nothing else);
//   - floats and absolutely positioned boxes are block-level (section 9.7).
// Layout (layout.h) writes its results into the same boxes.
//
// Not supported: run-in, columns outside a table (dropped rather than
// wrapped in a table of their own).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ui/engine/computed_style.h"
#include "ui/engine/dom.h"
#include "ui/engine/geometry.h"

namespace engine {

class StyleContext;

enum class BoxType : uint8_t {
  kBlock,        // block container, block-level (also anonymous blocks and list items)
  kInlineBlock,  // block container, inline-level and atomic
  kInline,       // inline box of a non-replaced inline element
  kText,         // the text of a text node
  kLineBreak,    // <br>
  kImage,        // <img>, replaced
  kProgress,     // <progress>, replaced: a bar
  kTable,
  kTableRowGroup,
  kTableRow,
  kTableCell,    // block container
  kTableColumnGroup,
  kTableColumn,
};

enum BoxFlags : uint16_t {
  kBoxAnonymous = 1 << 0,
  kBoxBlockLevel = 1 << 1,          // for replaced boxes: display block (or floated...)
  kBoxChildrenInline = 1 << 2,      // a block container whose children are inline-level
  kBoxNeedsLayout = 1 << 3,         // the box itself changed
  kBoxChildNeedsLayout = 1 << 4,    // something inside changed
  kBoxIntrinsicValid = 1 << 5,      // minContent/maxContent are current
  kBoxVerticalScrollbar = 1 << 6,   // shows a vertical scroll bar
  kBoxPositionedInside = 1 << 7,    // a positioned box is among the descendants
  kBoxListItem = 1 << 8,            // draws a list marker
  kBoxScratch = 1 << 9,             // used inside one operation of the box builder
  kBoxGenerated = 1 << 10,          // a ::before or ::after box, or its text (no node; rebuilt with its element's children)
  // An inline box with block-level boxes inside, before its block container
  // splits it (CSS 2.1 section 9.2.1.1).
  kBoxHasBlocks = 1 << 11,
  // The parts of a split inline box: the first is the element's principal
  // box and is continued; the later ones are continuations (same node and
  // style, not the node's box). The first has no right edge, the last no
  // left edge, the ones between neither.
  kBoxContinuation = 1 << 12,
  kBoxContinued = 1 << 13,
  kBoxUsedBorders = 1 << 14,        // border widths from layout (collapsed table borders), in extra
};

// A piece of a collapsed table border: one edge of the grid between two
// junctions, in the table's border-box coordinates, painted in order.
struct TableBorderSegment {
  Rect rect;
  BorderStyle style = BorderStyle::kNone;
  Color color = 0;
  bool vertical = false;
};

// One piece of a line: a run of text, an atomic inline (inline-block,
// image, progress), or the part of an inline box that lies on the line.
struct LineFragment {
  enum Kind : uint8_t { kText, kAtomic, kInlineBox };
  Box* box = nullptr;
  Kind kind = kText;
  bool firstOfBox = false;  // kInlineBox: the box starts on this line (left edge drawn)
  bool lastOfBox = false;   // kInlineBox: the box ends on this line (right edge drawn)
  int x = 0, y = 0, width = 0, height = 0;  // border box (text: the glyph box) in the container's coordinates
  int baseline = 0;                         // kText: from the container's top
  uint32_t textStart = 0, textLength = 0;   // kText: range of the text box's text (white space collapsed)
};

struct LineBox {
  int y = 0;
  int height = 0;
  int baseline = 0;  // from the container's border-box top
  uint32_t firstFragment = 0;
  uint32_t fragmentCount = 0;
};

// A view of an array (lines and fragments of InlineContent).
template <typename T>
struct Span {
  T* data = nullptr;
  size_t count = 0;
  T* begin() const { return data; }
  T* end() const { return data + count; }
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  T& operator[](size_t i) const { return data[i]; }
  T& front() const { return data[0]; }
  T& back() const { return data[count - 1]; }
};

// The line boxes of a block container with inline content, and their
// fragments, in one heap block.
class InlineContent {
 public:
  static std::unique_ptr<InlineContent> Make(const std::vector<LineBox>& lines,
                                             const std::vector<LineFragment>& fragments);
  static void operator delete(void* p) { ::operator delete(p); }

  Span<LineBox> lines() { return Span<LineBox>{LineData(), lineCount_}; }
  Span<const LineBox> lines() const { return Span<const LineBox>{LineData(), lineCount_}; }
  Span<LineFragment> fragments() { return Span<LineFragment>{FragmentData(), fragmentCount_}; }
  Span<const LineFragment> fragments() const { return Span<const LineFragment>{FragmentData(), fragmentCount_}; }

 private:
  InlineContent(size_t lines, size_t fragments) : lineCount_(lines), fragmentCount_(fragments) {}
  static size_t LinesOffset() { return (sizeof(InlineContent) + 7) & ~size_t(7); }
  size_t FragmentsOffset() const { return (LinesOffset() + lineCount_ * sizeof(LineBox) + 7) & ~size_t(7); }
  LineBox* LineData() const {
    return reinterpret_cast<LineBox*>(reinterpret_cast<char*>(const_cast<InlineContent*>(this)) + LinesOffset());
  }
  LineFragment* FragmentData() const {
    return reinterpret_cast<LineFragment*>(reinterpret_cast<char*>(const_cast<InlineContent*>(this)) +
                                           FragmentsOffset());
  }

  size_t lineCount_;
  size_t fragmentCount_;
};

struct Box {
  Box() = default;
  Box(const Box&) = delete;
  Box& operator=(const Box&) = delete;
  ~Box();

  Box* parent = nullptr;
  Box* firstChild = nullptr;
  Box* nextSibling = nullptr;
  Node* node = nullptr;  // null for anonymous boxes
  const ComputedStyle* style = nullptr;

  // Layout results. x and y: border-box position in the coordinates of the
  // containing layout box (the nearest ancestor that is not an inline box;
  // for absolutely positioned boxes, their containing block). width and
  // height: the content box.
  int x = 0, y = 0, width = 0, height = 0;
  int16_t margin[4] = {0, 0, 0, 0};
  int16_t padding[4] = {0, 0, 0, 0};
  int16_t relX = 0, relY = 0;  // relative positioning offset
  int16_t alignShift = 0;      // table cells: how far vertical-align moved the content down
  int16_t scrollBarWidth = 0;  // room of a vertical scroll bar, between the padding and the right border
  // Table cells: content height before the row stretched it. Table rows: the
  // row's baseline from its top, -1 when it has none.
  int naturalHeight = 0;
  int layoutWidth = -1;        // the containing width of the last layout (reuse key)
  int layoutHeight = -2;       // the containing height of the last layout (reuse key)
  int minContent = 0, maxContent = 0;  // intrinsic widths of the border box (kBoxIntrinsicValid)
  // How far what the box and its content cover reaches out of its border box
  // on each side (kTop...), saturated at kFarOverflow.
  int16_t overflowOut[4] = {0, 0, 0, 0};
  BoxType type = BoxType::kBlock;
  uint16_t flags = 0;
  std::unique_ptr<InlineContent> inlines;
  // What few boxes need: the text after white-space processing when it
  // differs from the node's (TextOf gives the one to use), the height of
  // the content of a box that scrolls, the border widths of a table or cell
  // whose borders collapse (kBoxUsedBorders), a table's collapsed borders.
  struct Extra {
    std::u16string text;
    bool hasText = false;
    int scrollHeight = 0;
    int16_t usedBorder[4] = {0, 0, 0, 0};
    std::vector<TableBorderSegment> tableBorders;
  };
  std::unique_ptr<Extra> extra;

  bool Is(uint16_t flag) const { return (flags & flag) != 0; }
  bool IsAnonymous() const { return Is(kBoxAnonymous); }
  bool IsBlockContainer() const {
    return type == BoxType::kBlock || type == BoxType::kInlineBlock || type == BoxType::kTableCell;
  }
  bool IsReplaced() const { return type == BoxType::kImage || type == BoxType::kProgress; }
  bool IsInlineTable() const { return type == BoxType::kTable && style->display == Display::kInlineTable; }
  bool IsAtomicInline() const {
    return type == BoxType::kInlineBlock || (IsReplaced() && !Is(kBoxBlockLevel)) || IsInlineTable();
  }
  bool IsInlineLevel() const {
    return type == BoxType::kInline || type == BoxType::kText || type == BoxType::kLineBreak || IsAtomicInline();
  }
  // A text box shares its element's style, so it never floats itself.
  bool IsFloating() const {
    return type != BoxType::kText && style->IsFloating() && !style->IsOutOfFlowPositioned() && !IsTablePart();
  }
  bool IsOutOfFlowPositioned() const {
    return type != BoxType::kText && style->IsOutOfFlowPositioned() && !IsTablePart();
  }
  bool IsOutOfFlow() const { return IsFloating() || IsOutOfFlowPositioned(); }
  bool IsTablePart() const {
    return type == BoxType::kTableRowGroup || type == BoxType::kTableRow || type == BoxType::kTableCell;
  }
  // Whether margin, border and padding of that side apply: not where a split
  // inline box was cut.
  bool HasEdge(int side) const {
    return !((side == kLeft && Is(kBoxContinuation)) || (side == kRight && Is(kBoxContinued)));
  }
  bool IsTableColumn() const { return type == BoxType::kTableColumn || type == BoxType::kTableColumnGroup; }
  int BorderWidth(int side) const {
    if (!HasEdge(side)) return 0;
    return Is(kBoxUsedBorders) ? extra->usedBorder[side] : style->borderWidth[side];
  }
  int BorderBoxWidth() const {
    return width + padding[kLeft] + padding[kRight] + scrollBarWidth + BorderWidth(kLeft) + BorderWidth(kRight);
  }
  int BorderBoxHeight() const {
    return height + padding[kTop] + padding[kBottom] + BorderWidth(kTop) + BorderWidth(kBottom);
  }
  int ContentLeft() const { return BorderWidth(kLeft) + padding[kLeft]; }
  int ContentTop() const { return BorderWidth(kTop) + padding[kTop]; }
  Rect BorderBoxRect() const { return Rect{0, 0, BorderBoxWidth(), BorderBoxHeight()}; }
  // The padding box, with the scroll bar.
  Rect PaddingBoxRect() const {
    return Rect{BorderWidth(kLeft), BorderWidth(kTop), width + padding[kLeft] + padding[kRight] + scrollBarWidth,
                height + padding[kTop] + padding[kBottom]};
  }
  Box* LastChild() const;

  // From a pool (pool.h): documents hold thousands of boxes.
  static void* operator new(size_t size);
  static void operator delete(void* p);

  static constexpr int16_t kFarOverflow = 32767;
  // What the box and its content cover, in its border-box coordinates.
  Rect Overflow() const;
  void SetOverflow(const Rect& area);
  // Height of what scrolls in the padding box (its height when it does not scroll).
  int ScrollHeight() const {
    return extra != nullptr && extra->scrollHeight > 0 ? extra->scrollHeight
                                                      : height + padding[kTop] + padding[kBottom];
  }
  void SetScrollHeight(int value);
  Extra& ExtraData();
};

// The text of a text box before white-space processing: its node's, or for
// generated content its style's.
inline std::u16string_view SourceTextOf(const Box* box) {
  if (box->node != nullptr) return NodeText(box->node);
  return box->style->hasContent ? std::u16string_view(box->style->content) : std::u16string_view();
}

// The text a text box shows: white space processed (PrepareText).
inline std::u16string_view TextOf(const Box* box) {
  if (box->extra != nullptr && box->extra->hasText) return box->extra->text;
  return SourceTextOf(box);
}

// The element a box stands for in hit testing: its node's element (a text's
// parent), or for generated content the element that generated it.
const Node* ElementOfBox(const Box* box);

// The resolved address of an <img> box's picture; empty without one.
std::u16string ImageAddress(const Box* box);

// Builds the boxes of a whole document below its root element.
std::unique_ptr<Box> BuildBoxTree(StyleContext& context, Node* root);

// Rebuilds the boxes of what the dirty bits name (kDirtyBoxSelf,
// kDirtyBoxChildren), reusing the boxes of unchanged children, and marks the
// boxes that need layout (kDirtyLayout). Clears the node dirty bits of the
// box and layout phases. Returns whether anything was rebuilt or marked; the
// root box may be replaced.
bool UpdateBoxTree(StyleContext& context, Node* root, std::unique_ptr<Box>* rootBox, bool* paintOnly);

// Marks a box for layout, and its ancestors as containing such a box.
void MarkNeedsLayout(Box* box);

// Clears the node->box pointers of a box subtree (before its nodes go away).
void ForgetBoxesOf(Node* subtree);

}  // namespace engine
