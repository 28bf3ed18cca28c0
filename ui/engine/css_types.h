// The records the CSS parser produces: property declarations with typed
// values, selectors, rules and style sheets. The cascade (cascade.h) reads
// them; nothing after the cascade sees a declaration.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "ui/engine/atoms.h"
#include "ui/engine/geometry.h"

namespace engine {

// Longhand properties. Shorthands (margin, padding, border..., background,
// font, overflow, list-style, background-position) expand into these when
// parsed.
enum class PropertyId : uint8_t {
  kDisplay, kPosition, kFloat, kClear, kLeft, kTop, kRight, kBottom, kZIndex,
  kWidth, kHeight, kMinWidth, kMinHeight, kMaxWidth, kMaxHeight,
  kMarginTop, kMarginRight, kMarginBottom, kMarginLeft,
  kPaddingTop, kPaddingRight, kPaddingBottom, kPaddingLeft,
  kBorderTopWidth, kBorderRightWidth, kBorderBottomWidth, kBorderLeftWidth,
  kBorderTopStyle, kBorderRightStyle, kBorderBottomStyle, kBorderLeftStyle,
  kBorderTopColor, kBorderRightColor, kBorderBottomColor, kBorderLeftColor,
  kBackgroundColor, kBackgroundImage, kBackgroundRepeat, kBackgroundPositionX, kBackgroundPositionY,
  kColor, kFontFamily, kFontSize, kFontWeight, kFontStyle, kTextDecoration, kTextAlign,
  kVerticalAlign, kLineHeight, kWhiteSpace, kOverflowX, kOverflowY, kVisibility, kCursor,
  kListStyleType, kBorderSpacing, kTextIndent, kTextTransform,
  // The four offsets of clip: rect(top, right, bottom, left), set together.
  kClipTop, kClipRight, kClipBottom, kClipLeft,
  kContent, kDirection, kBackgroundAttachment, kTableLayout, kBorderCollapse, kEmptyCells,
  kLetterSpacing, kWordSpacing,
  kCount
};
constexpr int kPropertyCount = int(PropertyId::kCount);

// Keywords of every property value the engine understands.
enum class Keyword : uint8_t {
  kNone, kAuto, kNormal, kInherit,
  kBlock, kInline, kInlineBlock, kListItem, kTable, kTableRow, kTableCell, kTableRowGroup,
  kTableHeaderGroup, kTableFooterGroup, kTableColumn, kTableColumnGroup, kTableCaption, kInlineTable,
  kStatic, kRelative, kAbsolute, kFixed,
  kLeft, kRight, kBoth, kCenter, kJustify, kTop, kMiddle, kBottom, kBaseline, kSub, kSuper,
  kTextTop, kTextBottom,
  kSolid, kDashed, kDotted, kDouble, kGroove, kRidge, kInset, kOutset, kHidden,
  kVisible, kScroll, kNowrap, kPre, kPreWrap, kPreLine,
  kBold, kBolder, kLighter, kItalic, kOblique, kUnderline, kOverline, kLineThrough, kBlink,
  kDefault, kPointer, kHand, kText, kMove, kWait, kHelp, kCrosshair, kProgress, kNotAllowed,
  kDisc, kCircle, kSquare, kDecimal,
  kRepeat, kNoRepeat, kRepeatX, kRepeatY, kTransparent,
  kThin, kMedium, kThick,
  kXxSmall, kXSmall, kSmall, kLarge, kXLarge, kXxLarge, kSmaller, kLarger,
  kCollapse, kSeparate, kShow, kHide, kCurrentColor, kCapitalize, kUppercase, kLowercase, kLtr, kRtl, kUnknown
};

enum class Unit : uint8_t { kPx, kPt, kPc, kIn, kCm, kMm, kEm, kEx };

enum class ValueKind : uint8_t {
  kKeyword,
  kLength,   // number + unit
  kPercent,  // number
  kNumber,   // unitless number (line-height, z-index, font-weight)
  kColor,
  kUrl,      // text
  kFamily,   // text: the font-family list
  kInherit,
  kContent,  // text: the parts of content (ContentPart), each a tag byte and UTF-8 up to a NUL
};

struct CssValue {
  ValueKind kind = ValueKind::kKeyword;
  Keyword keyword = Keyword::kNone;
  Unit unit = Unit::kPx;
  float number = 0;
  int32_t integer = 0;  // an integer's exact value (z-index), held within 32 bits
  Color color = kTransparent;
  std::string text;
};

struct Declaration {
  PropertyId property = PropertyId::kDisplay;
  bool important = false;
  CssValue value;
};

// --- selectors

struct SelectorCondition {
  enum Kind : uint8_t {
    kId, kClass, kAttributeExists, kAttributeEquals, kAttributeIncludes, kAttributeDashMatch,
    kHover, kActive, kFocus, kFirstChild, kLastChild, kLink, kVisited,
  };
  Kind kind = kId;
  Atom attribute = kAtomNone;
  std::u16string value;
};

// One compound selector: an element type (kAtomNone for any) and conditions.
struct CompoundSelector {
  Atom tag = kAtomNone;
  std::vector<SelectorCondition> conditions;
};

// Between two compounds: "A B", "A > B", "A + B" (B right after A among its
// element siblings) and "A ~ B" (B anywhere after A among them).
enum class Combinator : uint8_t { kDescendant, kChild, kNextSibling, kSubsequentSibling };

// ::before and ::after (also written :before, :after): the selector styles
// the box generated at the start or end of the element's content.
enum class PseudoElement : uint8_t { kNone, kBefore, kAfter };

// The parts of a content value (ValueKind::kContent): literal text, or the
// value of an attribute of the element.
constexpr char kContentString = 's';
constexpr char kContentAttribute = 'a';

// Calls visit(tag, text) for each part of a content value's text.
template <typename Visit>
void ForEachContentPart(const std::string& parts, Visit visit) {
  size_t i = 0;
  while (i < parts.size()) {
    size_t end = parts.find('\0', i);
    if (end == std::string::npos) end = parts.size();
    visit(parts[i], std::string_view(parts).substr(i + 1, end - i - 1));
    i = end + 1;
  }
}

struct Selector {
  // Left to right as written; combinators[i] joins compounds[i] and [i + 1].
  std::vector<CompoundSelector> compounds;
  std::vector<Combinator> combinators;
  PseudoElement pseudo = PseudoElement::kNone;  // at the end of the last compound
  uint32_t specificity = 0;  // ids << 16 | classes, attributes, pseudo-classes << 8 | types
};

struct StyleRule {
  std::vector<Selector> selectors;
  std::vector<Declaration> declarations;
};

struct StyleSheet {
  std::vector<StyleRule> rules;
};

}  // namespace engine
