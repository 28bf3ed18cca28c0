// GDI painter for the display list. Colours carry alpha: opaque fills use the
// DC brush, translucent ones and pictures are blended with AlphaBlend (opaque
// pictures at their own size are copied).
#include "ui/engine/win32/painter.h"

#include <algorithm>
#include <vector>

#include "ui/engine/win32/font_cache.h"

namespace win32host {
namespace {

using engine::Color;
using engine::DisplayItem;

COLORREF ToColorRef(Color c) { return RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF); }

RECT ToRect(const engine::Rect& r) { return RECT{r.x, r.y, r.x + r.width, r.y + r.height}; }

bool Meets(const RECT& a, const RECT& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

// Clip regions are in device units: the DC may draw with its origin moved.
void SetClip(HDC dc, const RECT& clip) {
  RECT device = clip;
  LPtoDP(dc, reinterpret_cast<POINT*>(&device), 2);
  HRGN region = CreateRectRgnIndirect(&device);
  SelectClipRgn(dc, region);
  DeleteObject(region);
}

void Blend(HDC dc, int x, int y, int width, int height, HBITMAP bitmap, int sourceWidth, int sourceHeight,
           bool opaque = false) {
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(memory, bitmap);
  if (opaque && width == sourceWidth && height == sourceHeight) {
    BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);  // nothing to blend
  } else {
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    // GDI's own export of AlphaBlend: no msimg32 to load at start.
    GdiAlphaBlend(dc, x, y, width, height, memory, 0, 0, sourceWidth, sourceHeight, blend);
  }
  SelectObject(memory, old);
  DeleteDC(memory);
}

void Fill(HDC dc, const RECT& rect, Color color) {
  int alpha = engine::ColorAlpha(color);
  if (alpha == 0 || rect.right <= rect.left || rect.bottom <= rect.top) return;
  if (alpha == 255) {
    SetDCBrushColor(dc, ToColorRef(color));
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return;
  }
  // A one-pixel premultiplied picture of the colour, stretched and blended.
  static HBITMAP pixel = nullptr;
  static uint32_t* bits = nullptr;
  if (pixel == nullptr) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 1, -1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    pixel = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
    if (pixel == nullptr) return;
  }
  uint32_t r = ((color >> 16) & 0xFF) * alpha / 255;
  uint32_t g = ((color >> 8) & 0xFF) * alpha / 255;
  uint32_t b = (color & 0xFF) * alpha / 255;
  GdiFlush();
  *bits = (uint32_t(alpha) << 24) | (r << 16) | (g << 8) | b;
  Blend(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, pixel, 1, 1);
}

Color Shade(Color c, int percent) {
  auto channel = [&](int shift) {
    int v = static_cast<int>((c >> shift) & 0xFF) * percent / 100;
    return static_cast<uint32_t>(std::min(255, v)) << shift;
  };
  return (c & 0xFF000000u) | channel(16) | channel(8) | channel(0);
}

// One side of a border, as a run of rectangles along it: whole for solid,
// dashes or dots for dashed and dotted, two thin lines for double.
void BorderSide(HDC dc, RECT side, bool horizontal, engine::BorderStyle style, Color color, int width) {
  using engine::BorderStyle;
  switch (style) {
    case BorderStyle::kDashed:
    case BorderStyle::kDotted: {
      int dash = style == BorderStyle::kDotted ? width : std::max(3, width * 3);
      int start = horizontal ? side.left : side.top;
      int end = horizontal ? side.right : side.bottom;
      for (int at = start; at < end; at += dash * 2) {
        RECT piece = side;
        if (horizontal) {
          piece.left = at;
          piece.right = std::min(end, at + dash);
        } else {
          piece.top = at;
          piece.bottom = std::min(end, at + dash);
        }
        Fill(dc, piece, color);
      }
      return;
    }
    case BorderStyle::kDouble:
      if (width >= 3) {
        int line = width / 3;
        RECT outer = side, inner = side;
        if (horizontal) {
          outer.bottom = outer.top + line;
          inner.top = inner.bottom - line;
        } else {
          outer.right = outer.left + line;
          inner.left = inner.right - line;
        }
        Fill(dc, outer, color);
        Fill(dc, inner, color);
        return;
      }
      Fill(dc, side, color);
      return;
    default:
      Fill(dc, side, color);
      return;
  }
}

void PaintBorder(HDC dc, const DisplayItem& item) {
  using engine::BorderStyle;
  RECT box = ToRect(item.rect);
  // top, right, bottom, left
  const int w[4] = {item.borderWidths[0], item.borderWidths[1], item.borderWidths[2], item.borderWidths[3]};
  RECT sides[4] = {
      {box.left, box.top, box.right, box.top + w[0]},
      {box.right - w[1], box.top + w[0], box.right, box.bottom - w[2]},
      {box.left, box.bottom - w[2], box.right, box.bottom},
      {box.left, box.top + w[0], box.left + w[3], box.bottom - w[2]},
  };
  for (int i = 0; i < 4; ++i) {
    BorderStyle style = item.borderStyles[i];
    if (w[i] <= 0 || style == BorderStyle::kNone || style == BorderStyle::kHidden) continue;
    Color color = item.borderColors[i];
    bool topLeft = i == 0 || i == 3;
    // Three-dimensional styles: the lit and the shaded sides.
    if (style == BorderStyle::kInset || style == BorderStyle::kGroove) color = Shade(color, topLeft ? 60 : 140);
    if (style == BorderStyle::kOutset || style == BorderStyle::kRidge) color = Shade(color, topLeft ? 140 : 60);
    BorderSide(dc, sides[i], i == 0 || i == 2, style, color, w[i]);
  }
}

