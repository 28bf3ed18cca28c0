// Property value parsing: typed values, shorthand expansion, colour names.
#include "ui/engine/css_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <unordered_map>

#include "ui/engine/text.h"

namespace engine {

namespace {

// --- keyword and colour tables

struct KeywordEntry {
  const char* name;
  Keyword keyword;
};

const KeywordEntry kKeywordNames[] = {
    {"none", Keyword::kNone}, {"auto", Keyword::kAuto}, {"normal", Keyword::kNormal},
    {"inherit", Keyword::kInherit}, {"block", Keyword::kBlock}, {"inline", Keyword::kInline},
    {"inline-block", Keyword::kInlineBlock}, {"list-item", Keyword::kListItem}, {"table", Keyword::kTable},
    {"table-row", Keyword::kTableRow}, {"table-cell", Keyword::kTableCell},
    {"table-row-group", Keyword::kTableRowGroup}, {"table-header-group", Keyword::kTableHeaderGroup},
    {"table-footer-group", Keyword::kTableFooterGroup}, {"table-column", Keyword::kTableColumn},
    {"table-column-group", Keyword::kTableColumnGroup}, {"table-caption", Keyword::kTableCaption},
    {"inline-table", Keyword::kInlineTable},
    {"static", Keyword::kStatic}, {"relative", Keyword::kRelative}, {"absolute", Keyword::kAbsolute},
    {"fixed", Keyword::kFixed}, {"left", Keyword::kLeft}, {"right", Keyword::kRight}, {"both", Keyword::kBoth},
    {"center", Keyword::kCenter}, {"justify", Keyword::kJustify}, {"top", Keyword::kTop},
    {"middle", Keyword::kMiddle}, {"bottom", Keyword::kBottom}, {"baseline", Keyword::kBaseline},
    {"sub", Keyword::kSub}, {"super", Keyword::kSuper}, {"text-top", Keyword::kTextTop},
    {"text-bottom", Keyword::kTextBottom}, {"solid", Keyword::kSolid}, {"dashed", Keyword::kDashed},
    {"dotted", Keyword::kDotted}, {"double", Keyword::kDouble}, {"groove", Keyword::kGroove},
    {"ridge", Keyword::kRidge}, {"inset", Keyword::kInset}, {"outset", Keyword::kOutset},
    {"hidden", Keyword::kHidden}, {"visible", Keyword::kVisible}, {"scroll", Keyword::kScroll},
    {"nowrap", Keyword::kNowrap}, {"pre", Keyword::kPre}, {"pre-wrap", Keyword::kPreWrap},
    {"pre-line", Keyword::kPreLine}, {"bold", Keyword::kBold}, {"bolder", Keyword::kBolder},
    {"lighter", Keyword::kLighter}, {"italic", Keyword::kItalic}, {"oblique", Keyword::kOblique},
    {"underline", Keyword::kUnderline}, {"overline", Keyword::kOverline},
    {"line-through", Keyword::kLineThrough}, {"blink", Keyword::kBlink}, {"default", Keyword::kDefault},
    {"pointer", Keyword::kPointer}, {"hand", Keyword::kHand}, {"text", Keyword::kText},
    {"move", Keyword::kMove}, {"wait", Keyword::kWait}, {"help", Keyword::kHelp},
    {"crosshair", Keyword::kCrosshair}, {"progress", Keyword::kProgress},
    {"not-allowed", Keyword::kNotAllowed}, {"disc", Keyword::kDisc}, {"circle", Keyword::kCircle},
    {"square", Keyword::kSquare}, {"decimal", Keyword::kDecimal}, {"repeat", Keyword::kRepeat},
    {"no-repeat", Keyword::kNoRepeat}, {"repeat-x", Keyword::kRepeatX}, {"repeat-y", Keyword::kRepeatY},
    {"transparent", Keyword::kTransparent}, {"thin", Keyword::kThin}, {"medium", Keyword::kMedium},
    {"thick", Keyword::kThick}, {"xx-small", Keyword::kXxSmall}, {"x-small", Keyword::kXSmall},
    {"small", Keyword::kSmall}, {"large", Keyword::kLarge}, {"x-large", Keyword::kXLarge},
    {"xx-large", Keyword::kXxLarge}, {"smaller", Keyword::kSmaller}, {"larger", Keyword::kLarger},
    {"collapse", Keyword::kCollapse}, {"separate", Keyword::kSeparate}, {"show", Keyword::kShow},
    {"hide", Keyword::kHide}, {"currentcolor", Keyword::kCurrentColor},
    {"capitalize", Keyword::kCapitalize}, {"uppercase", Keyword::kUppercase}, {"lowercase", Keyword::kLowercase},
    {"ltr", Keyword::kLtr}, {"rtl", Keyword::kRtl},
};

struct ColorName {
  const char* name;
  uint32_t rgb;
};

// The 16 colours of HTML 4, orange, and the common extended names.
const ColorName kColorNames[] = {
    {"black", 0x000000}, {"silver", 0xc0c0c0}, {"gray", 0x808080}, {"grey", 0x808080},
    {"white", 0xffffff}, {"maroon", 0x800000}, {"red", 0xff0000}, {"purple", 0x800080},
    {"fuchsia", 0xff00ff}, {"green", 0x008000}, {"lime", 0x00ff00}, {"olive", 0x808000},
    {"yellow", 0xffff00}, {"navy", 0x000080}, {"blue", 0x0000ff}, {"teal", 0x008080},
    {"aqua", 0x00ffff}, {"orange", 0xffa500}, {"darkgray", 0xa9a9a9}, {"darkgrey", 0xa9a9a9},
    {"lightgray", 0xd3d3d3}, {"lightgrey", 0xd3d3d3}, {"dimgray", 0x696969}, {"dimgrey", 0x696969},
    {"gainsboro", 0xdcdcdc}, {"whitesmoke", 0xf5f5f5}, {"darkred", 0x8b0000}, {"darkgreen", 0x006400},
    {"darkblue", 0x00008b}, {"lightblue", 0xadd8e6}, {"skyblue", 0x87ceeb}, {"steelblue", 0x4682b4},
    {"royalblue", 0x4169e1}, {"dodgerblue", 0x1e90ff}, {"deepskyblue", 0x00bfff},
    {"cornflowerblue", 0x6495ed}, {"midnightblue", 0x191970}, {"lightgreen", 0x90ee90},
    {"limegreen", 0x32cd32}, {"forestgreen", 0x228b22}, {"seagreen", 0x2e8b57},
    {"yellowgreen", 0x9acd32}, {"gold", 0xffd700}, {"goldenrod", 0xdaa520}, {"khaki", 0xf0e68c},
    {"beige", 0xf5f5dc}, {"ivory", 0xfffff0}, {"lightyellow", 0xffffe0}, {"orangered", 0xff4500},
    {"tomato", 0xff6347}, {"coral", 0xff7f50}, {"salmon", 0xfa8072}, {"crimson", 0xdc143c},
    {"firebrick", 0xb22222}, {"brown", 0xa52a2a}, {"chocolate", 0xd2691e}, {"sienna", 0xa0522d},
    {"tan", 0xd2b48c}, {"wheat", 0xf5deb3}, {"pink", 0xffc0cb}, {"hotpink", 0xff69b4},
    {"deeppink", 0xff1493}, {"magenta", 0xff00ff}, {"cyan", 0x00ffff}, {"violet", 0xee82ee},
    {"indigo", 0x4b0082}, {"darkviolet", 0x9400d3}, {"plum", 0xdda0dd}, {"lavender", 0xe6e6fa},
    {"turquoise", 0x40e0d0}, {"aquamarine", 0x7fffd4}, {"darkcyan", 0x008b8b}, {"lightcyan", 0xe0ffff},
    {"slategray", 0x708090}, {"slategrey", 0x708090}, {"darkslategray", 0x2f4f4f},
    {"darkslategrey", 0x2f4f4f}, {"lightslategray", 0x778899}, {"lightslategrey", 0x778899},
    {"darkorange", 0xff8c00}, {"olivedrab", 0x6b8e23}, {"darkolivegreen", 0x556b2f},
    {"mintcream", 0xf5fffa}, {"honeydew", 0xf0fff0}, {"azure", 0xf0ffff}, {"aliceblue", 0xf0f8ff},
    {"snow", 0xfffafa}, {"linen", 0xfaf0e6}, {"seashell", 0xfff5ee}, {"navajowhite", 0xffdead},
    {"moccasin", 0xffe4b5}, {"peachpuff", 0xffdab9}, {"mistyrose", 0xffe4e1},
    {"lavenderblush", 0xfff0f5}, {"oldlace", 0xfdf5e6}, {"cornsilk", 0xfff8dc},
    {"lemonchiffon", 0xfffacd}, {"palegreen", 0x98fb98}, {"lightpink", 0xffb6c1},
    {"lightsalmon", 0xffa07a}, {"lightcoral", 0xf08080}, {"indianred", 0xcd5c5c},
    {"rosybrown", 0xbc8f8f}, {"darkkhaki", 0xbdb76b}, {"darkgoldenrod", 0xb8860b}, {"peru", 0xcd853f},
    {"burlywood", 0xdeb887}, {"sandybrown", 0xf4a460}, {"saddlebrown", 0x8b4513},
    {"darkmagenta", 0x8b008b}, {"darkorchid", 0x9932cc}, {"mediumpurple", 0x9370db},
    {"orchid", 0xda70d6}, {"thistle", 0xd8bfd8}, {"blueviolet", 0x8a2be2}, {"slateblue", 0x6a5acd},
    {"darkslateblue", 0x483d8b}, {"mediumblue", 0x0000cd}, {"powderblue", 0xb0e0e6},
    {"lightsteelblue", 0xb0c4de}, {"cadetblue", 0x5f9ea0}, {"lightseagreen", 0x20b2aa},
    {"mediumseagreen", 0x3cb371}, {"springgreen", 0x00ff7f}, {"lawngreen", 0x7cfc00},
    {"chartreuse", 0x7fff00}, {"greenyellow", 0xadff2f}, {"darkseagreen", 0x8fbc8f},
    {"mediumaquamarine", 0x66cdaa}, {"paleturquoise", 0xafeeee}, {"mediumturquoise", 0x48d1cc},
    {"darkturquoise", 0x00ced1}, {"lightskyblue", 0x87cefa}, {"palegoldenrod", 0xeee8aa},
    {"papayawhip", 0xffefd5}, {"blanchedalmond", 0xffebcd}, {"bisque", 0xffe4c4},
    {"antiquewhite", 0xfaebd7}, {"floralwhite", 0xfffaf0}, {"ghostwhite", 0xf8f8ff},
    {"mediumorchid", 0xba55d3}, {"mediumslateblue", 0x7b68ee}, {"mediumspringgreen", 0x00fa9a},
    {"mediumvioletred", 0xc71585}, {"palevioletred", 0xdb7093}, {"darksalmon", 0xe9967a},
    {"lightgoldenrodyellow", 0xfafad2},
};

template <typename Entry, typename Value>
std::unordered_map<std::string, Value> MakeIndex(const Entry* begin, const Entry* end, Value Entry::*field) {
  std::unordered_map<std::string, Value> index;
  for (const Entry* e = begin; e != end; ++e) index.emplace(e->name, e->*field);
  return index;
}

bool LookUpColorName(std::string_view name, Color* color) {
  static const auto index = MakeIndex(std::begin(kColorNames), std::end(kColorNames), &ColorName::rgb);
  auto found = index.find(AsciiLowered(name));
  if (found == index.end()) return false;
  *color = 0xFF000000u | found->second;
  return true;
}

// --- components: a token, or a function with its arguments

struct Component {
  const CssToken* begin;
  const CssToken* end;  // past the closing ')' of a function
  const CssToken& token() const { return *begin; }
  bool Is(CssTokenType type) const { return begin->type == type; }
  bool IsIdent(std::string_view name) const {
    return begin->type == CssTokenType::kIdent && EqualsIgnoringAsciiCase(begin->text, name);
  }
  bool IsDelim(char c) const { return begin->type == CssTokenType::kDelim && begin->delim == c; }
};

// Components separated by white space (dropped). Commas and '/' are kept as
// components of their own.
bool SplitComponents(const CssToken* begin, const CssToken* end, std::vector<Component>* out) {
  const CssToken* t = begin;
  while (t < end) {
    if (t->type == CssTokenType::kWhitespace) {
      ++t;
      continue;
    }
    if (t->type == CssTokenType::kFunction || t->type == CssTokenType::kLeftParen ||
        t->type == CssTokenType::kLeftBracket || t->type == CssTokenType::kLeftBrace) {
      int depth = 0;
      const CssToken* f = t;
      do {
        CssTokenType type = f->type;
        if (type == CssTokenType::kFunction || type == CssTokenType::kLeftParen ||
            type == CssTokenType::kLeftBracket || type == CssTokenType::kLeftBrace) {
          ++depth;
        } else if (type == CssTokenType::kRightParen || type == CssTokenType::kRightBracket ||
                   type == CssTokenType::kRightBrace) {
          --depth;
        }
        ++f;
      } while (f < end && depth > 0);
      out->push_back(Component{t, f});
      t = f;
      continue;
    }
    if (t->type == CssTokenType::kBadString || t->type == CssTokenType::kBadUrl) return false;
    out->push_back(Component{t, t + 1});
    ++t;
  }
  return true;
}

// Arguments of a function component, split at commas (white space dropped).
std::vector<std::vector<const CssToken*>> FunctionArguments(const Component& c) {
  std::vector<std::vector<const CssToken*>> args(1);
  for (const CssToken* t = c.begin + 1; t < c.end; ++t) {
    if (t->type == CssTokenType::kRightParen && t + 1 == c.end) break;
    if (t->type == CssTokenType::kWhitespace) continue;
    if (t->type == CssTokenType::kComma) {
      args.emplace_back();
      continue;
    }
    args.back().push_back(t);
  }
  return args;
}

// --- value kinds

enum LengthFlags : unsigned {
  kAllowPercent = 1,
  kAllowAuto = 2,
  kAllowNegative = 4,
  kAllowNone = 8,
};

bool UnitFromName(std::string_view name, Unit* unit) {
  static const std::pair<const char*, Unit> kUnits[] = {
      {"px", Unit::kPx}, {"pt", Unit::kPt}, {"pc", Unit::kPc}, {"in", Unit::kIn},
      {"cm", Unit::kCm}, {"mm", Unit::kMm}, {"em", Unit::kEm}, {"ex", Unit::kEx},
  };
  for (const auto& [n, u] : kUnits) {
    if (name == n) {
      *unit = u;
      return true;
    }
  }
  return false;
}

bool ParseLength(const Component& c, unsigned flags, CssValue* value) {
  const CssToken& t = c.token();
  if (c.end - c.begin != 1) return false;
  if (t.type == CssTokenType::kIdent) {
    if ((flags & kAllowAuto) && EqualsIgnoringAsciiCase(t.text, "auto")) {
      value->kind = ValueKind::kKeyword;
      value->keyword = Keyword::kAuto;
      return true;
    }
    if ((flags & kAllowNone) && EqualsIgnoringAsciiCase(t.text, "none")) {
      value->kind = ValueKind::kKeyword;
      value->keyword = Keyword::kNone;
      return true;
    }
    return false;
  }
  if (!std::isfinite(t.number) || std::fabs(t.number) > 1e6) return false;
  if (t.number < 0 && !(flags & kAllowNegative)) return false;
  if (t.type == CssTokenType::kPercentage) {
    if (!(flags & kAllowPercent)) return false;
    value->kind = ValueKind::kPercent;
    value->number = float(t.number);
    return true;
  }
  if (t.type == CssTokenType::kDimension) {
    if (!UnitFromName(t.text, &value->unit)) return false;
    value->kind = ValueKind::kLength;
    value->number = float(t.number);
    return true;
  }
  if (t.type == CssTokenType::kNumber) {  // unitless: pixels, as old pages expect
    value->kind = ValueKind::kLength;
    value->unit = Unit::kPx;
    value->number = float(t.number);
    return true;
  }
  return false;
}

int ClampByte(double v) { return int(std::lround(std::min(255.0, std::max(0.0, v)))); }

bool ParseColor(const Component& c, CssValue* value) {
  const CssToken& t = c.token();
  Color color = 0;
  if (t.type == CssTokenType::kHash) {
    if (!ParseColorText("#" + t.text, &color)) return false;
  } else if (t.type == CssTokenType::kIdent) {
    if (EqualsIgnoringAsciiCase(t.text, "transparent")) {
      color = kTransparent;
    } else if (EqualsIgnoringAsciiCase(t.text, "currentcolor")) {
      value->kind = ValueKind::kKeyword;
      value->keyword = Keyword::kCurrentColor;
      return true;
    } else if (!LookUpColorName(t.text, &color)) {
      return false;
    }
  } else if (t.type == CssTokenType::kFunction && (t.text == "rgb" || t.text == "rgba")) {
    auto args = FunctionArguments(c);
    size_t wanted = t.text == "rgb" ? 3 : 4;
    if (args.size() != wanted) return false;
    int channels[3];
    for (size_t i = 0; i < 3; ++i) {
      if (args[i].size() != 1) return false;
      const CssToken* a = args[i][0];
      if (a->type == CssTokenType::kNumber) {
        channels[i] = ClampByte(a->number);
      } else if (a->type == CssTokenType::kPercentage) {
        channels[i] = ClampByte(a->number * 255.0 / 100.0);
      } else {
        return false;
      }
    }
    int alpha = 255;
    if (wanted == 4) {
      if (args[3].size() != 1 || args[3][0]->type != CssTokenType::kNumber) return false;
      alpha = ClampByte(args[3][0]->number * 255.0);
    }
    color = MakeColor(channels[0], channels[1], channels[2], alpha);
  } else {
    return false;
  }
  value->kind = ValueKind::kColor;
  value->color = color;
  return true;
}

bool ParseKeyword(const Component& c, std::initializer_list<Keyword> allowed, CssValue* value) {
  if (!c.Is(CssTokenType::kIdent) || c.end - c.begin != 1) return false;
  Keyword k = LookUpKeyword(c.token().text);
  if (std::find(allowed.begin(), allowed.end(), k) == allowed.end()) return false;
  value->kind = ValueKind::kKeyword;
  value->keyword = k;
  return true;
}

bool ParseBorderWidth(const Component& c, CssValue* value) {
  if (ParseKeyword(c, {Keyword::kThin, Keyword::kMedium, Keyword::kThick}, value)) return true;
  return ParseLength(c, 0, value);
}

const std::initializer_list<Keyword> kBorderStyles = {
    Keyword::kNone, Keyword::kHidden, Keyword::kDotted, Keyword::kDashed, Keyword::kSolid,
    Keyword::kDouble, Keyword::kGroove, Keyword::kRidge, Keyword::kInset, Keyword::kOutset};

bool ParseBorderStyle(const Component& c, CssValue* value) { return ParseKeyword(c, kBorderStyles, value); }

bool ParseImage(const Component& c, CssValue* value) {
  if (ParseKeyword(c, {Keyword::kNone}, value)) return true;
  if (!c.Is(CssTokenType::kUrl)) return false;
  value->kind = ValueKind::kUrl;
  value->text = std::string(TrimSpace(std::string_view(c.token().text)));
  return true;
}

bool ParseFontSize(const Component& c, CssValue* value) {
  if (ParseKeyword(c, {Keyword::kXxSmall, Keyword::kXSmall, Keyword::kSmall, Keyword::kMedium, Keyword::kLarge,
                       Keyword::kXLarge, Keyword::kXxLarge, Keyword::kSmaller, Keyword::kLarger},
                   value)) {
    return true;
  }
  return ParseLength(c, kAllowPercent, value);
}

bool ParseFontWeight(const Component& c, CssValue* value) {
  if (ParseKeyword(c, {Keyword::kNormal, Keyword::kBold, Keyword::kBolder, Keyword::kLighter}, value)) return true;
  const CssToken& t = c.token();
  if (t.type == CssTokenType::kNumber && t.integer && t.number >= 100 && t.number <= 900 &&
      int(t.number) % 100 == 0) {
    value->kind = ValueKind::kNumber;
    value->number = float(t.number);
    return true;
  }
  return false;
}

bool ParseLineHeight(const Component& c, CssValue* value) {
  if (ParseKeyword(c, {Keyword::kNormal}, value)) return true;
  const CssToken& t = c.token();
  if (t.type == CssTokenType::kNumber && t.number >= 0 && t.number <= 1000) {
    value->kind = ValueKind::kNumber;
    value->number = float(t.number);
    return true;
  }
  return ParseLength(c, kAllowPercent, value);
}

// font-family: comma-separated names (identifier sequences or strings),
// normalised to "A, B C, serif".
bool ParseFontFamily(const std::vector<Component>& comps, size_t from, CssValue* value) {
  std::string list;
  std::string name;
  bool expectName = true;
  for (size_t i = from; i < comps.size(); ++i) {
    const Component& c = comps[i];
    if (c.Is(CssTokenType::kComma)) {
      if (name.empty()) return false;
      list += (list.empty() ? "" : ", ") + name;
      name.clear();
      expectName = true;
      continue;
    }
    if (c.Is(CssTokenType::kString)) {
      if (!expectName || !name.empty()) return false;
      name = c.token().text;
      expectName = false;
      continue;
    }
    if (c.Is(CssTokenType::kIdent)) {
      if (!expectName && name.empty()) return false;
      name += (name.empty() ? "" : " ") + c.token().text;
      continue;
    }
    return false;
  }
  if (name.empty()) return false;
  list += (list.empty() ? "" : ", ") + name;
  value->kind = ValueKind::kFamily;
  value->text = list;
  return true;
}

// --- declarations

struct Emitter {
  std::vector<Declaration>* out;
  bool important;
  void Add(PropertyId id, const CssValue& value) {
    Declaration d;
    d.property = id;
    d.important = important;
    d.value = value;
    out->push_back(std::move(d));
  }
};

CssValue KeywordValue(Keyword k) {
  CssValue v;
  v.kind = ValueKind::kKeyword;
  v.keyword = k;
  return v;
}

CssValue InheritValue() {
  CssValue v;
  v.kind = ValueKind::kInherit;
  return v;
}

CssValue PercentValue(float percent) {
  CssValue v;
  v.kind = ValueKind::kPercent;
  v.number = percent;
  return v;
}

// The four sides of a box shorthand (margin, padding, border-width...): one
// to four values for top, right, bottom, left.
template <typename ParseOne>
bool ParseFourSides(const std::vector<Component>& comps, const PropertyId ids[4], Emitter& emit, ParseOne parse) {
  if (comps.empty() || comps.size() > 4) return false;
  CssValue values[4];
  for (size_t i = 0; i < comps.size(); ++i) {
    if (!parse(comps[i], &values[i])) return false;
  }
  static const int kFrom[4][4] = {{0, 0, 0, 0}, {0, 1, 0, 1}, {0, 1, 2, 1}, {0, 1, 2, 3}};
  for (int side = 0; side < 4; ++side) emit.Add(ids[side], values[kFrom[comps.size() - 1][side]]);
  return true;
}

const PropertyId kClipIds[4] = {PropertyId::kClipTop, PropertyId::kClipRight, PropertyId::kClipBottom,
                                PropertyId::kClipLeft};

// clip: auto (the four set to none: no clip), or rect() of four offsets
// from the border box's top left corner, each a length or auto (the edge),
// separated by commas or, as old pages write them, by spaces.
bool ParseClip(const std::vector<Component>& comps, Emitter& emit) {
  if (comps.size() != 1) return false;
  if (comps[0].IsIdent("auto")) {
    for (PropertyId id : kClipIds) emit.Add(id, KeywordValue(Keyword::kNone));
    return true;
  }
  const CssToken& t = comps[0].token();
  if (t.type != CssTokenType::kFunction || !EqualsIgnoringAsciiCase(t.text, "rect")) return false;
  const CssToken* closing = comps[0].end - 1;
  if (closing <= comps[0].begin || closing->type != CssTokenType::kRightParen) return false;
  std::vector<Component> inner;
  if (!SplitComponents(comps[0].begin + 1, closing, &inner)) return false;
  std::vector<CssValue> offsets;
  bool commas = inner.size() == 7;
  if (!commas && inner.size() != 4) return false;
  for (size_t i = 0; i < inner.size(); ++i) {
    if (commas && i % 2 == 1) {
      if (!inner[i].Is(CssTokenType::kComma)) return false;
      continue;
    }
    CssValue v;
    if (!ParseLength(inner[i], kAllowAuto | kAllowNegative, &v)) return false;
    offsets.push_back(v);
  }
  for (int side = 0; side < 4; ++side) emit.Add(kClipIds[side], offsets[size_t(side)]);
  return true;
}

const PropertyId kMarginIds[4] = {PropertyId::kMarginTop, PropertyId::kMarginRight, PropertyId::kMarginBottom,
                                  PropertyId::kMarginLeft};
const PropertyId kPaddingIds[4] = {PropertyId::kPaddingTop, PropertyId::kPaddingRight,
                                   PropertyId::kPaddingBottom, PropertyId::kPaddingLeft};
const PropertyId kBorderWidthIds[4] = {PropertyId::kBorderTopWidth, PropertyId::kBorderRightWidth,
                                       PropertyId::kBorderBottomWidth, PropertyId::kBorderLeftWidth};
const PropertyId kBorderStyleIds[4] = {PropertyId::kBorderTopStyle, PropertyId::kBorderRightStyle,
                                       PropertyId::kBorderBottomStyle, PropertyId::kBorderLeftStyle};
const PropertyId kBorderColorIds[4] = {PropertyId::kBorderTopColor, PropertyId::kBorderRightColor,
                                       PropertyId::kBorderBottomColor, PropertyId::kBorderLeftColor};

// border, border-top...: width, style and colour in any order; what is left
// out is reset to its initial value.
bool ParseBorderSide(const std::vector<Component>& comps, const std::vector<int>& sides, Emitter& emit) {
  if (comps.empty() || comps.size() > 3) return false;
  CssValue width = KeywordValue(Keyword::kMedium), style = KeywordValue(Keyword::kNone),
           color = KeywordValue(Keyword::kCurrentColor);
  bool hasWidth = false, hasStyle = false, hasColor = false;
  for (const Component& c : comps) {
    CssValue v;
    if (!hasStyle && ParseBorderStyle(c, &v)) {
      style = v;
      hasStyle = true;
    } else if (!hasWidth && ParseBorderWidth(c, &v)) {
      width = v;
      hasWidth = true;
    } else if (!hasColor && ParseColor(c, &v)) {
      color = v;
      hasColor = true;
    } else {
      return false;
    }
  }
  for (int side : sides) {
    emit.Add(kBorderWidthIds[side], width);
    emit.Add(kBorderStyleIds[side], style);
    emit.Add(kBorderColorIds[side], color);
  }
  return true;
}

// background-position: one or two of left, center, right, top, bottom, a
// length or a percentage.
bool ParseBackgroundPosition(const std::vector<Component>& comps, Emitter& emit) {
  if (comps.empty() || comps.size() > 2) return false;
  CssValue x = PercentValue(50), y = PercentValue(50);
  auto keywordPercent = [](Keyword k) -> float {
    return (k == Keyword::kLeft || k == Keyword::kTop) ? 0.f : (k == Keyword::kCenter) ? 50.f : 100.f;
  };
  CssValue parsed[2];
  bool vertical[2] = {false, false}, horizontal[2] = {false, false}, keyword[2] = {false, false};
  for (size_t i = 0; i < comps.size(); ++i) {
    CssValue v;
    if (ParseKeyword(comps[i], {Keyword::kLeft, Keyword::kRight, Keyword::kTop, Keyword::kBottom, Keyword::kCenter},
                     &v)) {
      keyword[i] = true;
      vertical[i] = v.keyword == Keyword::kTop || v.keyword == Keyword::kBottom;
      horizontal[i] = v.keyword == Keyword::kLeft || v.keyword == Keyword::kRight;
      parsed[i] = PercentValue(keywordPercent(v.keyword));
    } else if (ParseLength(comps[i], kAllowPercent | kAllowNegative, &v)) {
      parsed[i] = v;
    } else {
      return false;
    }
  }
  if (comps.size() == 1) {
    if (vertical[0]) {
      y = parsed[0];
    } else {
      x = parsed[0];
    }
  } else {
    // Two keywords may come in either order ("top left"); otherwise the
    // first value is horizontal and the second vertical.
    bool swap = keyword[0] && keyword[1] && (vertical[0] || horizontal[1]);
    int xi = swap ? 1 : 0, yi = swap ? 0 : 1;
    if (vertical[xi] || horizontal[yi]) return false;
    x = parsed[xi];
    y = parsed[yi];
  }
  emit.Add(PropertyId::kBackgroundPositionX, x);
  emit.Add(PropertyId::kBackgroundPositionY, y);
  return true;
}

bool ParseAttachment(const Component& c, CssValue* v) { return ParseKeyword(c, {Keyword::kScroll, Keyword::kFixed}, v); }

bool ParseBackground(const std::vector<Component>& comps, Emitter& emit) {
  if (comps.empty()) return false;
  CssValue color = KeywordValue(Keyword::kTransparent), image = KeywordValue(Keyword::kNone),
           repeat = KeywordValue(Keyword::kRepeat), attachment = KeywordValue(Keyword::kScroll);
  color.kind = ValueKind::kColor;
  color.color = kTransparent;
  bool hasColor = false, hasImage = false, hasRepeat = false, hasPosition = false, hasAttachment = false;
  std::vector<Component> position;
  for (size_t i = 0; i < comps.size(); ++i) {
    const Component& c = comps[i];
    CssValue v;
    if (!hasImage && ParseImage(c, &v)) {
      image = v;
      hasImage = true;
    } else if (!hasRepeat &&
               ParseKeyword(c, {Keyword::kRepeat, Keyword::kNoRepeat, Keyword::kRepeatX, Keyword::kRepeatY}, &v)) {
      repeat = v;
      hasRepeat = true;
    } else if (!hasAttachment && ParseAttachment(c, &v)) {
      attachment = v;
      hasAttachment = true;
    } else if (!hasColor && ParseColor(c, &v)) {
      color = v;
      hasColor = true;
    } else if (!hasPosition && position.size() < 2 &&
               (ParseKeyword(c, {Keyword::kLeft, Keyword::kRight, Keyword::kTop, Keyword::kBottom, Keyword::kCenter},
                             &v) ||
                ParseLength(c, kAllowPercent | kAllowNegative, &v))) {
      position.push_back(c);
      bool nextIsPosition = false;
      if (i + 1 < comps.size()) {
        CssValue w;
        nextIsPosition = ParseKeyword(comps[i + 1], {Keyword::kLeft, Keyword::kRight, Keyword::kTop,
                                                     Keyword::kBottom, Keyword::kCenter},
                                      &w) ||
                         ParseLength(comps[i + 1], kAllowPercent | kAllowNegative, &w);
      }
      if (!nextIsPosition || position.size() == 2) hasPosition = true;
    } else {
      return false;
    }
  }
  std::vector<Declaration> positionOut;
  Emitter positionEmit{&positionOut, emit.important};
  if (!position.empty()) {
    if (!ParseBackgroundPosition(position, positionEmit)) return false;
  } else {
    positionEmit.Add(PropertyId::kBackgroundPositionX, PercentValue(0));
    positionEmit.Add(PropertyId::kBackgroundPositionY, PercentValue(0));
  }
  emit.Add(PropertyId::kBackgroundColor, color);
  emit.Add(PropertyId::kBackgroundImage, image);
  emit.Add(PropertyId::kBackgroundRepeat, repeat);
  emit.Add(PropertyId::kBackgroundAttachment, attachment);
  for (auto& d : positionOut) emit.out->push_back(d);
  return true;
}

// font: [style || variant || weight] size [/ line-height] family
bool ParseFont(const std::vector<Component>& comps, Emitter& emit) {
  CssValue style = KeywordValue(Keyword::kNormal), weight = KeywordValue(Keyword::kNormal),
           lineHeight = KeywordValue(Keyword::kNormal), size, family;
  size_t i = 0;
  for (; i < comps.size() && i < 3; ++i) {
    CssValue v;
    const Component& c = comps[i];
    if (c.IsIdent("normal") || c.IsIdent("small-caps")) continue;
    if (ParseKeyword(c, {Keyword::kItalic, Keyword::kOblique}, &v)) {
      style = v;
    } else if (ParseKeyword(c, {Keyword::kBold, Keyword::kBolder, Keyword::kLighter}, &v) ||
               (c.Is(CssTokenType::kNumber) && ParseFontWeight(c, &v))) {
      weight = v;
    } else {
      break;
    }
  }
  if (i >= comps.size() || !ParseFontSize(comps[i], &size)) return false;
  ++i;
  if (i < comps.size() && comps[i].IsDelim('/')) {
    if (i + 1 >= comps.size() || !ParseLineHeight(comps[i + 1], &lineHeight)) return false;
    i += 2;
  }
  if (!ParseFontFamily(comps, i, &family)) return false;
  emit.Add(PropertyId::kFontStyle, style);
  emit.Add(PropertyId::kFontWeight, weight);
  emit.Add(PropertyId::kFontSize, size);
  emit.Add(PropertyId::kLineHeight, lineHeight);
  emit.Add(PropertyId::kFontFamily, family);
  return true;
}

bool ParseTextDecoration(const std::vector<Component>& comps, Emitter& emit) {
  CssValue v;
  if (comps.size() == 1 && ParseKeyword(comps[0], {Keyword::kNone}, &v)) {
    emit.Add(PropertyId::kTextDecoration, v);
    return true;
  }
  unsigned bits = 0;
  for (const Component& c : comps) {
    if (!ParseKeyword(c, {Keyword::kUnderline, Keyword::kOverline, Keyword::kLineThrough, Keyword::kBlink}, &v)) {
      return false;
    }
    bits |= v.keyword == Keyword::kUnderline ? 1 : v.keyword == Keyword::kOverline ? 2
            : v.keyword == Keyword::kLineThrough ? 4 : 0;
  }
  if (comps.empty()) return false;
  CssValue decoration;
  decoration.kind = ValueKind::kNumber;
  decoration.number = float(bits);
  emit.Add(PropertyId::kTextDecoration, decoration);
  return true;
}

bool ParseCursor(const std::vector<Component>& comps, Emitter& emit) {
  // [url(...),]* keyword: the pictures are skipped, the keyword counts.
  if (comps.empty()) return false;
  const Component& last = comps.back();
  CssValue v;
  if (!last.Is(CssTokenType::kIdent)) return false;
  Keyword k = LookUpKeyword(last.token().text);
  switch (k) {
    case Keyword::kAuto: case Keyword::kDefault: case Keyword::kPointer: case Keyword::kHand:
    case Keyword::kText: case Keyword::kMove: case Keyword::kWait: case Keyword::kHelp:
    case Keyword::kCrosshair: case Keyword::kProgress: case Keyword::kNotAllowed:
      v = KeywordValue(k);
      break;
    default:
      v = KeywordValue(Keyword::kDefault);  // resize cursors and the like: the arrow
      break;
  }
  emit.Add(PropertyId::kCursor, v);
  return true;
}

struct SingleProperty {
  const char* name;
  PropertyId id;
  bool (*parse)(const Component&, CssValue*);
};

bool ParseDisplay(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kBlock, Keyword::kInline, Keyword::kInlineBlock, Keyword::kListItem,
                          Keyword::kTable, Keyword::kTableRow, Keyword::kTableCell, Keyword::kTableRowGroup,
                          Keyword::kTableHeaderGroup, Keyword::kTableFooterGroup, Keyword::kTableColumn,
                          Keyword::kTableColumnGroup, Keyword::kTableCaption, Keyword::kInlineTable,
                          Keyword::kNone},
                      v);
}
bool ParsePosition(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kStatic, Keyword::kRelative, Keyword::kAbsolute, Keyword::kFixed}, v);
}
bool ParseFloat(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kLeft, Keyword::kRight, Keyword::kNone}, v);
}
bool ParseClear(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kLeft, Keyword::kRight, Keyword::kBoth, Keyword::kNone}, v);
}
bool ParseOffset(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent | kAllowAuto | kAllowNegative, v); }
bool ParseSize(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent | kAllowAuto, v); }
bool ParseMinSize(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent, v); }
bool ParseMaxSize(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent | kAllowNone, v); }
bool ParseMargin(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent | kAllowAuto | kAllowNegative, v); }
bool ParsePadding(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent, v); }
bool ParseZIndex(const Component& c, CssValue* v) {
  if (ParseKeyword(c, {Keyword::kAuto}, v)) return true;
  const CssToken& t = c.token();
  if (t.type != CssTokenType::kNumber || !t.integer) return false;
  v->kind = ValueKind::kNumber;
  v->number = float(t.number);
  // Larger integers are held at the ends of the 32-bit range, as browsers do.
  double held = std::max(-2147483648.0, std::min(2147483647.0, t.number));
  v->integer = int32_t(held);
  return true;
}
bool ParseRepeat(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kRepeat, Keyword::kNoRepeat, Keyword::kRepeatX, Keyword::kRepeatY}, v);
}
bool ParseFontStyle(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kNormal, Keyword::kItalic, Keyword::kOblique}, v);
}
bool ParseTextAlign(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kLeft, Keyword::kRight, Keyword::kCenter, Keyword::kJustify}, v);
}
bool ParseVerticalAlign(const Component& c, CssValue* v) {
  if (ParseKeyword(c, {Keyword::kBaseline, Keyword::kSub, Keyword::kSuper, Keyword::kTop, Keyword::kTextTop,
                       Keyword::kMiddle, Keyword::kBottom, Keyword::kTextBottom},
                   v)) {
    return true;
  }
  return ParseLength(c, kAllowPercent | kAllowNegative, v);
}
// letter-spacing, word-spacing: normal or a length (negative too).
bool ParseSpacingLength(const Component& c, CssValue* v) {
  if (c.IsIdent("normal")) {
    *v = KeywordValue(Keyword::kNormal);
    return true;
  }
  return ParseLength(c, kAllowNegative, v);
}
bool ParseDirection(const Component& c, CssValue* v) { return ParseKeyword(c, {Keyword::kLtr, Keyword::kRtl}, v); }
bool ParseTextTransform(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kNone, Keyword::kCapitalize, Keyword::kUppercase, Keyword::kLowercase}, v);
}
bool ParseWhiteSpace(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kNormal, Keyword::kPre, Keyword::kNowrap}, v);
}
bool ParseOverflowValue(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kVisible, Keyword::kHidden, Keyword::kScroll, Keyword::kAuto}, v);
}
bool ParseVisibility(const Component& c, CssValue* v) {
  if (!ParseKeyword(c, {Keyword::kVisible, Keyword::kHidden, Keyword::kCollapse}, v)) return false;
  if (v->keyword == Keyword::kCollapse) v->keyword = Keyword::kHidden;
  return true;
}
bool ParseListStyleType(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kNone, Keyword::kDisc, Keyword::kCircle, Keyword::kSquare, Keyword::kDecimal}, v);
}
bool ParseSpacing(const Component& c, CssValue* v) { return ParseLength(c, 0, v); }
bool ParseTableLayout(const Component& c, CssValue* v) { return ParseKeyword(c, {Keyword::kAuto, Keyword::kFixed}, v); }
bool ParseBorderCollapse(const Component& c, CssValue* v) {
  return ParseKeyword(c, {Keyword::kSeparate, Keyword::kCollapse}, v);
}
bool ParseEmptyCells(const Component& c, CssValue* v) { return ParseKeyword(c, {Keyword::kShow, Keyword::kHide}, v); }
bool ParseTextIndent(const Component& c, CssValue* v) { return ParseLength(c, kAllowPercent | kAllowNegative, v); }

