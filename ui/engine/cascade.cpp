// The cascade: matching, ordering, presentational attributes, computing.
#include "ui/engine/cascade.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ui/engine/css_parser.h"
#include "ui/engine/css_values.h"
#include "ui/engine/text.h"
#include "ui/engine/ua_style_sheet.h"
#include "ui/engine/url.h"

namespace engine {

const StyleSheet& UserAgentStyleSheet() {
  static const StyleSheet sheet = ParseStyleSheet(kUserAgentStyleSheet);
  return sheet;
}

namespace {

// --- presentational attributes (HTML 4 attributes that stand for CSS)

Declaration MakeDeclaration(PropertyId id, const CssValue& value) {
  Declaration d;
  d.property = id;
  d.value = value;
  return d;
}

CssValue Pixels(float px) {
  CssValue v;
  v.kind = ValueKind::kLength;
  v.unit = Unit::kPx;
  v.number = px;
  return v;
}

CssValue KeywordOf(Keyword k) {
  CssValue v;
  v.kind = ValueKind::kKeyword;
  v.keyword = k;
  return v;
}

CssValue ColorOf(Color c) {
  CssValue v;
  v.kind = ValueKind::kColor;
  v.color = c;
  return v;
}

// "120", "120px", "50%": false for anything else (and "*").
bool ParseHtmlLength(std::u16string_view text, CssValue* value) {
  text = TrimSpace(text);
  size_t i = 0;
  double number = 0;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    number = number * 10 + (text[i] - '0');
    if (number > 1e6) return false;
    digits = true;
    ++i;
  }
  if (i < text.size() && text[i] == '.') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) number += (text[i] - '0') * scale;
  }
  if (!digits) return false;
  if (i < text.size() && text[i] == '%') {
    value->kind = ValueKind::kPercent;
    value->number = float(number);
    return true;
  }
  *value = Pixels(float(number));
  return true;
}

bool ParseHtmlInteger(const char16_t* text, int* out) {
  if (text == nullptr) return false;
  std::u16string_view v = TrimSpace(std::u16string_view(text));
  int n = 0;
  size_t i = 0;
  for (; i < v.size() && v[i] >= '0' && v[i] <= '9' && n < 100000; ++i) n = n * 10 + (v[i] - '0');
  if (i == 0) return false;
  *out = n;
  return true;
}

class HintCollector {
 public:
  HintCollector(const Node* element, std::vector<Declaration>* out, std::string* key)
      : element_(element), out_(out), key_(key) {}

  void Add(PropertyId id, const CssValue& value) { out_->push_back(MakeDeclaration(id, value)); }

  // Notes the attribute in the cache key and returns its value.
  const char16_t* Read(const Node* node, Atom name) {
    const char16_t* value = node->attributes.Find(name);
    if (value != nullptr) {
      // The key only has to tell inputs apart: the name and the raw value.
      key_->append(reinterpret_cast<const char*>(&name), sizeof name);
      key_->append(reinterpret_cast<const char*>(value), std::char_traits<char16_t>::length(value) * 2);
      key_->push_back('\0');
    }
    return value;
  }

  void Length(const Node* node, Atom name, PropertyId id) {
    CssValue v;
    if (const char16_t* text = Read(node, name)) {
      if (ParseHtmlLength(text, &v)) Add(id, v);
    }
  }

  void BackgroundColor(const Node* node) {
    Color c;
    if (const char16_t* text = Read(node, kAtomBgcolor)) {
      if (ParseColorText(Utf16ToUtf8(text), &c)) Add(PropertyId::kBackgroundColor, ColorOf(c));
    }
  }

  void BackgroundImage(const Node* node, const std::u16string& documentAddress) {
    if (const char16_t* text = Read(node, kAtomBackground)) {
      std::u16string address = ResolveAddress(documentAddress, text);
      if (address.empty()) return;
      CssValue v;
      v.kind = ValueKind::kUrl;
      v.text = Utf16ToUtf8(address);
      Add(PropertyId::kBackgroundImage, v);
    }
  }

  void TextAlign(const Node* node) {
    if (const char16_t* text = Read(node, kAtomAlign)) {
      std::u16string_view a = TrimSpace(std::u16string_view(text));
      if (EqualsIgnoringAsciiCase(a, "left")) Add(PropertyId::kTextAlign, KeywordOf(Keyword::kLeft));
      else if (EqualsIgnoringAsciiCase(a, "right")) Add(PropertyId::kTextAlign, KeywordOf(Keyword::kRight));
      else if (EqualsIgnoringAsciiCase(a, "center") || EqualsIgnoringAsciiCase(a, "middle"))
        Add(PropertyId::kTextAlign, KeywordOf(Keyword::kCenter));
      else if (EqualsIgnoringAsciiCase(a, "justify")) Add(PropertyId::kTextAlign, KeywordOf(Keyword::kJustify));
    }
  }

  bool VerticalAlign(const Node* node) {
    if (const char16_t* text = Read(node, kAtomValign)) {
      std::u16string_view a = TrimSpace(std::u16string_view(text));
      Keyword k = EqualsIgnoringAsciiCase(a, "top")        ? Keyword::kTop
                  : EqualsIgnoringAsciiCase(a, "middle")   ? Keyword::kMiddle
                  : EqualsIgnoringAsciiCase(a, "center")   ? Keyword::kMiddle
                  : EqualsIgnoringAsciiCase(a, "bottom")   ? Keyword::kBottom
                  : EqualsIgnoringAsciiCase(a, "baseline") ? Keyword::kBaseline
                                                           : Keyword::kUnknown;
      if (k != Keyword::kUnknown) {
        Add(PropertyId::kVerticalAlign, KeywordOf(k));
        return true;
      }
    }
    return false;
  }