void PaintText(HDC dc, const DisplayItem& item) {
  if (engine::ColorAlpha(item.color) == 0 || item.text.empty()) return;
  HGDIOBJ old = SelectObject(dc, FontFor(item.font));
  SetTextColor(dc, ToColorRef(item.color));
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE | TA_LEFT | TA_NOUPDATECP);
  const auto* text = reinterpret_cast<const wchar_t*>(item.text.data());
  // letter-spacing: GDI adds it after each character, as layout counted.
  if (item.letterSpacing != 0) SetTextCharacterExtra(dc, item.letterSpacing);
  ExtTextOutW(dc, item.origin.x, item.origin.y, 0, nullptr, text, static_cast<UINT>(item.text.size()), nullptr);
  if (item.letterSpacing != 0) SetTextCharacterExtra(dc, 0);
  SelectObject(dc, old);
  if (item.decorations == 0) return;
  engine::FontMetrics metrics = MetricsFor(item.font);
  int thickness = std::max(1, item.font.size / 14);
  int left = item.origin.x;
  int right = item.origin.x + MeasureText(item.font, text, item.text.size()) +
              item.letterSpacing * static_cast<int>(item.text.size());
  auto line = [&](int y) { Fill(dc, RECT{left, y, right, y + thickness}, item.color); };
  if (item.decorations & engine::kDecorationUnderline) line(item.origin.y + std::max(1, metrics.descent / 3));
  if (item.decorations & engine::kDecorationLineThrough) line(item.origin.y - metrics.ascent * 3 / 10);
  if (item.decorations & engine::kDecorationOverline) line(item.origin.y - metrics.ascent);
}

void PaintImage(HDC dc, const DisplayItem& item, const RECT& clip, const PictureLookup& pictures) {
  const Picture* picture = pictures ? pictures(item.url) : nullptr;
  if (picture == nullptr || picture->bitmap == nullptr) return;
  int tileWidth = item.tileSize.width > 0 ? item.tileSize.width : picture->width;
  int tileHeight = item.tileSize.height > 0 ? item.tileSize.height : picture->height;
  if (tileWidth <= 0 || tileHeight <= 0) return;
  RECT area = Intersect(ToRect(item.rect), clip);
  if (area.right <= area.left || area.bottom <= area.top) return;
  SetClip(dc, area);
  bool repeatX = item.repeat == engine::ImageRepeat::kRepeat || item.repeat == engine::ImageRepeat::kRepeatX;
  bool repeatY = item.repeat == engine::ImageRepeat::kRepeat || item.repeat == engine::ImageRepeat::kRepeatY;
  int x0 = item.tileOrigin.x, y0 = item.tileOrigin.y;
  // Tiles start at the first one that reaches into the area.
  if (repeatX) x0 -= ((x0 - area.left + tileWidth - 1) / tileWidth) * tileWidth;
  if (repeatY) y0 -= ((y0 - area.top + tileHeight - 1) / tileHeight) * tileHeight;
  int tiles = 0;
  for (int y = y0; y < area.bottom && tiles < 20000; y += tileHeight) {
    for (int x = x0; x < area.right && tiles < 20000; x += tileWidth, ++tiles) {
      if (x + tileWidth > area.left && y + tileHeight > area.top) {
        Blend(dc, x, y, tileWidth, tileHeight, picture->bitmap, picture->width, picture->height, picture->opaque);
      }
      if (!repeatX) break;
    }
    if (!repeatY) break;
  }
  SetClip(dc, clip);
}

void PaintScrollBar(HDC dc, const DisplayItem& item) {
  engine::ScrollBarParts parts =
      engine::ScrollBarPartsOf(item.rect, item.position, item.maxPosition, item.page);
  RECT track = ToRect(item.rect);
  Fill(dc, track, engine::MakeColor(0xEA, 0xEA, 0xEA));
  RECT up = ToRect(parts.upArrow), down = ToRect(parts.downArrow), thumb = ToRect(parts.thumb);
  auto pushed = [&](engine::ScrollBarPart part) {
    return item.pressed && item.hotPart == part ? DFCS_PUSHED : 0;
  };
  DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | pushed(engine::ScrollBarPart::kUpArrow));
  DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | pushed(engine::ScrollBarPart::kDownArrow));
  if (thumb.bottom > thumb.top) {
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
  }
}

}  // namespace

void PaintDisplayList(HDC dc, const engine::DisplayList& list, const RECT& area,
                      const PictureLookup& pictures) {
  int saved = SaveDC(dc);
  std::vector<RECT> clips{area};
  SetClip(dc, area);
  for (const DisplayItem& item : list.items) {
    const RECT& clip = clips.back();
    switch (item.op) {
      case engine::DisplayOp::kPushClip:
        clips.push_back(Intersect(clip, ToRect(item.rect)));
        SetClip(dc, clips.back());
        continue;
      case engine::DisplayOp::kPopClip:
        if (clips.size() > 1) clips.pop_back();
        SetClip(dc, clips.back());
        continue;
      default: break;
    }
    // Text may reach past its box (italic overhang): widen its test a little.
    RECT bounds = ToRect(item.rect);
    if (item.op == engine::DisplayOp::kText) InflateRect(&bounds, item.font.size / 2 + 2, 2);
    if (!Meets(bounds, clip)) continue;
    switch (item.op) {
      case engine::DisplayOp::kFillRect: Fill(dc, ToRect(item.rect), item.color); break;
      case engine::DisplayOp::kBorder: PaintBorder(dc, item); break;
      case engine::DisplayOp::kText: PaintText(dc, item); break;
      case engine::DisplayOp::kImage: PaintImage(dc, item, clip, pictures); break;
      case engine::DisplayOp::kScrollBar: PaintScrollBar(dc, item); break;
      default: break;
    }
  }
  RestoreDC(dc, saved);
}

}  // namespace win32host