const SingleProperty kSingleProperties[] = {
    {"display", PropertyId::kDisplay, ParseDisplay},
    {"position", PropertyId::kPosition, ParsePosition},
    {"float", PropertyId::kFloat, ParseFloat},
    {"clear", PropertyId::kClear, ParseClear},
    {"left", PropertyId::kLeft, ParseOffset},
    {"top", PropertyId::kTop, ParseOffset},
    {"right", PropertyId::kRight, ParseOffset},
    {"bottom", PropertyId::kBottom, ParseOffset},
    {"z-index", PropertyId::kZIndex, ParseZIndex},
    {"width", PropertyId::kWidth, ParseSize},
    {"height", PropertyId::kHeight, ParseSize},
    {"min-width", PropertyId::kMinWidth, ParseMinSize},
    {"min-height", PropertyId::kMinHeight, ParseMinSize},
    {"max-width", PropertyId::kMaxWidth, ParseMaxSize},
    {"max-height", PropertyId::kMaxHeight, ParseMaxSize},
    {"margin-top", PropertyId::kMarginTop, ParseMargin},
    {"margin-right", PropertyId::kMarginRight, ParseMargin},
    {"margin-bottom", PropertyId::kMarginBottom, ParseMargin},
    {"margin-left", PropertyId::kMarginLeft, ParseMargin},
    {"padding-top", PropertyId::kPaddingTop, ParsePadding},
    {"padding-right", PropertyId::kPaddingRight, ParsePadding},
    {"padding-bottom", PropertyId::kPaddingBottom, ParsePadding},
    {"padding-left", PropertyId::kPaddingLeft, ParsePadding},
    {"border-top-width", PropertyId::kBorderTopWidth, ParseBorderWidth},
    {"border-right-width", PropertyId::kBorderRightWidth, ParseBorderWidth},
    {"border-bottom-width", PropertyId::kBorderBottomWidth, ParseBorderWidth},
    {"border-left-width", PropertyId::kBorderLeftWidth, ParseBorderWidth},
    {"border-top-style", PropertyId::kBorderTopStyle, ParseBorderStyle},
    {"border-right-style", PropertyId::kBorderRightStyle, ParseBorderStyle},
    {"border-bottom-style", PropertyId::kBorderBottomStyle, ParseBorderStyle},
    {"border-left-style", PropertyId::kBorderLeftStyle, ParseBorderStyle},
    {"border-top-color", PropertyId::kBorderTopColor, ParseColor},
    {"border-right-color", PropertyId::kBorderRightColor, ParseColor},
    {"border-bottom-color", PropertyId::kBorderBottomColor, ParseColor},
    {"border-left-color", PropertyId::kBorderLeftColor, ParseColor},
    {"background-color", PropertyId::kBackgroundColor, ParseColor},
    {"background-image", PropertyId::kBackgroundImage, ParseImage},
    {"background-repeat", PropertyId::kBackgroundRepeat, ParseRepeat},
    {"background-attachment", PropertyId::kBackgroundAttachment, ParseAttachment},
    {"color", PropertyId::kColor, ParseColor},
    {"font-size", PropertyId::kFontSize, ParseFontSize},
    {"font-weight", PropertyId::kFontWeight, ParseFontWeight},
    {"font-style", PropertyId::kFontStyle, ParseFontStyle},
    {"text-align", PropertyId::kTextAlign, ParseTextAlign},
    {"vertical-align", PropertyId::kVerticalAlign, ParseVerticalAlign},
    {"line-height", PropertyId::kLineHeight, ParseLineHeight},
    {"white-space", PropertyId::kWhiteSpace, ParseWhiteSpace},
    {"text-transform", PropertyId::kTextTransform, ParseTextTransform},
    {"direction", PropertyId::kDirection, ParseDirection},
    {"letter-spacing", PropertyId::kLetterSpacing, ParseSpacingLength},
    {"word-spacing", PropertyId::kWordSpacing, ParseSpacingLength},
    {"overflow-x", PropertyId::kOverflowX, ParseOverflowValue},
    {"overflow-y", PropertyId::kOverflowY, ParseOverflowValue},
    {"visibility", PropertyId::kVisibility, ParseVisibility},
    {"list-style-type", PropertyId::kListStyleType, ParseListStyleType},
    {"border-spacing", PropertyId::kBorderSpacing, ParseSpacing},
    {"text-indent", PropertyId::kTextIndent, ParseTextIndent},
    {"table-layout", PropertyId::kTableLayout, ParseTableLayout},
    {"border-collapse", PropertyId::kBorderCollapse, ParseBorderCollapse},
    {"empty-cells", PropertyId::kEmptyCells, ParseEmptyCells},
};

