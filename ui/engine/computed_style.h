// Typed computed style: what the cascade produces for each element and what
// layout and painting read. Lengths are resolved to pixels here except
// percentages (kept as percentages until layout knows what they refer to)
// and auto/none. Style records are immutable once made and shared between
// elements; the view's style pool owns them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ui/engine/geometry.h"
#include "ui/engine/host.h"

namespace engine {

enum class Display : uint8_t {
  kNone, kBlock, kInline, kInlineBlock, kListItem, kTable, kTableRow, kTableCell,
  kTableRowGroup, kTableHeaderGroup, kTableFooterGroup, kTableColumn, kTableColumnGroup, kTableCaption,
  kInlineTable,
};
enum class Position : uint8_t { kStatic, kRelative, kAbsolute, kFixed };
enum class FloatSide : uint8_t { kNone, kLeft, kRight };
enum class Clear : uint8_t { kNone, kLeft, kRight, kBoth };
enum class Overflow : uint8_t { kVisible, kHidden, kScroll, kAuto };
enum class Visibility : uint8_t { kVisible, kHidden };
enum class BorderStyle : uint8_t { kNone, kHidden, kDotted, kDashed, kSolid, kDouble, kGroove, kRidge, kInset, kOutset };
enum class BackgroundRepeat : uint8_t { kRepeat, kNoRepeat, kRepeatX, kRepeatY };
// kStart, the initial value: left, or right when the direction is rtl.
enum class TextAlign : uint8_t { kStart, kLeft, kRight, kCenter, kJustify };
enum class VerticalAlign : uint8_t { kBaseline, kSub, kSuper, kTop, kTextTop, kMiddle, kBottom, kTextBottom, kLength };
enum class WhiteSpace : uint8_t { kNormal, kPre, kNowrap };
enum class TextTransform : uint8_t { kNone, kCapitalize, kUppercase, kLowercase };
enum class Cursor : uint8_t { kDefault, kPointer, kText, kMove, kWait, kHelp, kCrosshair, kProgress, kNotAllowed };
enum class ListStyleType : uint8_t { kNone, kDisc, kCircle, kSquare, kDecimal };
enum class TableLayout : uint8_t { kAuto, kFixed };
enum class BorderCollapse : uint8_t { kSeparate, kCollapse };
enum class EmptyCells : uint8_t { kShow, kHide };

// text-decoration bits
constexpr uint8_t kDecorationUnderline = 1;
constexpr uint8_t kDecorationOverline = 2;
constexpr uint8_t kDecorationLineThrough = 4;

struct Length {
  enum Kind : uint8_t { kAuto, kPx, kPercent, kNone };
  Kind kind = kAuto;
  float value = 0;

  static Length Auto() { return Length{kAuto, 0}; }
  static Length None() { return Length{kNone, 0}; }
  static Length Px(float px) { return Length{kPx, px}; }
  static Length Percent(float p) { return Length{kPercent, p}; }
  bool IsAuto() const { return kind == kAuto; }
  bool IsNone() const { return kind == kNone; }
  bool IsPercent() const { return kind == kPercent; }
  bool IsFixed() const { return kind == kPx; }
  bool operator==(const Length& o) const { return kind == o.kind && value == o.value; }
  bool operator!=(const Length& o) const { return !(*this == o); }
};

// Pixels of a length against the size a percentage refers to; auto and none
// give `fallback`.
int ResolveLength(const Length& length, int percentBase, int fallback = 0);

struct LineHeight {
  enum Kind : uint8_t { kNormal, kNumber, kPx };
  Kind kind = kNormal;
  float value = 0;
  bool operator==(const LineHeight& o) const { return kind == o.kind && value == o.value; }
};

enum Side : int { kTop = 0, kRight = 1, kBottom = 2, kLeft = 3 };

struct ComputedStyle {
  // Inherited.
  Color color = MakeColor(0, 0, 0);
  FontDesc font{"Times New Roman, serif", 16, 400, false};
  LineHeight lineHeight;
  TextAlign textAlign = TextAlign::kStart;
  bool rtl = false;  // direction: rtl
  int16_t letterSpacing = 0;  // pixels after each character (normal: 0)
  int16_t wordSpacing = 0;    // pixels added to each space (normal: 0)
  WhiteSpace whiteSpace = WhiteSpace::kNormal;
  TextTransform textTransform = TextTransform::kNone;
  Visibility visibility = Visibility::kVisible;
  Cursor cursor = Cursor::kDefault;
  ListStyleType listStyleType = ListStyleType::kDisc;
  int16_t borderSpacing = 0;
  BorderCollapse borderCollapse = BorderCollapse::kSeparate;
  EmptyCells emptyCells = EmptyCells::kShow;
  Length textIndent = Length::Px(0);
  uint8_t decorationsInEffect = 0;  // own text-decoration plus what ancestors propagate

