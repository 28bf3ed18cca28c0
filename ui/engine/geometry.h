// Integer geometry shared by every stage of the engine: points, sizes,
// rectangles and four-sided edges, all in CSS pixels (device pixels: the
// engine draws at 96 dpi and does not scale).
#pragma once

#include <algorithm>
#include <cstdint>

namespace engine {

struct Point {
  int x = 0;
  int y = 0;
};

struct Size {
  int width = 0;
  int height = 0;
};

struct Rect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;

  int Right() const { return x + width; }
  int Bottom() const { return y + height; }
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  bool Contains(Point p) const { return p.x >= x && p.x < Right() && p.y >= y && p.y < Bottom(); }
  bool operator==(const Rect& o) const {
    return x == o.x && y == o.y && width == o.width && height == o.height;
  }
  bool operator!=(const Rect& o) const { return !(*this == o); }
};

inline Rect Translated(Rect r, int dx, int dy) { return Rect{r.x + dx, r.y + dy, r.width, r.height}; }

inline Rect Intersection(Rect a, Rect b) {
  int left = std::max(a.x, b.x);
  int top = std::max(a.y, b.y);
  int right = std::min(a.Right(), b.Right());
  int bottom = std::min(a.Bottom(), b.Bottom());
  if (right <= left || bottom <= top) return Rect{left, top, 0, 0};
  return Rect{left, top, right - left, bottom - top};
}

// The smallest rectangle holding both; an empty rectangle adds nothing.
inline Rect Union(Rect a, Rect b) {
  if (a.IsEmpty()) return b;
  if (b.IsEmpty()) return a;
  int left = std::min(a.x, b.x);
  int top = std::min(a.y, b.y);
  int right = std::max(a.Right(), b.Right());
  int bottom = std::max(a.Bottom(), b.Bottom());
  return Rect{left, top, right - left, bottom - top};
}

inline bool Intersects(Rect a, Rect b) { return !Intersection(a, b).IsEmpty(); }

struct Edges {
  int top = 0;
  int right = 0;
  int bottom = 0;
  int left = 0;

  int Horizontal() const { return left + right; }
  int Vertical() const { return top + bottom; }
  bool operator==(const Edges& o) const {
    return top == o.top && right == o.right && bottom == o.bottom && left == o.left;
  }
};

// 0xAARRGGBB; alpha 0 is transparent (nothing drawn), 255 opaque.
using Color = uint32_t;
constexpr Color kTransparent = 0;
constexpr Color MakeColor(int r, int g, int b, int a = 255) {
  return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | uint32_t(b);
}
inline int ColorAlpha(Color c) { return int(c >> 24); }
inline int ColorRed(Color c) { return int((c >> 16) & 0xff); }
inline int ColorGreen(Color c) { return int((c >> 8) & 0xff); }
inline int ColorBlue(Color c) { return int(c & 0xff); }

}  // namespace engine