const SingleProperty* FindSingleProperty(std::string_view name) {
  static const auto index = [] {
    std::unordered_map<std::string_view, const SingleProperty*> map;
    for (const SingleProperty& p : kSingleProperties) map.emplace(p.name, &p);
    return map;
  }();
  auto found = index.find(name);
  return found == index.end() ? nullptr : found->second;
}

// Every longhand a shorthand sets, for "inherit" on the shorthand.
bool LonghandsOf(std::string_view name, std::vector<PropertyId>* ids) {
  auto four = [&](const PropertyId list[4]) { ids->insert(ids->end(), list, list + 4); };
  if (name == "margin") four(kMarginIds);
  else if (name == "padding") four(kPaddingIds);
  else if (name == "border-width") four(kBorderWidthIds);
  else if (name == "border-style") four(kBorderStyleIds);
  else if (name == "border-color") four(kBorderColorIds);
  else if (name == "clip") four(kClipIds);
  else if (name == "border") { four(kBorderWidthIds); four(kBorderStyleIds); four(kBorderColorIds); }
  else if (name == "border-top" || name == "border-right" || name == "border-bottom" || name == "border-left") {
    int side = name == "border-top" ? 0 : name == "border-right" ? 1 : name == "border-bottom" ? 2 : 3;
    ids->push_back(kBorderWidthIds[side]);
    ids->push_back(kBorderStyleIds[side]);
    ids->push_back(kBorderColorIds[side]);
  } else if (name == "background") {
    *ids = {PropertyId::kBackgroundColor, PropertyId::kBackgroundImage, PropertyId::kBackgroundRepeat,
            PropertyId::kBackgroundAttachment, PropertyId::kBackgroundPositionX, PropertyId::kBackgroundPositionY};
  } else if (name == "background-position") {
    *ids = {PropertyId::kBackgroundPositionX, PropertyId::kBackgroundPositionY};
  } else if (name == "font") {
    *ids = {PropertyId::kFontStyle, PropertyId::kFontWeight, PropertyId::kFontSize, PropertyId::kLineHeight,
            PropertyId::kFontFamily};
  } else if (name == "overflow") {
    *ids = {PropertyId::kOverflowX, PropertyId::kOverflowY};
  } else if (name == "list-style") {
    *ids = {PropertyId::kListStyleType};
  } else if (name == "font-family") {
    *ids = {PropertyId::kFontFamily};
  } else if (name == "text-decoration") {
    *ids = {PropertyId::kTextDecoration};
  } else if (name == "cursor") {
    *ids = {PropertyId::kCursor};
  } else if (name == "content") {
    *ids = {PropertyId::kContent};
  } else {
    const SingleProperty* p = FindSingleProperty(name);
    if (p == nullptr) return false;
    ids->push_back(p->id);
    return true;
  }
  return true;
}