  // Not inherited.
  Display display = Display::kInline;
  Position position = Position::kStatic;
  // An absolutely positioned box that was inline-level before it was made a
  // block: its static position is where it stands in its line.
  bool inlineOrigin = false;
  FloatSide floatSide = FloatSide::kNone;
  Clear clear = Clear::kNone;
  Overflow overflowX = Overflow::kVisible;
  Overflow overflowY = Overflow::kVisible;
  uint8_t textDecoration = 0;
  TableLayout tableLayout = TableLayout::kAuto;
  // clip (absolutely positioned boxes): none, or rect() whose offsets are
  // lengths from the border box's top left corner or auto (that edge).
  bool hasClip = false;
  Length clip[4] = {Length::Auto(), Length::Auto(), Length::Auto(), Length::Auto()};
  VerticalAlign verticalAlign = VerticalAlign::kBaseline;
  Length verticalAlignLength = Length::Px(0);
  bool zIndexAuto = true;
  int zIndex = 0;
  Length left, top, right, bottom;  // auto
  Length width, height;             // auto
  Length minWidth = Length::Px(0), minHeight = Length::Px(0);
  Length maxWidth = Length::None(), maxHeight = Length::None();
  Length margin[4] = {Length::Px(0), Length::Px(0), Length::Px(0), Length::Px(0)};
  Length padding[4] = {Length::Px(0), Length::Px(0), Length::Px(0), Length::Px(0)};
  int16_t borderWidth[4] = {0, 0, 0, 0};  // 0 when the style is none or hidden
  BorderStyle borderStyle[4] = {BorderStyle::kNone, BorderStyle::kNone, BorderStyle::kNone, BorderStyle::kNone};
  Color borderColor[4] = {MakeColor(0, 0, 0), MakeColor(0, 0, 0), MakeColor(0, 0, 0), MakeColor(0, 0, 0)};
  Color backgroundColor = kTransparent;
  std::u16string backgroundImage;  // resolved address; empty for none
  BackgroundRepeat backgroundRepeat = BackgroundRepeat::kRepeat;
  bool backgroundFixed = false;  // background-attachment: fixed (placed against the viewport)
  Length backgroundPositionX = Length::Percent(0), backgroundPositionY = Length::Percent(0);
  // Generated content. An element's style points to the styles of its
  // ::before and ::after boxes (null when there is none: no content, or
  // display none); those styles hold the text, attr() resolved.
  const ComputedStyle* before = nullptr;
  const ComputedStyle* after = nullptr;
  bool hasContent = false;
  std::u16string content;

  bool IsPositioned() const { return position != Position::kStatic; }
  bool IsOutOfFlowPositioned() const { return position == Position::kAbsolute || position == Position::kFixed; }
  bool IsFloating() const { return floatSide != FloatSide::kNone; }
  bool ClipsContent() const { return overflowX != Overflow::kVisible || overflowY != Overflow::kVisible; }
  bool ScrollsVertically() const { return overflowY == Overflow::kScroll || overflowY == Overflow::kAuto; }
  // A stacking context of its own (z-index set on a positioned element).
  bool MakesStackingContext() const { return IsPositioned() && !zIndexAuto; }
  bool HasBorder(int side) const { return borderWidth[side] > 0; }
  bool CollapsesBorders() const { return borderCollapse == BorderCollapse::kCollapse; }
};

bool operator==(const ComputedStyle& a, const ComputedStyle& b);
inline bool operator!=(const ComputedStyle& a, const ComputedStyle& b) { return !(a == b); }
size_t HashStyle(const ComputedStyle& style);

// What a change from one style to another requires of the next update.
enum class StyleChange : uint8_t { kNone, kPaint, kLayout, kBoxes };
StyleChange CompareStyles(const ComputedStyle* before, const ComputedStyle* after);
// Whether the difference reaches the inherited properties (children must be
// restyled to see it).
bool InheritedPropertiesDiffer(const ComputedStyle& a, const ComputedStyle& b);

}  // namespace engine