  void Border(int width, const CssValue& color) {
    static const PropertyId kIds[4][3] = {
        {PropertyId::kBorderTopWidth, PropertyId::kBorderTopStyle, PropertyId::kBorderTopColor},
        {PropertyId::kBorderRightWidth, PropertyId::kBorderRightStyle, PropertyId::kBorderRightColor},
        {PropertyId::kBorderBottomWidth, PropertyId::kBorderBottomStyle, PropertyId::kBorderBottomColor},
        {PropertyId::kBorderLeftWidth, PropertyId::kBorderLeftStyle, PropertyId::kBorderLeftColor}};
    for (const auto& side : kIds) {
      Add(side[0], Pixels(float(width)));
      Add(side[1], KeywordOf(width > 0 ? Keyword::kSolid : Keyword::kNone));
      Add(side[2], color);
    }
  }

  void Collect(const std::u16string& documentAddress) {
    const Node* e = element_;
    switch (e->tag) {
      case kAtomBody:
        BackgroundColor(e);
        BackgroundImage(e, documentAddress);
        if (const char16_t* text = Read(e, kAtomText)) {
          Color c;
          if (ParseColorText(Utf16ToUtf8(text), &c)) Add(PropertyId::kColor, ColorOf(c));
        }
        break;
      case kAtomImg:
        Length(e, kAtomWidth, PropertyId::kWidth);
        Length(e, kAtomHeight, PropertyId::kHeight);
        if (const char16_t* text = Read(e, kAtomBorder)) {
          int width = 0;
          if (ParseHtmlInteger(text, &width)) Border(width, KeywordOf(Keyword::kCurrentColor));
        }
        if (const char16_t* text = Read(e, kAtomHspace)) {
          CssValue v;
          if (ParseHtmlLength(text, &v)) {
            Add(PropertyId::kMarginLeft, v);
            Add(PropertyId::kMarginRight, v);
          }
        }
        if (const char16_t* text = Read(e, kAtomVspace)) {
          CssValue v;
          if (ParseHtmlLength(text, &v)) {
            Add(PropertyId::kMarginTop, v);
            Add(PropertyId::kMarginBottom, v);
          }
        }
        if (const char16_t* text = Read(e, kAtomAlign)) {
          std::u16string_view a = TrimSpace(std::u16string_view(text));
          if (EqualsIgnoringAsciiCase(a, "left")) Add(PropertyId::kFloat, KeywordOf(Keyword::kLeft));
          else if (EqualsIgnoringAsciiCase(a, "right")) Add(PropertyId::kFloat, KeywordOf(Keyword::kRight));
          else if (EqualsIgnoringAsciiCase(a, "top")) Add(PropertyId::kVerticalAlign, KeywordOf(Keyword::kTop));
          else if (EqualsIgnoringAsciiCase(a, "middle") || EqualsIgnoringAsciiCase(a, "absmiddle"))
            Add(PropertyId::kVerticalAlign, KeywordOf(Keyword::kMiddle));
          else if (EqualsIgnoringAsciiCase(a, "bottom")) Add(PropertyId::kVerticalAlign, KeywordOf(Keyword::kBaseline));
        }
        break;
      case kAtomTable: {
        Length(e, kAtomWidth, PropertyId::kWidth);
        Length(e, kAtomHeight, PropertyId::kHeight);
        BackgroundColor(e);
        BackgroundImage(e, documentAddress);
        if (const char16_t* text = Read(e, kAtomBorder)) {
          int width = 1;  // a bare "border" means 1
          ParseHtmlInteger(text, &width);
          if (width > 0) Border(width, ColorOf(MakeColor(128, 128, 128)));
        }
        if (const char16_t* text = Read(e, kAtomCellspacing)) {
          CssValue v;
          if (ParseHtmlLength(text, &v) && v.kind == ValueKind::kLength) Add(PropertyId::kBorderSpacing, v);
        }
        if (const char16_t* text = Read(e, kAtomAlign)) {
          std::u16string_view a = TrimSpace(std::u16string_view(text));
          if (EqualsIgnoringAsciiCase(a, "center")) {
            Add(PropertyId::kMarginLeft, KeywordOf(Keyword::kAuto));
            Add(PropertyId::kMarginRight, KeywordOf(Keyword::kAuto));
          } else if (EqualsIgnoringAsciiCase(a, "left")) {
            Add(PropertyId::kFloat, KeywordOf(Keyword::kLeft));
          } else if (EqualsIgnoringAsciiCase(a, "right")) {
            Add(PropertyId::kFloat, KeywordOf(Keyword::kRight));
          }
        }
        break;
      }
      case kAtomTr:
      case kAtomTbody:
      case kAtomThead:
      case kAtomTfoot:
        BackgroundColor(e);
        BackgroundImage(e, documentAddress);
        TextAlign(e);
        VerticalAlign(e);
        break;
      case kAtomTd:
      case kAtomTh:
        CollectCell(documentAddress);
        break;
      case kAtomCol:
      case kAtomColgroup:
        Length(e, kAtomWidth, PropertyId::kWidth);
        break;
      case kAtomDiv:
      case kAtomP:
      case kAtomH1:
      case kAtomH2:
      case kAtomH3:
      case kAtomH4:
      case kAtomH5:
      case kAtomH6:
      case kAtomCaption:
        TextAlign(e);
        break;
      case kAtomFont: {
        if (const char16_t* text = Read(e, kAtomColor)) {
          Color c;
          if (ParseColorText(Utf16ToUtf8(text), &c)) Add(PropertyId::kColor, ColorOf(c));
        }
        if (const char16_t* text = Read(e, kAtomFace)) {
          CssValue v;
          v.kind = ValueKind::kFamily;
          v.text = Utf16ToUtf8(TrimSpace(std::u16string_view(text)));
          if (!v.text.empty()) Add(PropertyId::kFontFamily, v);
        }
        if (const char16_t* text = Read(e, kAtomSize)) {
          std::u16string_view s = TrimSpace(std::u16string_view(text));
          int n = 0;
          bool relative = !s.empty() && (s[0] == '+' || s[0] == '-');
          std::u16string digits(relative ? s.substr(1) : s);
          if (ParseHtmlInteger(digits.c_str(), &n)) {
            int size = relative ? 3 + (s[0] == '+' ? n : -n) : n;
            Add(PropertyId::kFontSize, Pixels(float(FontSizeForHtmlSize(size))));
          }
        }
        break;
      }
      default:
        break;
    }
  }