// content (for ::before and ::after): normal, none, or a list of strings and
// attr(name). Counters and quotes are not supported, so a value with them is
// dropped whole. The parts are kept as tagged text (kContentString...).
bool ParseContent(const std::vector<Component>& comps, Emitter& emit) {
  if (comps.size() == 1 && (comps[0].IsIdent("normal") || comps[0].IsIdent("none"))) {
    emit.Add(PropertyId::kContent, KeywordValue(Keyword::kNone));
    return true;
  }
  CssValue value;
  value.kind = ValueKind::kContent;
  for (const Component& c : comps) {
    const CssToken& t = c.token();
    if (t.type == CssTokenType::kString) {
      value.text.push_back(kContentString);
      for (char ch : t.text) {
        // A NUL would end the part early; it stands for U+FFFD.
        if (ch == '\0') {
          value.text += "\xEF\xBF\xBD";
        } else {
          value.text.push_back(ch);
        }
      }
      value.text.push_back('\0');
    } else if (t.type == CssTokenType::kFunction && EqualsIgnoringAsciiCase(t.text, "attr")) {
      std::vector<std::vector<const CssToken*>> args = FunctionArguments(c);
      if (args.size() != 1 || args[0].size() != 1 || args[0][0]->type != CssTokenType::kIdent) return false;
      if (c.end[-1].type != CssTokenType::kRightParen) return false;
      value.text.push_back(kContentAttribute);
      value.text += AsciiLowered(args[0][0]->text);
      value.text.push_back('\0');
    } else {
      return false;
    }
  }
  emit.Add(PropertyId::kContent, value);
  return true;
}

