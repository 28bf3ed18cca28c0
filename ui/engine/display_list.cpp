// Display list helpers: comparison, scroll bar geometry, text dump, damage.
#include "ui/engine/display_list.h"

#include <algorithm>
#include <cstdio>

#include "ui/engine/text.h"

namespace engine {

bool DisplayItem::operator==(const DisplayItem& o) const {
  if (op != o.op || rect != o.rect) return false;
  switch (op) {
    case DisplayOp::kFillRect:
      return color == o.color;
    case DisplayOp::kBorder:
      for (int i = 0; i < 4; ++i) {
        if (borderWidths[i] != o.borderWidths[i] || borderStyles[i] != o.borderStyles[i] ||
            borderColors[i] != o.borderColors[i]) {
          return false;
        }
      }
      return true;
    case DisplayOp::kText:
      return color == o.color && origin.x == o.origin.x && origin.y == o.origin.y && decorations == o.decorations &&
             letterSpacing == o.letterSpacing &&
             font == o.font && text == o.text;
    case DisplayOp::kImage:
      return url == o.url && tileOrigin.x == o.tileOrigin.x && tileOrigin.y == o.tileOrigin.y &&
             tileSize.width == o.tileSize.width && tileSize.height == o.tileSize.height && repeat == o.repeat;
    case DisplayOp::kPushClip:
    case DisplayOp::kPopClip:
      return true;
    case DisplayOp::kScrollBar:
      return position == o.position && maxPosition == o.maxPosition && page == o.page && hotPart == o.hotPart &&
             pressed == o.pressed;
  }
  return true;
}

ScrollBarParts ScrollBarPartsOf(const Rect& bar, int position, int maxPosition, int page) {
  ScrollBarParts parts;
  int arrow = std::min(bar.width, bar.height / 2);
  parts.upArrow = Rect{bar.x, bar.y, bar.width, arrow};
  parts.downArrow = Rect{bar.x, bar.Bottom() - arrow, bar.width, arrow};
  parts.track = Rect{bar.x, bar.y + arrow, bar.width, std::max(0, bar.height - 2 * arrow)};
  int track = parts.track.height;
  int content = page + std::max(0, maxPosition);
  int thumb = content > 0 ? int(int64_t(track) * page / content) : track;
  thumb = std::min(track, std::max(thumb, std::min(track, std::max(8, bar.width / 2))));
  int offset = maxPosition > 0 ? int(int64_t(track - thumb) * std::min(position, maxPosition) / maxPosition) : 0;
  parts.thumb = Rect{bar.x, parts.track.y + offset, bar.width, maxPosition > 0 ? thumb : 0};
  return parts;
}

ScrollBarPart ScrollBarPartAt(const ScrollBarParts& parts, Point p) {
  if (parts.upArrow.Contains(p)) return ScrollBarPart::kUpArrow;
  if (parts.downArrow.Contains(p)) return ScrollBarPart::kDownArrow;
  if (parts.thumb.Contains(p)) return ScrollBarPart::kThumb;
  if (parts.track.Contains(p)) return p.y < parts.thumb.y ? ScrollBarPart::kTrackAbove : ScrollBarPart::kTrackBelow;
  return ScrollBarPart::kNone;
}

std::string FormatColor(Color color) {
  char buffer[16];
  if (ColorAlpha(color) == 255) {
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x", ColorRed(color), ColorGreen(color), ColorBlue(color));
  } else {
    std::snprintf(buffer, sizeof buffer, "#%02x%02x%02x%02x", ColorAlpha(color), ColorRed(color), ColorGreen(color),
                  ColorBlue(color));
  }
  return buffer;
}

namespace {

std::string FormatRect(const Rect& r) {
  return std::to_string(r.x) + "," + std::to_string(r.y) + " " + std::to_string(r.width) + "x" +
         std::to_string(r.height);
}

const char* BorderStyleName(BorderStyle s) {
  switch (s) {
    case BorderStyle::kNone: return "none";
    case BorderStyle::kHidden: return "hidden";
    case BorderStyle::kDotted: return "dotted";
    case BorderStyle::kDashed: return "dashed";
    case BorderStyle::kSolid: return "solid";
    case BorderStyle::kDouble: return "double";
    case BorderStyle::kGroove: return "groove";
    case BorderStyle::kRidge: return "ridge";
    case BorderStyle::kInset: return "inset";
    case BorderStyle::kOutset: return "outset";
  }
  return "?";
}

const char* RepeatName(ImageRepeat r) {
  switch (r) {
    case ImageRepeat::kRepeat: return "repeat";
    case ImageRepeat::kNoRepeat: return "no-repeat";
    case ImageRepeat::kRepeatX: return "repeat-x";
    case ImageRepeat::kRepeatY: return "repeat-y";
  }
  return "?";
}

std::string Quoted(const std::u16string& text) {
  std::string out = "\"";
  for (char c : Utf16ToUtf8(text)) {
    if (c == '"' || c == '\\') out.push_back('\\');
    out.push_back(c);
  }
  return out + "\"";
}

std::string DescribeFont(const FontDesc& font) {
  std::string out = "\"" + font.family + "\" " + std::to_string(font.size) + "px";
  if (font.weight != 400) out += " w" + std::to_string(font.weight);
  if (font.italic) out += " italic";
  return out;
}

}  // namespace

std::string DumpDisplayList(const DisplayList& list) {
  std::string out;
  int depth = 0;
  for (const DisplayItem& item : list.items) {
    if (item.op == DisplayOp::kPopClip && depth > 0) --depth;
    out.append(size_t(depth) * 2, ' ');
    switch (item.op) {
      case DisplayOp::kFillRect:
        out += "fill " + FormatRect(item.rect) + " " + FormatColor(item.color);
        break;
      case DisplayOp::kBorder: {
        out += "border " + FormatRect(item.rect);
        bool same = true;
        for (int i = 1; i < 4; ++i) {
          same = same && item.borderWidths[i] == item.borderWidths[0] &&
                 item.borderStyles[i] == item.borderStyles[0] && item.borderColors[i] == item.borderColors[0];
        }
        static const char* const kSides[4] = {"top", "right", "bottom", "left"};
        for (int i = 0; i < (same ? 1 : 4); ++i) {
          out += " ";
          if (!same) out += std::string(kSides[i]) + "=";
          out += std::to_string(item.borderWidths[i]) + " " + BorderStyleName(item.borderStyles[i]) + " " +
                 FormatColor(item.borderColors[i]);
        }
        break;
      }
      case DisplayOp::kText:
        out += "text " + std::to_string(item.origin.x) + "," + std::to_string(item.origin.y) + " " +
               Quoted(item.text) + " " + DescribeFont(item.font) + " " + FormatColor(item.color);
        if (item.letterSpacing != 0) out += " letter-spacing=" + std::to_string(item.letterSpacing);
        if (item.decorations & kDecorationUnderline) out += " underline";
        if (item.decorations & kDecorationOverline) out += " overline";
        if (item.decorations & kDecorationLineThrough) out += " line-through";
        break;
      case DisplayOp::kImage:
        out += "image " + FormatRect(item.rect) + " " + Quoted(item.url) + " " + RepeatName(item.repeat);
        if (item.repeat != ImageRepeat::kNoRepeat || item.tileOrigin.x != item.rect.x ||
            item.tileOrigin.y != item.rect.y || item.tileSize.width != item.rect.width ||
            item.tileSize.height != item.rect.height) {
          out += " tile " + FormatRect(Rect{item.tileOrigin.x, item.tileOrigin.y, item.tileSize.width,
                                            item.tileSize.height});
        }
        break;
      case DisplayOp::kPushClip:
        out += "clip " + FormatRect(item.rect);
        ++depth;
        break;
      case DisplayOp::kPopClip:
        out += "unclip";
        break;
      case DisplayOp::kScrollBar:
        out += "scrollbar " + FormatRect(item.rect) + " position=" + std::to_string(item.position) +
               " max=" + std::to_string(item.maxPosition) + " page=" + std::to_string(item.page);
        if (item.hotPart != ScrollBarPart::kNone) out += " hot=" + std::to_string(int(item.hotPart));
        if (item.pressed) out += " pressed";
        break;
    }
    out.push_back('\n');
  }
  return out;
}

namespace {

// The rectangles items cover, clipped as drawn.
std::vector<Rect> ItemBounds(const DisplayList& list) {
  std::vector<Rect> bounds;
  bounds.reserve(list.items.size());
  std::vector<Rect> clips;
  for (const DisplayItem& item : list.items) {
    Rect r = item.rect;
    if (item.op == DisplayOp::kPushClip) {
      clips.push_back(item.rect);
    } else if (item.op == DisplayOp::kPopClip) {
      if (!clips.empty()) clips.pop_back();
      r = Rect{};
    }
    if (!clips.empty() && item.op != DisplayOp::kPushClip) r = Intersection(r, clips.back());
    bounds.push_back(r);
  }
  return bounds;
}

}  // namespace

Rect DamagedArea(const DisplayList& before, const DisplayList& after) {
  size_t a = before.items.size(), b = after.items.size();
  size_t prefix = 0;
  while (prefix < a && prefix < b && before.items[prefix] == after.items[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < a - prefix && suffix < b - prefix && before.items[a - 1 - suffix] == after.items[b - 1 - suffix]) {
    ++suffix;
  }
  Rect damage;
  std::vector<Rect> beforeBounds = ItemBounds(before), afterBounds = ItemBounds(after);
  for (size_t i = prefix; i < a - suffix; ++i) damage = Union(damage, beforeBounds[i]);
  for (size_t i = prefix; i < b - suffix; ++i) damage = Union(damage, afterBounds[i]);
  return damage;
}

}  // namespace engine