  // A table cell takes the attributes of its own, of its row, and of its
  // table (cellpadding, border).
  void CollectCell(const std::u16string& documentAddress) {
    const Node* cell = element_;
    Length(cell, kAtomWidth, PropertyId::kWidth);
    Length(cell, kAtomHeight, PropertyId::kHeight);
    BackgroundColor(cell);
    BackgroundImage(cell, documentAddress);
    if (Read(cell, kAtomNowrap) != nullptr) Add(PropertyId::kWhiteSpace, KeywordOf(Keyword::kNowrap));
    const Node* row = cell->parent != nullptr && cell->parent->tag == kAtomTr ? cell->parent : nullptr;
    if (!cell->attributes.Has(kAtomAlign) && row != nullptr) {
      TextAlign(row);
    } else {
      TextAlign(cell);
    }
    if (!VerticalAlign(cell) && row != nullptr) VerticalAlign(row);
    const Node* table = cell->parent;
    while (table != nullptr && table->tag != kAtomTable) table = table->parent;
    if (table == nullptr) return;
    if (const char16_t* text = Read(table, kAtomCellpadding)) {
      CssValue v;
      if (ParseHtmlLength(text, &v) && v.kind == ValueKind::kLength) {
        Add(PropertyId::kPaddingTop, v);
        Add(PropertyId::kPaddingRight, v);
        Add(PropertyId::kPaddingBottom, v);
        Add(PropertyId::kPaddingLeft, v);
      }
    }
    if (const char16_t* text = Read(table, kAtomBorder)) {
      int width = 1;
      ParseHtmlInteger(text, &width);
      if (width > 0) Border(1, ColorOf(MakeColor(128, 128, 128)));
    }
  }

 private:
  const Node* element_;
  std::vector<Declaration>* out_;
  std::string* key_;
};

// --- computing values

// The font that em and ex lengths refer to. The ex (the font's x-height) is
// asked of the host only when a length uses it; without a host, or for a font
// without the figure, it is half the em.
struct FontUnits {
  const FontDesc* font;
  Host* host;
  float Ex() const {
    float xHeight = host != nullptr ? host->GetFontMetrics(*font).xHeight : 0.f;
    return xHeight > 0.f ? xHeight : float(font->size) / 2.f;
  }
};

float LengthInPixels(const CssValue& v, const FontUnits& units) {
  switch (v.unit) {
    case Unit::kPx: return v.number;
    case Unit::kPt: return v.number * 96.f / 72.f;
    case Unit::kPc: return v.number * 16.f;
    case Unit::kIn: return v.number * 96.f;
    case Unit::kCm: return v.number * 96.f / 2.54f;
    case Unit::kMm: return v.number * 96.f / 25.4f;
    case Unit::kEm: return v.number * float(units.font->size);
    case Unit::kEx: return v.number * units.Ex();
  }
  return v.number;
}

Length ToLength(const CssValue& v, const FontUnits& units) {
  switch (v.kind) {
    case ValueKind::kLength: return Length::Px(LengthInPixels(v, units));
    case ValueKind::kPercent: return Length::Percent(v.number);
    case ValueKind::kKeyword: return v.keyword == Keyword::kNone ? Length::None() : Length::Auto();
    default: return Length::Auto();
  }
}

Display ToDisplay(Keyword k) {
  switch (k) {
    case Keyword::kBlock: return Display::kBlock;
    case Keyword::kInline: return Display::kInline;
    case Keyword::kInlineBlock: return Display::kInlineBlock;
    case Keyword::kListItem: return Display::kListItem;
    case Keyword::kTable: return Display::kTable;
    case Keyword::kTableRow: return Display::kTableRow;
    case Keyword::kTableCell: return Display::kTableCell;
    case Keyword::kTableRowGroup: return Display::kTableRowGroup;
    case Keyword::kTableHeaderGroup: return Display::kTableHeaderGroup;
    case Keyword::kTableFooterGroup: return Display::kTableFooterGroup;
    case Keyword::kTableColumn: return Display::kTableColumn;
    case Keyword::kTableColumnGroup: return Display::kTableColumnGroup;
    case Keyword::kTableCaption: return Display::kTableCaption;
    case Keyword::kInlineTable: return Display::kInlineTable;
    default: return Display::kNone;
  }
}

BorderStyle ToBorderStyle(Keyword k) {
  switch (k) {
    case Keyword::kHidden: return BorderStyle::kHidden;
    case Keyword::kDotted: return BorderStyle::kDotted;
    case Keyword::kDashed: return BorderStyle::kDashed;
    case Keyword::kSolid: return BorderStyle::kSolid;
    case Keyword::kDouble: return BorderStyle::kDouble;
    case Keyword::kGroove: return BorderStyle::kGroove;
    case Keyword::kRidge: return BorderStyle::kRidge;
    case Keyword::kInset: return BorderStyle::kInset;
    case Keyword::kOutset: return BorderStyle::kOutset;
    default: return BorderStyle::kNone;
  }
}

Overflow ToOverflow(Keyword k) {
  switch (k) {
    case Keyword::kHidden: return Overflow::kHidden;
    case Keyword::kScroll: return Overflow::kScroll;
    case Keyword::kAuto: return Overflow::kAuto;
    default: return Overflow::kVisible;
  }
}

Cursor ToCursor(Keyword k) {
  switch (k) {
    case Keyword::kPointer:
    case Keyword::kHand: return Cursor::kPointer;
    case Keyword::kText: return Cursor::kText;
    case Keyword::kMove: return Cursor::kMove;
    case Keyword::kWait: return Cursor::kWait;
    case Keyword::kHelp: return Cursor::kHelp;
    case Keyword::kCrosshair: return Cursor::kCrosshair;
    case Keyword::kProgress: return Cursor::kProgress;
    case Keyword::kNotAllowed: return Cursor::kNotAllowed;
    default: return Cursor::kDefault;
  }
}

constexpr int kMediumBorderPixels = 3;