bool ParseShorthandOrSpecial(std::string_view name, const std::vector<Component>& comps, Emitter& emit) {
  if (name == "content") return ParseContent(comps, emit);
  if (name == "margin") return ParseFourSides(comps, kMarginIds, emit, ParseMargin);
  if (name == "padding") return ParseFourSides(comps, kPaddingIds, emit, ParsePadding);
  if (name == "border-width") return ParseFourSides(comps, kBorderWidthIds, emit, ParseBorderWidth);
  if (name == "border-style") return ParseFourSides(comps, kBorderStyleIds, emit, ParseBorderStyle);
  if (name == "border-color") return ParseFourSides(comps, kBorderColorIds, emit, ParseColor);
  if (name == "border") return ParseBorderSide(comps, {0, 1, 2, 3}, emit);
  if (name == "border-top") return ParseBorderSide(comps, {0}, emit);
  if (name == "border-right") return ParseBorderSide(comps, {1}, emit);
  if (name == "border-bottom") return ParseBorderSide(comps, {2}, emit);
  if (name == "border-left") return ParseBorderSide(comps, {3}, emit);
  if (name == "background") return ParseBackground(comps, emit);
  if (name == "background-position") return ParseBackgroundPosition(comps, emit);
  if (name == "font") return ParseFont(comps, emit);
  if (name == "font-family") {
    CssValue v;
    if (!ParseFontFamily(comps, 0, &v)) return false;
    emit.Add(PropertyId::kFontFamily, v);
    return true;
  }
  if (name == "text-decoration") return ParseTextDecoration(comps, emit);
  if (name == "clip") return ParseClip(comps, emit);
  if (name == "cursor") return ParseCursor(comps, emit);
  if (name == "overflow") {
    CssValue v;
    if (comps.size() != 1 || !ParseOverflowValue(comps[0], &v)) return false;
    emit.Add(PropertyId::kOverflowX, v);
    emit.Add(PropertyId::kOverflowY, v);
    return true;
  }
  if (name == "list-style") {
    CssValue type = KeywordValue(Keyword::kDisc);
    bool seen = false;
    for (const Component& c : comps) {
      CssValue v;
      if (!seen && ParseListStyleType(c, &v)) {
        type = v;
        seen = true;
      } else if (!(c.IsIdent("inside") || c.IsIdent("outside") || c.Is(CssTokenType::kUrl))) {
        return false;
      }
    }
    if (comps.empty()) return false;
    emit.Add(PropertyId::kListStyleType, type);
    return true;
  }
  if (name == "border-spacing") {
    // One or two lengths; the engine uses the first for both directions.
    CssValue v;
    if (comps.empty() || comps.size() > 2 || !ParseSpacing(comps[0], &v)) return false;
    emit.Add(PropertyId::kBorderSpacing, v);
    return true;
  }
  if (const SingleProperty* p = FindSingleProperty(name)) {
    CssValue v;
    if (comps.size() != 1 || !p->parse(comps[0], &v)) return false;
    emit.Add(p->id, v);
    return true;
  }
  return false;
}

}  // namespace

