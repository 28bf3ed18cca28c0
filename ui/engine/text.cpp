// Text helpers: conversions between UTF-8 and UTF-16, encoding sniffing.
#include "ui/engine/text.h"

#include "ui/engine/host.h"

namespace engine {

namespace {

constexpr size_t kCharsetScanLimit = 1024;

bool DeclaresCyrillicCodePage(const uint8_t* bytes, size_t size) {
  size_t n = size < kCharsetScanLimit ? size : kCharsetScanLimit;
  std::string head(reinterpret_cast<const char*>(bytes), n);
  head = AsciiLowered(head);
  for (const char* name : {"windows-1251", "cp1251", "win-1251"}) {
    size_t at = head.find(name);
    while (at != std::string::npos) {
      // Only as the value of a charset declaration ("charset=..." in a meta
      // element or @charset "..."), not in running text.
      size_t from = at > 40 ? at - 40 : 0;
      if (head.substr(from, at - from).find("charset") != std::string::npos) return true;
      at = head.find(name, at + 1);
    }
  }
  return false;
}

}  // namespace

bool IsValidUtf8(const uint8_t* s, size_t size) {
  size_t i = 0;
  while (i < size) {
    uint8_t c = s[i];
    if (c < 0x80) {
      ++i;
      continue;
    }
    size_t extra;
    uint32_t min;
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= size) return false;
    uint32_t cp = c & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += extra + 1;
  }
  return true;
}

SniffedEncoding SniffEncoding(const uint8_t* bytes, size_t size) {
  if (size >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) return {TextEncoding::kUtf16LittleEndian, 2};
  if (size >= 2 && bytes[0] == 0xFE && bytes[1] == 0xFF) return {TextEncoding::kUtf16BigEndian, 2};
  if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) return {TextEncoding::kUtf8, 3};
  if (DeclaresCyrillicCodePage(bytes, size)) return {TextEncoding::kCodePage, 0};
  if (IsValidUtf8(bytes, size)) return {TextEncoding::kUtf8, 0};
  return {TextEncoding::kCodePage, 0};
}

std::u16string DecodeText(const uint8_t* bytes, size_t size, Host& host) {
  SniffedEncoding sniffed = SniffEncoding(bytes, size);
  const uint8_t* p = bytes + sniffed.bomLength;
  size_t n = size - sniffed.bomLength;
  switch (sniffed.encoding) {
    case TextEncoding::kUtf16LittleEndian:
    case TextEncoding::kUtf16BigEndian: {
      bool little = sniffed.encoding == TextEncoding::kUtf16LittleEndian;
      std::u16string out;
      out.reserve(n / 2);
      for (size_t i = 0; i + 1 < n; i += 2) {
        out.push_back(little ? char16_t(p[i] | (p[i + 1] << 8)) : char16_t((p[i] << 8) | p[i + 1]));
      }
      return out;
    }
    case TextEncoding::kCodePage:
      return host.DecodeCodePage(reinterpret_cast<const char*>(p), n);
    case TextEncoding::kUtf8:
      break;
  }
  return Utf8ToUtf16(std::string_view(reinterpret_cast<const char*>(p), n));
}

std::u16string Utf8ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const uint8_t* s = reinterpret_cast<const uint8_t*>(text.data());
  size_t size = text.size();
  size_t i = 0;
  while (i < size) {
    uint8_t c = s[i];
    if (c < 0x80) {
      out.push_back(c);
      ++i;
      continue;
    }
    size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    uint32_t min = extra == 1 ? 0x80 : extra == 2 ? 0x800 : 0x10000;
    bool ok = extra > 0 && i + extra < size;
    uint32_t cp = c & (0x3F >> extra);
    if (ok) {
      for (size_t k = 1; k <= extra; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) {
          ok = false;
          break;
        }
        cp = (cp << 6) | (s[i + k] & 0x3F);
      }
    }
    if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(char16_t(0xD800 + (cp >> 10)));
      out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(char16_t(cp));
    }
    i += extra + 1;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(char(cp));
    } else if (cp < 0x800) {
      out.push_back(char(0xC0 | (cp >> 6)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(char(0xE0 | (cp >> 12)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (cp >> 18)));
      out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(char(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::string AsciiLowered(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = AsciiLower(c);
  return out;
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

bool EqualsIgnoringAsciiCase(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != char16_t(static_cast<unsigned char>(AsciiLower(b[i])))) return false;
  }
  return true;
}

bool StartsWithIgnoringAsciiCase(std::u16string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

bool IsAllSpace(std::u16string_view text) {
  for (char16_t c : text) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

std::u16string_view TrimSpace(std::u16string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsSpace(text[b])) ++b;
  while (e > b && IsSpace(text[e - 1])) --e;
  return text.substr(b, e - b);
}

std::string_view TrimSpace(std::string_view text) {
  size_t b = 0, e = text.size();
  while (b < e && IsSpace(text[b])) ++b;
  while (e > b && IsSpace(text[e - 1])) --e;
  return text.substr(b, e - b);
}

double ReadDecimal(std::string_view text, size_t* used) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  double value = 0;
  bool digits = false;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
    if (value < 1e15) value = value * 10 + (text[i] - '0');  // beyond that, only the digits count
    ++i;
    digits = true;
  }
  if (i < text.size() && text[i] == '.' && i + 1 < text.size() && text[i + 1] >= '0' &&
      text[i + 1] <= '9') {
    double scale = 0.1;
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) value += (text[i] - '0') * scale;
    digits = true;
  }
  *used = digits ? i : 0;
  return negative ? -value : value;
}

std::u16string Widen(std::string_view ascii) {
  std::u16string out;
  out.reserve(ascii.size());
  for (char c : ascii) out.push_back(char16_t(static_cast<unsigned char>(c)));
  return out;
}

}  // namespace engine