int BorderWidthPixels(const CssValue& v, const FontUnits& units) {
  if (v.kind == ValueKind::kKeyword) {
    return v.keyword == Keyword::kThin ? 1 : v.keyword == Keyword::kThick ? 5 : kMediumBorderPixels;
  }
  float px = LengthInPixels(v, units);
  // A width between 0 and 1 still shows as one pixel.
  if (!(px > 0)) return 0;
  return px < 1 ? 1 : int(std::lround(std::min(px, 10000.f)));
}

int ClampFontSize(float px) {
  if (!(px > 1)) return 1;
  return int(std::lround(std::min(px, 2000.f)));
}

// A length in whole pixels no longer than layout copes with.
float ClampedPixels(float px) { return std::max(-1000000.f, std::min(1000000.f, std::round(px))); }

void ApplyFontSize(ComputedStyle& s, const ComputedStyle& parent, const Declaration* d, Host* host) {
  if (d == nullptr) return;
  const CssValue& v = d->value;
  float parentSize = float(parent.font.size);
  if (v.kind == ValueKind::kInherit) {
    s.font.size = parent.font.size;
  } else if (v.kind == ValueKind::kKeyword) {
    if (v.keyword == Keyword::kLarger) s.font.size = ClampFontSize(parentSize * 1.2f);
    else if (v.keyword == Keyword::kSmaller) s.font.size = ClampFontSize(parentSize / 1.2f);
    else s.font.size = FontSizeForKeyword(v.keyword);
  } else if (v.kind == ValueKind::kPercent) {
    s.font.size = ClampFontSize(parentSize * v.number / 100.f);
  } else if (v.kind == ValueKind::kLength) {
    s.font.size = ClampFontSize(LengthInPixels(v, FontUnits{&parent.font, host}));
  }
}

