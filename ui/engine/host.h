// The host boundary: everything the portable engine asks of the platform.
// The Win32 host implements it with GDI fonts, WIC pictures and WinInet; the
// tests implement it with fixed fake metrics (tests/engine/stub_host.h).
//
// The engine calls the host only from the thread that drives the view. It
// never paints: the host interprets the display list (display_list.h).
#pragma once

#include <cstddef>
#include <string>

#include "ui/engine/geometry.h"

namespace engine {

// A font as the style sheet asks for it. `family` is the CSS font-family list
// as written ("Tahoma, Arial, sans-serif"); the host picks the first it has.
struct FontDesc {
  std::string family;
  int size = 16;  // pixels (em box height)
  int weight = 400;
  bool italic = false;

  bool operator==(const FontDesc& o) const {
    return size == o.size && weight == o.weight && italic == o.italic && family == o.family;
  }
  bool operator!=(const FontDesc& o) const { return !(*this == o); }
};

struct FontMetrics {
  int ascent = 0;   // pixels above the baseline
  int descent = 0;  // pixels below the baseline
  int lineGap = 0;  // extra leading the font recommends; normal line height = sum of the three
  float xHeight = 0;  // height of lower-case letters (the ex unit); 0: unknown, half the size
};

enum class ResourceKind : unsigned char { kStyleSheet, kImage };

class Host {
 public:
  virtual ~Host() = default;

  virtual FontMetrics GetFontMetrics(const FontDesc& font) = 0;
  // Advance width in pixels of `length` UTF-16 units drawn in `font`.
  virtual int MeasureText(const FontDesc& font, const char16_t* text, size_t length) = 0;
  // Natural size of a picture that has finished loading; false while it is
  // unknown (not requested, loading, or failed).
  virtual bool GetImageSize(const std::u16string& url, Size* size) = 0;
  // Starts loading a linked style sheet or a picture by its resolved address
  // (a file path or an http:// address). The host answers once, now or later,
  // with DeliverStyleSheet or DeliverImage (view.h). Asked once per address
  // and document.
  virtual void RequestResource(const std::u16string& url, ResourceKind kind) = 0;
  // Text in the system's 8-bit code page as UTF-16: for documents and style
  // sheets that declare windows-1251 or are not valid UTF-8.
  virtual std::u16string DecodeCodePage(const char* bytes, size_t length) = 0;
};

}  // namespace engine
