// Font cache: description -> HFONT, family list -> installed face. Fonts live
// until the process ends; a screen uses a handful.
#include "ui/engine/win32/font_cache.h"

#include <map>
#include <string>
#include <tuple>
#include <unordered_map>

namespace win32host {
namespace {

// Layout measures the same words again whenever it runs (a screen being
// filled runs it several times): widths are kept per font, up to a bound.
constexpr size_t kMaxKeptWidths = 4096;

struct CachedFont {
  HFONT font = nullptr;
  engine::FontMetrics metrics;
  bool haveMetrics = false;
  std::unordered_map<std::wstring, int> widths;
};

struct FontKey {
  std::string family;
  int size;
  int weight;
  bool italic;
  bool operator<(const FontKey& o) const {
    return std::tie(family, size, weight, italic) < std::tie(o.family, o.size, o.weight, o.italic);
  }
};

std::map<FontKey, CachedFont> gFonts;
std::unordered_map<std::wstring, bool> gFaceInstalled;
HDC gMeasureDc = nullptr;

HFONT gSelected = nullptr;  // the font selected into the measuring DC

HDC MeasureDc() {
  if (gMeasureDc == nullptr) gMeasureDc = CreateCompatibleDC(nullptr);
  return gMeasureDc;
}

// The measuring DC with the font selected; it stays selected for the next
// measure, which is most often in the same font.
HDC MeasureDcWith(HFONT font) {
  HDC dc = MeasureDc();
  if (gSelected != font) {
    SelectObject(dc, font);
    gSelected = font;
  }
  return dc;
}

int CALLBACK NoteFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

bool FaceInstalled(const std::wstring& face) {
  auto known = gFaceInstalled.find(face);
  if (known != gFaceInstalled.end()) return known->second;
  LOGFONTW query = {};
  query.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(query.lfFaceName, face.c_str(), LF_FACESIZE);
  bool found = false;
  EnumFontFamiliesExW(MeasureDc(), &query, NoteFace, reinterpret_cast<LPARAM>(&found), 0);
  gFaceInstalled[face] = found;
  return found;
}

std::wstring DefaultFace() {
  static std::wstring face;
  if (face.empty()) {
    LOGFONTW font = {};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    face = font.lfFaceName[0] != L'\0' ? font.lfFaceName : L"Tahoma";
  }
  return face;
}

std::wstring Widen(const std::string& utf8) {
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

std::wstring GenericFace(const std::wstring& family) {
  if (_wcsicmp(family.c_str(), L"serif") == 0) return L"Times New Roman";
  if (_wcsicmp(family.c_str(), L"sans-serif") == 0) return L"Arial";
  if (_wcsicmp(family.c_str(), L"monospace") == 0) return L"Courier New";
  if (_wcsicmp(family.c_str(), L"cursive") == 0) return L"Comic Sans MS";
  if (_wcsicmp(family.c_str(), L"fantasy") == 0) return L"Impact";
  return family;
}

std::wstring ResolveFace(const std::string& familyList) {
  std::wstring list = Widen(familyList);
  size_t start = 0;
  while (start <= list.size()) {
    size_t comma = list.find(L',', start);
    std::wstring name = list.substr(start, comma == std::wstring::npos ? std::wstring::npos : comma - start);
    size_t first = name.find_first_not_of(L" \t\"'");
    size_t last = name.find_last_not_of(L" \t\"'");
    if (first != std::wstring::npos) {
      std::wstring face = GenericFace(name.substr(first, last - first + 1));
      if (face.size() < LF_FACESIZE && FaceInstalled(face)) return face;
    }
    if (comma == std::wstring::npos) break;
    start = comma + 1;
  }
  return DefaultFace();
}

// The x-height of the font selected into `dc` whose em is `size` pixels: the
// font's own figure (OS/2 table, version 2 and later), else the top of its
// 'x'; 0 when it has neither (a bitmap font).
float XHeight(HDC dc, int size) {
  constexpr DWORD kOs2Tag = 0x322F534F;  // "OS/2" as GetFontData takes it
  constexpr DWORD kXHeightOffset = 86;
  unsigned char os2[kXHeightOffset + 2];
  OUTLINETEXTMETRICW otm = {};
  otm.otmSize = sizeof otm;
  if (GetFontData(dc, kOs2Tag, 0, os2, sizeof os2) == sizeof os2 && ((os2[0] << 8) | os2[1]) >= 2 &&
      GetOutlineTextMetricsW(dc, sizeof otm, &otm) != 0 && otm.otmEMSquare > 0) {
    int units = static_cast<int16_t>((os2[kXHeightOffset] << 8) | os2[kXHeightOffset + 1]);
    if (units > 0 && units <= static_cast<int>(otm.otmEMSquare)) {
      return static_cast<float>(units) * static_cast<float>(size) / static_cast<float>(otm.otmEMSquare);
    }
  }
  GLYPHMETRICS glyph = {};
  const MAT2 identity = {{0, 1}, {0, 0}, {0, 0}, {0, 1}};
  if (GetGlyphOutlineW(dc, L'x', GGO_METRICS, &glyph, 0, nullptr, &identity) != GDI_ERROR &&
      glyph.gmptGlyphOrigin.y > 0 && glyph.gmptGlyphOrigin.y <= size) {
    return static_cast<float>(glyph.gmptGlyphOrigin.y);
  }
  return 0;
}

CachedFont& Cached(const engine::FontDesc& desc) {
  FontKey key{desc.family, desc.size, desc.weight, desc.italic};
  CachedFont& cached = gFonts[key];
  if (cached.font == nullptr) {
    std::wstring face = ResolveFace(desc.family);
    cached.font = CreateFontW(-(desc.size > 0 ? desc.size : 1), 0, 0, 0, desc.weight, desc.italic, FALSE,
                              FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              ANTIALIASED_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face.c_str());
  }
  return cached;
}

}  // namespace

HFONT FontFor(const engine::FontDesc& font) { return Cached(font).font; }

engine::FontMetrics MetricsFor(const engine::FontDesc& font) {
  CachedFont& cached = Cached(font);
  if (!cached.haveMetrics) {
    HDC dc = MeasureDcWith(cached.font);
    TEXTMETRICW tm = {};
    GetTextMetricsW(dc, &tm);
    cached.metrics.ascent = tm.tmAscent;
    cached.metrics.descent = tm.tmDescent;
    cached.metrics.lineGap = tm.tmExternalLeading;
    cached.metrics.xHeight = XHeight(dc, font.size);
    cached.haveMetrics = true;
  }
  return cached.metrics;
}

int MeasureText(const engine::FontDesc& font, const wchar_t* text, size_t length) {
  if (length == 0) return 0;
  CachedFont& cached = Cached(font);
  std::wstring key(text, length);
  auto known = cached.widths.find(key);
  if (known != cached.widths.end()) return known->second;
  SIZE size = {};
  GetTextExtentPoint32W(MeasureDcWith(cached.font), text, static_cast<int>(length), &size);
  if (cached.widths.size() >= kMaxKeptWidths) cached.widths.clear();
  cached.widths.emplace(std::move(key), size.cx);
  return size.cx;
}

std::wstring FaceFor(const engine::FontDesc& font) {
  LOGFONTW logical = {};
  GetObjectW(FontFor(font), sizeof logical, &logical);
  return logical.lfFaceName;
}

}  // namespace win32host