void ApplyDeclaration(ComputedStyle& s, const ComputedStyle& parent, const Declaration& d, Host* host) {
  const CssValue& v = d.value;
  FontUnits em{&s.font, host};
  bool inherit = v.kind == ValueKind::kInherit;
  Keyword k = v.keyword;
  auto sideOf = [](PropertyId id, PropertyId first) { return int(id) - int(first); };
  switch (d.property) {
    case PropertyId::kDisplay: s.display = inherit ? parent.display : ToDisplay(k); break;
    case PropertyId::kPosition:
      s.position = inherit ? parent.position
                   : k == Keyword::kRelative ? Position::kRelative
                   : k == Keyword::kAbsolute ? Position::kAbsolute
                   : k == Keyword::kFixed    ? Position::kFixed
                                             : Position::kStatic;
      break;
    case PropertyId::kFloat:
      s.floatSide = inherit ? parent.floatSide
                    : k == Keyword::kLeft ? FloatSide::kLeft
                    : k == Keyword::kRight ? FloatSide::kRight
                                           : FloatSide::kNone;
      break;
    case PropertyId::kClear:
      s.clear = inherit ? parent.clear
                : k == Keyword::kLeft  ? Clear::kLeft
                : k == Keyword::kRight ? Clear::kRight
                : k == Keyword::kBoth  ? Clear::kBoth
                                       : Clear::kNone;
      break;
    case PropertyId::kLeft: s.left = inherit ? parent.left : ToLength(v, em); break;
    case PropertyId::kTop: s.top = inherit ? parent.top : ToLength(v, em); break;
    case PropertyId::kRight: s.right = inherit ? parent.right : ToLength(v, em); break;
    case PropertyId::kBottom: s.bottom = inherit ? parent.bottom : ToLength(v, em); break;
    case PropertyId::kClipTop:
    case PropertyId::kClipRight:
    case PropertyId::kClipBottom:
    case PropertyId::kClipLeft: {
      int side = sideOf(d.property, PropertyId::kClipTop);
      if (inherit) {
        s.hasClip = parent.hasClip;
        s.clip[side] = parent.clip[side];
      } else if (v.kind == ValueKind::kKeyword && v.keyword == Keyword::kNone) {
        s.hasClip = false;
        s.clip[side] = Length::Auto();
      } else {
        s.hasClip = true;
        s.clip[side] = ToLength(v, em);
      }
      break;
    }
    case PropertyId::kZIndex:
      if (inherit) {
        s.zIndexAuto = parent.zIndexAuto;
        s.zIndex = parent.zIndex;
      } else {
        s.zIndexAuto = v.kind != ValueKind::kNumber;
        s.zIndex = s.zIndexAuto ? 0 : v.integer;
      }
      break;
    case PropertyId::kWidth: s.width = inherit ? parent.width : ToLength(v, em); break;
    case PropertyId::kHeight: s.height = inherit ? parent.height : ToLength(v, em); break;
    case PropertyId::kMinWidth: s.minWidth = inherit ? parent.minWidth : ToLength(v, em); break;
    case PropertyId::kMinHeight: s.minHeight = inherit ? parent.minHeight : ToLength(v, em); break;
    case PropertyId::kMaxWidth: s.maxWidth = inherit ? parent.maxWidth : ToLength(v, em); break;
    case PropertyId::kMaxHeight: s.maxHeight = inherit ? parent.maxHeight : ToLength(v, em); break;
    case PropertyId::kMarginTop: case PropertyId::kMarginRight: case PropertyId::kMarginBottom:
    case PropertyId::kMarginLeft: {
      int side = sideOf(d.property, PropertyId::kMarginTop);
      s.margin[side] = inherit ? parent.margin[side] : ToLength(v, em);
      break;
    }
    case PropertyId::kPaddingTop: case PropertyId::kPaddingRight: case PropertyId::kPaddingBottom:
    case PropertyId::kPaddingLeft: {
      int side = sideOf(d.property, PropertyId::kPaddingTop);
      s.padding[side] = inherit ? parent.padding[side] : ToLength(v, em);
      break;
    }
    case PropertyId::kBorderTopWidth: case PropertyId::kBorderRightWidth: case PropertyId::kBorderBottomWidth:
    case PropertyId::kBorderLeftWidth: {
      int side = sideOf(d.property, PropertyId::kBorderTopWidth);
      s.borderWidth[side] = int16_t(inherit ? parent.borderWidth[side] : BorderWidthPixels(v, em));
      break;
    }
    case PropertyId::kBorderTopStyle: case PropertyId::kBorderRightStyle: case PropertyId::kBorderBottomStyle:
    case PropertyId::kBorderLeftStyle: {
      int side = sideOf(d.property, PropertyId::kBorderTopStyle);
      s.borderStyle[side] = inherit ? parent.borderStyle[side] : ToBorderStyle(k);
      break;
    }
    case PropertyId::kBorderTopColor: case PropertyId::kBorderRightColor: case PropertyId::kBorderBottomColor:
    case PropertyId::kBorderLeftColor: {
      int side = sideOf(d.property, PropertyId::kBorderTopColor);
      s.borderColor[side] = inherit ? parent.borderColor[side]
                            : v.kind == ValueKind::kColor ? v.color
                                                          : s.color;  // currentColor
      break;
    }
    case PropertyId::kBackgroundColor:
      s.backgroundColor = inherit ? parent.backgroundColor : v.kind == ValueKind::kColor ? v.color : kTransparent;
      break;
    case PropertyId::kBackgroundImage:
      s.backgroundImage = inherit ? parent.backgroundImage
                          : v.kind == ValueKind::kUrl ? Utf8ToUtf16(v.text)
                                                      : std::u16string();
      break;
    case PropertyId::kBackgroundRepeat:
      s.backgroundRepeat = inherit ? parent.backgroundRepeat
                           : k == Keyword::kNoRepeat ? BackgroundRepeat::kNoRepeat
                           : k == Keyword::kRepeatX  ? BackgroundRepeat::kRepeatX
                           : k == Keyword::kRepeatY  ? BackgroundRepeat::kRepeatY
                                                     : BackgroundRepeat::kRepeat;
      break;
    case PropertyId::kBackgroundPositionX:
      s.backgroundPositionX = inherit ? parent.backgroundPositionX : ToLength(v, em);
      break;
    case PropertyId::kBackgroundPositionY:
      s.backgroundPositionY = inherit ? parent.backgroundPositionY : ToLength(v, em);
      break;
    case PropertyId::kColor:
      s.color = (inherit || v.kind != ValueKind::kColor) ? parent.color : v.color;
      break;
    case PropertyId::kFontFamily: s.font.family = inherit ? parent.font.family : v.text; break;
    case PropertyId::kFontSize: break;  // applied first
    case PropertyId::kFontWeight:
      if (inherit) {
        s.font.weight = parent.font.weight;
      } else if (v.kind == ValueKind::kNumber) {
        s.font.weight = int(v.number);
      } else if (k == Keyword::kBold) {
        s.font.weight = 700;
      } else if (k == Keyword::kBolder) {
        s.font.weight = parent.font.weight < 600 ? 700 : 900;
      } else if (k == Keyword::kLighter) {
        s.font.weight = parent.font.weight > 500 ? 400 : 100;
      } else {
        s.font.weight = 400;
      }
      break;
    case PropertyId::kFontStyle:
      s.font.italic = inherit ? parent.font.italic : (k == Keyword::kItalic || k == Keyword::kOblique);
      break;
    case PropertyId::kTextDecoration:
      s.textDecoration = inherit ? parent.textDecoration : v.kind == ValueKind::kNumber ? uint8_t(v.number) : 0;
      break;
    case PropertyId::kTextAlign:
      s.textAlign = inherit ? parent.textAlign
                    : k == Keyword::kRight   ? TextAlign::kRight
                    : k == Keyword::kCenter  ? TextAlign::kCenter
                    : k == Keyword::kJustify ? TextAlign::kJustify
                                             : TextAlign::kLeft;
      break;
    case PropertyId::kVerticalAlign:
      if (inherit) {
        s.verticalAlign = parent.verticalAlign;
        s.verticalAlignLength = parent.verticalAlignLength;
      } else if (v.kind == ValueKind::kKeyword) {
        s.verticalAlign = k == Keyword::kSub        ? VerticalAlign::kSub
                          : k == Keyword::kSuper    ? VerticalAlign::kSuper
                          : k == Keyword::kTop      ? VerticalAlign::kTop
                          : k == Keyword::kTextTop  ? VerticalAlign::kTextTop
                          : k == Keyword::kMiddle   ? VerticalAlign::kMiddle
                          : k == Keyword::kBottom   ? VerticalAlign::kBottom
                          : k == Keyword::kTextBottom ? VerticalAlign::kTextBottom
                                                    : VerticalAlign::kBaseline;
      } else {
        s.verticalAlign = VerticalAlign::kLength;
        s.verticalAlignLength = ToLength(v, em);
      }
      break;
    case PropertyId::kLineHeight:
      if (inherit) {
        s.lineHeight = parent.lineHeight;
      } else if (v.kind == ValueKind::kNumber) {
        s.lineHeight = LineHeight{LineHeight::kNumber, v.number};
      } else if (v.kind == ValueKind::kLength) {
        s.lineHeight = LineHeight{LineHeight::kPx, ClampedPixels(LengthInPixels(v, em))};
      } else if (v.kind == ValueKind::kPercent) {
        s.lineHeight = LineHeight{LineHeight::kPx, ClampedPixels(float(s.font.size) * v.number / 100.f)};
      } else {
        s.lineHeight = LineHeight{};
      }
      break;
    case PropertyId::kWhiteSpace:
      s.whiteSpace = inherit ? parent.whiteSpace
                     : k == Keyword::kPre    ? WhiteSpace::kPre
                     : k == Keyword::kNowrap ? WhiteSpace::kNowrap
                                             : WhiteSpace::kNormal;
      break;
    case PropertyId::kTextTransform:
      s.textTransform = inherit ? parent.textTransform
                        : k == Keyword::kCapitalize ? TextTransform::kCapitalize
                        : k == Keyword::kUppercase  ? TextTransform::kUppercase
                        : k == Keyword::kLowercase  ? TextTransform::kLowercase
                                                    : TextTransform::kNone;
      break;
    case PropertyId::kOverflowX: s.overflowX = inherit ? parent.overflowX : ToOverflow(k); break;
    case PropertyId::kOverflowY: s.overflowY = inherit ? parent.overflowY : ToOverflow(k); break;
    case PropertyId::kVisibility:
      s.visibility = inherit ? parent.visibility : k == Keyword::kHidden ? Visibility::kHidden : Visibility::kVisible;
      break;
    case PropertyId::kCursor: s.cursor = inherit ? parent.cursor : ToCursor(k); break;
    case PropertyId::kListStyleType:
      s.listStyleType = inherit ? parent.listStyleType
                        : k == Keyword::kNone    ? ListStyleType::kNone
                        : k == Keyword::kCircle  ? ListStyleType::kCircle
                        : k == Keyword::kSquare  ? ListStyleType::kSquare
                        : k == Keyword::kDecimal ? ListStyleType::kDecimal
                                                 : ListStyleType::kDisc;
      break;
    case PropertyId::kBorderSpacing:
      s.borderSpacing = inherit ? parent.borderSpacing
                                : int16_t(std::max(0.f, std::min(1000.f, ClampedPixels(LengthInPixels(v, em)))));
      break;
    case PropertyId::kTextIndent: s.textIndent = inherit ? parent.textIndent : ToLength(v, em); break;
    case PropertyId::kDirection: s.rtl = inherit ? parent.rtl : k == Keyword::kRtl; break;
    case PropertyId::kBackgroundAttachment:
      s.backgroundFixed = inherit ? parent.backgroundFixed : k == Keyword::kFixed;
      break;
    case PropertyId::kLetterSpacing:
    case PropertyId::kWordSpacing: {
      int16_t& field = d.property == PropertyId::kLetterSpacing ? s.letterSpacing : s.wordSpacing;
      const int16_t inherited = d.property == PropertyId::kLetterSpacing ? parent.letterSpacing : parent.wordSpacing;
      field = inherit                      ? inherited
              : v.kind == ValueKind::kLength ? int16_t(std::max(-1000.f, std::min(1000.f, ClampedPixels(LengthInPixels(v, em)))))
                                             : int16_t(0);
      break;
    }
    case PropertyId::kContent: break;  // read by the cascade of ::before and ::after
    case PropertyId::kTableLayout:
      s.tableLayout = inherit ? parent.tableLayout : k == Keyword::kFixed ? TableLayout::kFixed : TableLayout::kAuto;
      break;
    case PropertyId::kBorderCollapse:
      s.borderCollapse = inherit                     ? parent.borderCollapse
                         : k == Keyword::kCollapse ? BorderCollapse::kCollapse
                                                   : BorderCollapse::kSeparate;
      break;
    case PropertyId::kEmptyCells:
      s.emptyCells = inherit ? parent.emptyCells : k == Keyword::kHide ? EmptyCells::kHide : EmptyCells::kShow;
      break;
    case PropertyId::kCount: break;
  }
}