const char* KeywordName(Keyword keyword) {
  for (const KeywordEntry& k : kKeywordNames) {
    if (k.keyword == keyword) return k.name;
  }
  return "?";
}

const char* PropertyName(PropertyId property) {
  static const char* const kNames[] = {
      "display", "position", "float", "clear", "left", "top", "right", "bottom", "z-index",
      "width", "height", "min-width", "min-height", "max-width", "max-height",
      "margin-top", "margin-right", "margin-bottom", "margin-left",
      "padding-top", "padding-right", "padding-bottom", "padding-left",
      "border-top-width", "border-right-width", "border-bottom-width", "border-left-width",
      "border-top-style", "border-right-style", "border-bottom-style", "border-left-style",
      "border-top-color", "border-right-color", "border-bottom-color", "border-left-color",
      "background-color", "background-image", "background-repeat", "background-position-x",
      "background-position-y", "color", "font-family", "font-size", "font-weight", "font-style",
      "text-decoration", "text-align", "vertical-align", "line-height", "white-space", "overflow-x",
      "overflow-y", "visibility", "cursor", "list-style-type", "border-spacing", "text-indent",
      "text-transform", "clip-top", "clip-right", "clip-bottom", "clip-left", "content", "direction",
      "background-attachment", "table-layout", "border-collapse", "empty-cells", "letter-spacing",
      "word-spacing",
  };
  static_assert(sizeof kNames / sizeof kNames[0] == size_t(PropertyId::kCount), "a name per property");
  return kNames[int(property)];
}

