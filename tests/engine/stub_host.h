// A host for tests, the fuzz targets and the benchmark: fixed fake font
// metrics, pictures whose sizes the test declares, resource requests
// recorded instead of loaded, and a windows-1251 table as the code page.
//
// Metrics for a font of size s pixels (any family):
//   descent = s / 4, ascent = s - descent, line gap = s / 8 (so the normal
//   line height of 16px text is 18, of 13px text 14);
//   every UTF-16 unit advances (s + 1) / 2, one more when bold (weight >= 600);
//   no x-height (ex is half the size), except for the family "TallX", whose
//   x-height is 4/5 of the size.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ui/engine/host.h"

namespace engine {

class StubHost : public Host {
 public:
  FontMetrics GetFontMetrics(const FontDesc& font) override;
  int MeasureText(const FontDesc& font, const char16_t* text, size_t length) override;
  bool GetImageSize(const std::u16string& url, Size* size) override;
  void RequestResource(const std::u16string& url, ResourceKind kind) override;
  std::u16string DecodeCodePage(const char* bytes, size_t length) override;

  // Declares a picture as loaded with this size.
  void SetImage(const std::u16string& url, Size size) { images_[url] = size; }

  std::vector<std::pair<std::u16string, ResourceKind>> requests;
  int measureCalls = 0;

 private:
  std::map<std::u16string, Size> images_;
};

// windows-1251 byte to UTF-16 (what the Win32 host gets from the system on a
// Russian Windows).
char16_t Windows1251ToUtf16(unsigned char byte);

}  // namespace engine