// The inherited properties of the parent, the initial values of the rest.
ComputedStyle InheritFrom(const ComputedStyle& parent) {
  ComputedStyle s;
  s.color = parent.color;
  s.font = parent.font;
  s.lineHeight = parent.lineHeight;
  s.textAlign = parent.textAlign;
  s.rtl = parent.rtl;
  s.letterSpacing = parent.letterSpacing;
  s.wordSpacing = parent.wordSpacing;
  s.whiteSpace = parent.whiteSpace;
  s.textTransform = parent.textTransform;
  s.visibility = parent.visibility;
  s.cursor = parent.cursor;
  s.listStyleType = parent.listStyleType;
  s.borderSpacing = parent.borderSpacing;
  s.borderCollapse = parent.borderCollapse;
  s.emptyCells = parent.emptyCells;
  s.textIndent = parent.textIndent;
  s.decorationsInEffect = parent.decorationsInEffect;
  return s;
}

// CSS 2.1 section 9.7: floats, absolutely positioned boxes and the root are
// block-level.
Display Blockified(Display d) {
  switch (d) {
    case Display::kInline:
    case Display::kInlineBlock:
    case Display::kTableRow:
    case Display::kTableRowGroup:
    case Display::kTableHeaderGroup:
    case Display::kTableFooterGroup:
    case Display::kTableColumn:
    case Display::kTableColumnGroup:
    case Display::kTableCaption:
    case Display::kTableCell:
      return Display::kBlock;
    case Display::kInlineTable:
      return Display::kTable;
    default:
      return d;
  }
}

void FixUp(ComputedStyle& s, const ComputedStyle& parent, bool isRoot) {
  if (s.display != Display::kNone) {
    if (isRoot) {
      s.display = Blockified(s.display);
      s.floatSide = FloatSide::kNone;
      if (s.position == Position::kRelative) s.position = Position::kStatic;
    }
    if (s.IsOutOfFlowPositioned()) {
      s.floatSide = FloatSide::kNone;
      s.inlineOrigin = s.display == Display::kInline || s.display == Display::kInlineBlock ||
                       s.display == Display::kInlineTable;
    }
    if (s.IsOutOfFlowPositioned() || s.IsFloating()) s.display = Blockified(s.display);
  }
  for (int side = 0; side < 4; ++side) {
    if (s.borderStyle[side] == BorderStyle::kNone || s.borderStyle[side] == BorderStyle::kHidden) {
      s.borderWidth[side] = 0;
    }
  }
  // overflow-x and overflow-y: visible next to anything else acts as auto.
  if (s.overflowX == Overflow::kVisible && s.overflowY != Overflow::kVisible) s.overflowX = Overflow::kAuto;
  if (s.overflowY == Overflow::kVisible && s.overflowX != Overflow::kVisible) s.overflowY = Overflow::kAuto;
  // Text decorations reach the text of descendants, but not into inline
  // blocks, floats and absolutely positioned boxes (CSS 2.1 section 16.3.1).
  bool atomic = s.display == Display::kInlineBlock || s.display == Display::kInlineTable || s.IsFloating() ||
                s.IsOutOfFlowPositioned();
  s.decorationsInEffect = uint8_t((atomic ? 0 : parent.decorationsInEffect) | s.textDecoration);
}

// Resolves url() values of a style attribute against the document.
void ResolveUrls(std::vector<Declaration>& declarations, const std::u16string& base) {
  for (Declaration& d : declarations) {
    if (d.value.kind == ValueKind::kUrl) d.value.text = Utf16ToUtf8(ResolveAddress(base, Utf8ToUtf16(d.value.text)));
  }
}

}  // namespace

