// The test host.
#include "tests/engine/stub_host.h"

namespace engine {

namespace {

const char16_t kWindows1251High[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0xFFFD, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

}  // namespace

char16_t Windows1251ToUtf16(unsigned char byte) {
  if (byte < 0x80) return byte;
  if (byte >= 0xC0) return char16_t(0x0410 + (byte - 0xC0));
  return kWindows1251High[byte - 0x80];
}

FontMetrics StubHost::GetFontMetrics(const FontDesc& font) {
  FontMetrics m;
  m.descent = font.size / 4;
  m.ascent = font.size - m.descent;
  m.lineGap = font.size / 8;
  if (font.family == "TallX") m.xHeight = float(font.size) * 4.f / 5.f;
  return m;
}

int StubHost::MeasureText(const FontDesc& font, const char16_t* text, size_t length) {
  (void)text;
  ++measureCalls;
  int advance = (font.size + 1) / 2 + (font.weight >= 600 ? 1 : 0);
  return int(length) * advance;
}

bool StubHost::GetImageSize(const std::u16string& url, Size* size) {
  auto found = images_.find(url);
  if (found == images_.end()) return false;
  *size = found->second;
  return true;
}

void StubHost::RequestResource(const std::u16string& url, ResourceKind kind) { requests.emplace_back(url, kind); }

std::u16string StubHost::DecodeCodePage(const char* bytes, size_t length) {
  std::u16string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) out.push_back(Windows1251ToUtf16(static_cast<unsigned char>(bytes[i])));
  return out;
}

}  // namespace engine
