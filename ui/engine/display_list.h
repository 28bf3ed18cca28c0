// The display list: what layout asks the host to draw, in painting order, as
// plain records. The Win32 host interprets it with GDI; tests read it as text
// (DumpDisplayList). Coordinates are view pixels (the window's client area).
//
//   kFillRect   rect filled with color
//   kBorder     the four sides of rect (a border box) with their widths,
//               styles and colours
//   kText       text drawn in font and color with its baseline starting at
//               origin; rect is its box (for repainting); decorations bits
//   kImage      the picture at url drawn into rect: tiled from tileOrigin in
//               tiles of tileSize for the repeat modes, or once (kNoRepeat)
//   kPushClip   clip further drawing to rect (already intersected with the
//               clip in force) until the matching kPopClip
//   kPopClip    back to the clip in force before the matching kPushClip
//   kScrollBar  a vertical scroll bar in rect for a position in [0, maxPosition]
//               with page visible pixels; ScrollBarPartsOf gives its parts
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ui/engine/computed_style.h"
#include "ui/engine/dom.h"
#include "ui/engine/geometry.h"
#include "ui/engine/host.h"

namespace engine {

enum class DisplayOp : uint8_t { kFillRect, kBorder, kText, kImage, kPushClip, kPopClip, kScrollBar };

enum class ImageRepeat : uint8_t { kRepeat, kNoRepeat, kRepeatX, kRepeatY };

// Which part of a scroll bar the mouse is over or pressing (kScrollBar items).
enum class ScrollBarPart : uint8_t { kNone, kUpArrow, kDownArrow, kTrackAbove, kTrackBelow, kThumb };

struct DisplayItem {
  DisplayOp op = DisplayOp::kFillRect;
  Rect rect;
  Color color = kTransparent;
  // kBorder
  int16_t borderWidths[4] = {0, 0, 0, 0};
  BorderStyle borderStyles[4] = {BorderStyle::kNone, BorderStyle::kNone, BorderStyle::kNone, BorderStyle::kNone};
  Color borderColors[4] = {0, 0, 0, 0};
  // kText
  FontDesc font;
  Point origin;
  std::u16string text;
  uint8_t decorations = 0;  // kDecoration* bits
  int16_t letterSpacing = 0;  // pixels after each character
  // kImage
  std::u16string url;
  Point tileOrigin;
  Size tileSize;
  ImageRepeat repeat = ImageRepeat::kNoRepeat;
  // kScrollBar
  int position = 0;
  int maxPosition = 0;
  int page = 0;
  ScrollBarPart hotPart = ScrollBarPart::kNone;
  bool pressed = false;

  bool operator==(const DisplayItem& o) const;
  bool operator!=(const DisplayItem& o) const { return !(*this == o); }
};

struct DisplayList {
  std::vector<DisplayItem> items;
};

// Where the mouse finds an element: in painting order, the last region
// holding a point (inside its clip) is the one on top.
struct HitRegion {
  Rect rect;
  Rect clip;
  ElementHandle element = 0;
  bool scrollBar = false;  // the scroll bar of `element`
};

// The parts of a vertical scroll bar: arrows at both ends, the track and
// the thumb in it.
struct ScrollBarParts {
  Rect upArrow, downArrow, track, thumb;
};
ScrollBarParts ScrollBarPartsOf(const Rect& bar, int position, int maxPosition, int page);
ScrollBarPart ScrollBarPartAt(const ScrollBarParts& parts, Point point);

// One line per item, for tests and for reading what a screen draws.
std::string DumpDisplayList(const DisplayList& list);
std::string FormatColor(Color color);

// The area that differs between two display lists: the union of the
// (clipped) rectangles of the items that are not shared by both lists at
// their beginning and end.
Rect DamagedArea(const DisplayList& before, const DisplayList& after);

}  // namespace engine