void CollectPresentationalHints(const Node* element, const std::u16string& documentAddress,
                                std::vector<Declaration>* out, std::string* key) {
  HintCollector(element, out, key).Collect(documentAddress);
}

StyleContext::StyleContext() { SetAuthorSheets({}); }

void StyleContext::SetAuthorSheets(const std::vector<const StyleSheet*>& sheets) {
  rules_.Clear();
  rules_.AddStyleSheet(UserAgentStyleSheet(), Origin::kUserAgent);
  for (const StyleSheet* sheet : sheets) rules_.AddStyleSheet(*sheet, Origin::kAuthor);
  cache_.clear();
}

const ComputedStyle* StyleContext::Intern(const ComputedStyle& style) {
  size_t hash = HashStyle(style);
  auto range = byHash_.equal_range(hash);
  for (auto it = range.first; it != range.second; ++it) {
    if (*it->second == style) return it->second;
  }
  pool_.push_back(std::make_unique<ComputedStyle>(style));
  byHash_.emplace(hash, pool_.back().get());
  return pool_.back().get();
}

const ComputedStyle* StyleContext::InitialStyle() { return Intern(ComputedStyle()); }

const ComputedStyle* StyleContext::AnonymousStyle(const ComputedStyle* parentStyle, Display display) {
  auto key = std::make_pair(parentStyle, display);
  auto found = anonymous_.find(key);
  if (found != anonymous_.end()) return found->second;
  ComputedStyle s = InheritFrom(parentStyle ? *parentStyle : ComputedStyle());
  s.display = display;
  const ComputedStyle* result = Intern(s);
  anonymous_.emplace(key, result);
  return result;
}

namespace {

// Whether a rule's content value takes text from the element (attr()).
bool UsesAttributes(const StyleRule& rule) {
  bool uses = false;
  for (const Declaration& d : rule.declarations) {
    if (d.property != PropertyId::kContent || d.value.kind != ValueKind::kContent) continue;
    ForEachContentPart(d.value.text, [&uses](char tag, std::string_view) { uses = uses || tag == kContentAttribute; });
  }
  return uses;
}

// The text of a content value, attr() parts read from the element.
std::u16string ContentText(const CssValue& value, const Node* element) {
  std::u16string out;
  ForEachContentPart(value.text, [&](char tag, std::string_view part) {
    if (tag == kContentAttribute) {
      Atom name = FindAtom(part);
      const char16_t* attribute = name != kAtomNone ? element->attributes.Find(name) : nullptr;
      if (attribute != nullptr) out += attribute;
    } else {
      out += Utf8ToUtf16(part);
    }
  });
  return out;
}

// Makes the declarations of the matched rules of one origin and importance,
// for the element or one of its pseudo-elements, the winners so far (rules
// come in cascade order, so later ones win).
void ApplyMatchedRules(const std::vector<const RuleEntry*>& matched, PseudoElement pseudo, Origin origin,
                       bool important, const Declaration** winners) {
  for (const RuleEntry* e : matched) {
    if (e->origin != origin || e->selector->pseudo != pseudo) continue;
    for (const Declaration& d : e->rule->declarations) {
      if (d.important == important) winners[int(d.property)] = &d;
    }
  }
}

// The computed style of the declarations that won, over the parent's.
ComputedStyle ResolveWinners(const Declaration* const* winners, const ComputedStyle& parent, bool isRoot,
                             Host* host) {
  ComputedStyle s = InheritFrom(parent);
  ApplyFontSize(s, parent, winners[int(PropertyId::kFontSize)], host);
  // The font before the lengths in ex that depend on it; the colour before
  // the border colours that default to it.
  static const PropertyId kFirst[] = {PropertyId::kFontFamily, PropertyId::kFontWeight, PropertyId::kFontStyle,
                                      PropertyId::kColor};
  for (PropertyId p : kFirst) {
    if (winners[int(p)] != nullptr) ApplyDeclaration(s, parent, *winners[int(p)], host);
  }
  for (int i = 0; i < 4; ++i) s.borderColor[i] = s.color;
  // The initial border width is medium; FixUp makes it 0 where the style is
  // none or hidden (the initial style), so only a border with a style and no
  // width of its own keeps it.
  for (int i = 0; i < 4; ++i) s.borderWidth[i] = kMediumBorderPixels;
  for (int p = 0; p < kPropertyCount; ++p) {
    if (winners[p] == nullptr || std::find(std::begin(kFirst), std::end(kFirst), PropertyId(p)) != std::end(kFirst)) {
      continue;
    }
    ApplyDeclaration(s, parent, *winners[p], host);
  }
  FixUp(s, parent, isRoot);
  return s;
}

}  // namespace

