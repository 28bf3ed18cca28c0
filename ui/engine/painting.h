// Painting: from the laid-out box tree to the display list, in the painting
// order of CSS 2.1 appendix E: per stacking context, its background, the
// stacking contexts with negative z-index, the backgrounds of in-flow
// blocks, floats, inline content, positioned boxes with z-index auto or 0 in
// tree order, then positive z-index. Inside a table the parts are layers
// (CSS 2.1 17.5.1): the backgrounds of column groups, columns, row groups
// and rows are painted under each cell that starts in them, then the
// cell's own; collapsed borders go over the cells' backgrounds. Overflow
// other than visible clips descendants whose containing-block chain passes
// through the element; scrolled content is moved by its element's scroll
// position. Subtrees outside the clip are skipped. Along with the display list come the hit
// regions of the elements, in the same order, for hit testing.
//
// Not supported: outlines, box-shadow and the like (not CSS 2.1), border
// images, background-attachment fixed. A relatively positioned inline box is
// moved with its content but painted with the normal flow, not as a layer,
// and is no containing block (absolutely positioned descendants use the
// nearest positioned block).
#pragma once

#include <functional>
#include <vector>

#include "ui/engine/box_tree.h"
#include "ui/engine/display_list.h"
#include "ui/engine/layout.h"

namespace engine {

struct PaintInput {
  LayoutContext* layout = nullptr;  // fonts, picture sizes
  int viewportWidth = 0;
  int viewportHeight = 0;
  int viewportScroll = 0;  // vertical scroll of the document
  // The (clamped) scroll position of an element that scrolls.
  std::function<int(const Node* element, int maxPosition)> scrollOf;
  // The scroll bar under the mouse or pressed, for its look.
  ElementHandle hotScrollBar = 0;
  ScrollBarPart hotPart = ScrollBarPart::kNone;
  bool scrollBarPressed = false;
};

void BuildDisplayList(const PaintInput& input, Box* root, DisplayList* list, std::vector<HitRegion>* hits);

// The value shown by a <progress> element as a fraction in [0, 1].
double ProgressFraction(const Node* element);

}  // namespace engine
