// Layout: sizes and positions for the box tree, after CSS 2.1 chapters 8-10,
// 16 and 17. The work is split by formatting context:
//   layout_block.cpp       block formatting context (9.4.1): widths (10.3.3),
//                          heights (10.6.3, 10.6.7), margin collapsing (8.3.1),
//                          floats and clearance (9.5), overflow and scrolling
//   layout_inline.cpp      inline formatting context (9.4.2): line breaking,
//                          white space (16.6), line height (10.8), text-align
//   layout_table.cpp       tables, automatic layout (17.5.2.2), separated borders
//   layout_positioned.cpp  relative (9.4.3), absolute and fixed (10.3.7, 10.6.4)
//   intrinsic_widths.cpp   preferred widths for shrink-to-fit (10.3.5) and tables
//   floats.cpp             the float list of a block formatting context
// A box whose subtree is unchanged and whose constraints are the same keeps
// its previous geometry (only boxes that start a formatting context of their
// own, so nothing outside them can move their content).
//
// Not supported: bidirectional text, justify (acts as left), letter and
// word spacing, hyphenation, rowspan (acts as 1), fixed table layout, the
// collapsing border model, min/max-height on table rows, horizontal scrolling
// (overflow-x auto or scroll clips), clearance inside a collapsed top margin.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/engine/box_tree.h"
#include "ui/engine/host.h"

namespace engine {

struct LayoutStats {
  int boxesLaidOut = 0;  // boxes whose layout ran (not reused)
  int textMeasurements = 0;
};

// What layout needs besides the box tree.
struct LayoutContext {
  Host* host = nullptr;
  int viewportWidth = 0;
  int viewportHeight = 0;
  int scrollBarWidth = 16;
  bool viewportScrollBar = false;  // set by layout: the document is taller than the viewport
  int documentHeight = 0;          // set by layout: height of the canvas content
  LayoutStats stats;
  // Called with the resolved address of every picture layout sizes (with
  // its <img> element) or painting draws (a background: no element).
  std::function<void(const std::u16string& address, const Node* element)> noteImage;

  // Font metrics and space widths, cached per font.
  struct FontInfo {
    FontMetrics metrics;
    int spaceWidth = 0;
  };
  const FontInfo& Font(const FontDesc& font);
  int MeasureText(const FontDesc& font, const char16_t* text, size_t length);

 private:
  struct FontHash {
    size_t operator()(const FontDesc& f) const {
      return std::hash<std::string>()(f.family) ^ (size_t(f.size) << 12) ^ (size_t(f.weight) << 2) ^ size_t(f.italic);
    }
  };
  std::unordered_map<FontDesc, FontInfo, FontHash> fonts_;
  const FontDesc* lastFont_ = nullptr;  // the last font asked for, in fonts_
  const FontInfo* lastInfo_ = nullptr;
};

// Lays out the whole tree for the viewport, reusing what is unchanged.
void LayoutBoxTree(LayoutContext& context, Box* root);

// Baselines from a box's border-box top, or -1 when it has no line box.
int FirstBaseline(const Box* box);
int LastBaseline(const Box* box);

// The line height of a style (CSS 2.1 section 10.8.1).
int UsedLineHeight(LayoutContext& context, const ComputedStyle& style);

// The ordinal a list item shows (its position among list-item siblings).
int ListItemOrdinal(const Box* box);

}  // namespace engine