const ComputedStyle* StyleContext::ComputeElementStyle(const Node* element, const ComputedStyle* parentStyle) {
  bool isRoot = parentStyle == nullptr;
  matched_.clear();
  rules_.CollectMatchingRules(element, &matched_);
  std::vector<Declaration>& hints = hints_;
  hints.clear();
  std::string& key = key_;
  key.clear();
  key.append(reinterpret_cast<const char*>(&parentStyle), sizeof parentStyle);
  bool pseudoRules = false, cacheable = true;
  for (const RuleEntry* entry : matched_) {
    key.append(reinterpret_cast<const char*>(&entry), sizeof entry);
    if (entry->selector->pseudo != PseudoElement::kNone) {
      pseudoRules = true;
      // Generated text from attributes differs per element.
      if (UsesAttributes(*entry->rule)) cacheable = false;
    }
  }
  key.push_back('|');
  static const std::u16string kNoAddress;
  const std::u16string& address = document_ != nullptr ? document_->url : kNoAddress;
  CollectPresentationalHints(element, address, &hints, &key);
  const char16_t* styleAttribute = element->attributes.Find(kAtomStyle);
  const std::string* runtime = nullptr;
  if (document_ != nullptr && !document_->runtimeStyles.empty()) {
    auto found = document_->runtimeStyles.find(element);
    if (found != document_->runtimeStyles.end()) runtime = &found->second;
  }
  key.push_back('|');
  if (styleAttribute != nullptr) {
    key.append(reinterpret_cast<const char*>(styleAttribute), std::char_traits<char16_t>::length(styleAttribute) * 2);
  }
  key.push_back('|');
  if (runtime != nullptr) key += *runtime;
  if (cacheable) {
    auto cached = cache_.find(key);
    if (cached != cache_.end()) return cached->second;
  }

  std::vector<Declaration> inlineDeclarations, runtimeDeclarations;
  if (styleAttribute != nullptr) {
    inlineDeclarations = ParseDeclarationList(Utf16ToUtf8(styleAttribute));
    ResolveUrls(inlineDeclarations, address);
  }
  if (runtime != nullptr) runtimeDeclarations = ParseDeclarationList(*runtime);

  // Winners in ascending precedence: later ones overwrite earlier ones.
  const Declaration* winners[kPropertyCount] = {};
  auto apply = [&winners](const std::vector<Declaration>& list, bool important) {
    for (const Declaration& d : list) {
      if (d.important == important) winners[int(d.property)] = &d;
    }
  };
  auto applyRules = [&](Origin origin, bool important) {
    ApplyMatchedRules(matched_, PseudoElement::kNone, origin, important, winners);
  };
  applyRules(Origin::kUserAgent, false);
  apply(hints, false);
  applyRules(Origin::kAuthor, false);
  apply(inlineDeclarations, false);
  applyRules(Origin::kUserAgent, true);
  applyRules(Origin::kAuthor, true);
  apply(inlineDeclarations, true);
  apply(runtimeDeclarations, false);
  apply(runtimeDeclarations, true);
  // Content applies to ::before and ::after only.
  winners[int(PropertyId::kContent)] = nullptr;

  ComputedStyle initialParent;
  const ComputedStyle& parent = parentStyle ? *parentStyle : initialParent;
  ComputedStyle s = ResolveWinners(winners, parent, isRoot, host_);
  const ComputedStyle* result = Intern(s);
  if (pseudoRules && s.display != Display::kNone) {
    // The generated boxes inherit from the element (the style without them:
    // the same inherited properties).
    const ComputedStyle* before = PseudoElementStyle(element, result, PseudoElement::kBefore);
    const ComputedStyle* after = PseudoElementStyle(element, result, PseudoElement::kAfter);
    if (before != nullptr || after != nullptr) {
      s.before = before;
      s.after = after;
      result = Intern(s);
    }
  }
  if (cacheable) cache_.emplace(key, result);
  return result;
}

const ComputedStyle* StyleContext::PseudoElementStyle(const Node* element, const ComputedStyle* elementStyle,
                                                      PseudoElement pseudo) {
  const Declaration* winners[kPropertyCount] = {};
  for (bool important : {false, true}) {
    for (Origin origin : {Origin::kUserAgent, Origin::kAuthor}) {
      ApplyMatchedRules(matched_, pseudo, origin, important, winners);
    }
  }
  // No content (normal, none, inherit of the element's normal): no box.
  const Declaration* content = winners[int(PropertyId::kContent)];
  if (content == nullptr || content->value.kind != ValueKind::kContent) return nullptr;
  winners[int(PropertyId::kContent)] = nullptr;
  ComputedStyle s = ResolveWinners(winners, *elementStyle, false, host_);
  if (s.display == Display::kNone) return nullptr;
  // Generated tables and table parts are not supported: they act as blocks.
  if (s.display != Display::kInline && s.display != Display::kInlineBlock && s.display != Display::kListItem) {
    s.display = Display::kBlock;
  }
  s.hasContent = true;
  s.content = ContentText(content->value, element);
  return Intern(s);
}

// --- restyle

namespace {

constexpr uint16_t kBoxPhaseBits = kDirtyBoxChildren | kDirtyBoxSelf | kDirtyLayout | kDirtyPaint;
constexpr uint16_t kStyleBits = kDirtyStyle | kDirtyStyleSubtree;

// Returns whether the node or a descendant now has work for the box phase.
bool RestyleNode(StyleContext& context, Node* node, const ComputedStyle* parentStyle, bool force) {
  if (node->IsText()) {
    if (node->style != parentStyle) {
      node->style = parentStyle;
      node->dirty |= kDirtyPaint;  // its box takes the new style; the parent decides about layout
    }
    node->dirty &= uint16_t(~kStyleBits);
    return (node->dirty & kBoxPhaseBits) != 0;
  }
  bool forceChildren = force || (node->dirty & kDirtyStyleSubtree) != 0;
  if (force || (node->dirty & kStyleBits) != 0) {
    const ComputedStyle* before = node->style;
    const ComputedStyle* after = context.ComputeElementStyle(node, parentStyle);
    node->style = after;
    switch (CompareStyles(before, after)) {
      case StyleChange::kBoxes: node->dirty |= kDirtyBoxSelf | kDirtyBoxChildren; break;
      case StyleChange::kLayout: node->dirty |= kDirtyLayout; break;
      case StyleChange::kPaint: node->dirty |= kDirtyPaint; break;
      case StyleChange::kNone: break;
    }
    if (before != after && (before == nullptr || InheritedPropertiesDiffer(*before, *after))) forceChildren = true;
  }
  node->dirty &= uint16_t(~kStyleBits);
  bool below = false;
  if (forceChildren || (node->dirty & kDirtyDescendant) != 0) {
    for (Node* child : node->children) {
      if (forceChildren || child->dirty != 0 || (child->IsText() && child->style != node->style)) {
        below = RestyleNode(context, child, node->style, forceChildren) || below;
      }
    }
  }
  if (below) node->dirty |= kDirtyDescendant;
  return below || (node->dirty & kBoxPhaseBits) != 0;
}

}  // namespace

void RestyleTree(StyleContext& context, Node* root) {
  if (root == nullptr) return;
  const ComputedStyle* parentStyle = root->parent != nullptr ? root->parent->style : nullptr;
  RestyleNode(context, root, parentStyle, false);
}

}  // namespace engine