std::string FormatValue(const CssValue& v) {
  auto number = [](float n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", double(n));
    return std::string(buffer);
  };
  static const char* const kUnits[] = {"px", "pt", "pc", "in", "cm", "mm", "em", "ex"};
  switch (v.kind) {
    case ValueKind::kKeyword: return KeywordName(v.keyword);
    case ValueKind::kLength: return number(v.number) + kUnits[int(v.unit)];
    case ValueKind::kPercent: return number(v.number) + "%";
    case ValueKind::kNumber: return number(v.number);
    case ValueKind::kColor: {
      char buffer[16];
      if (ColorAlpha(v.color) == 255) {
        std::snprintf(buffer, sizeof buffer, "#%06x", unsigned(v.color & 0xFFFFFF));
      } else {
        std::snprintf(buffer, sizeof buffer, "#%08x", unsigned(v.color));
      }
      return buffer;
    }
    case ValueKind::kUrl: return "url(" + v.text + ")";
    case ValueKind::kFamily: return "\"" + v.text + "\"";
    case ValueKind::kInherit: return "inherit";
    case ValueKind::kContent: {
      std::string out;
      ForEachContentPart(v.text, [&out](char tag, std::string_view part) {
        if (!out.empty()) out += " ";
        out += tag == kContentAttribute ? "attr(" + std::string(part) + ")" : "\"" + std::string(part) + "\"";
      });
      return out;
    }
  }
  return "?";
}

Keyword LookUpKeyword(std::string_view identifier) {
  static const auto index = MakeIndex(std::begin(kKeywordNames), std::end(kKeywordNames), &KeywordEntry::keyword);
  auto found = index.find(AsciiLowered(identifier));
  return found == index.end() ? Keyword::kUnknown : found->second;
}

bool ParseColorText(std::string_view text, Color* color) {
  text = TrimSpace(text);
  auto hexDigit = [](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string_view digits = text;
  if (!digits.empty() && digits[0] == '#') digits.remove_prefix(1);
  bool allHex = (digits.size() == 3 || digits.size() == 6) &&
                std::all_of(digits.begin(), digits.end(), [&](char c) { return hexDigit(c) >= 0; });
  if (allHex && (text[0] == '#' || digits.size() == 6)) {
    if (digits.size() == 3) {
      *color = MakeColor(hexDigit(digits[0]) * 17, hexDigit(digits[1]) * 17, hexDigit(digits[2]) * 17);
    } else {
      *color = MakeColor(hexDigit(digits[0]) * 16 + hexDigit(digits[1]), hexDigit(digits[2]) * 16 + hexDigit(digits[3]),
                         hexDigit(digits[4]) * 16 + hexDigit(digits[5]));
    }
    return true;
  }
  if (text.empty() || text[0] == '#') return false;
  if (EqualsIgnoringAsciiCase(text, "transparent")) {
    *color = kTransparent;
    return true;
  }
  if (LookUpColorName(text, color)) return true;
  // rgb() and rgba() through the tokenizer.
  std::vector<CssToken> tokens = TokenizeCss(text);
  std::vector<Component> comps;
  if (tokens.empty() || !SplitComponents(tokens.data(), tokens.data() + tokens.size(), &comps) || comps.size() != 1) {
    return false;
  }
  CssValue v;
  if (!ParseColor(comps[0], &v) || v.kind != ValueKind::kColor) return false;
  *color = v.color;
  return true;
}

bool ParsePropertyValue(std::string_view name, const CssToken* begin, const CssToken* end, bool important,
                        std::vector<Declaration>* out) {
  std::vector<Component> comps;
  if (!SplitComponents(begin, end, &comps) || comps.empty()) return false;
  Emitter emit{out, important};
  if (comps.size() == 1 && comps[0].IsIdent("inherit")) {
    std::vector<PropertyId> ids;
    if (!LonghandsOf(name, &ids)) return false;
    for (PropertyId id : ids) emit.Add(id, InheritValue());
    return true;
  }
  size_t before = out->size();
  if (!ParseShorthandOrSpecial(name, comps, emit)) {
    out->resize(before);
    return false;
  }
  return true;
}

int FontSizeForKeyword(Keyword keyword) {
  switch (keyword) {
    case Keyword::kXxSmall: return 9;
    case Keyword::kXSmall: return 10;
    case Keyword::kSmall: return 13;
    case Keyword::kLarge: return 18;
    case Keyword::kXLarge: return 24;
    case Keyword::kXxLarge: return 32;
    default: return 16;
  }
}

int FontSizeForHtmlSize(int size) {
  static const int kSizes[7] = {10, 13, 16, 18, 24, 32, 48};
  return kSizes[std::min(7, std::max(1, size)) - 1];
}

}  // namespace engine
