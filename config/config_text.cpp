// Configuration text lookup. Every lookup is a linear scan of the whole text:
// the texts are small and each is read once per use.
#include "config/config_text.h"

#include <cmath>
#include <cstring>

void CopyText(char* dst, size_t dstSize, const char* src) {
  if (dstSize == 0) return;
  size_t n = 0;
  while (n + 1 < dstSize && src[n] != '\0') {
    dst[n] = src[n];
    ++n;
  }
  dst[n] = '\0';
}

void ConfigValue(char* dst, size_t dstSize, const char* text, const char* key) {
  if (dstSize == 0) return;
  dst[0] = '\0';
  if (text == nullptr || key == nullptr || key[0] == '\0') return;
  const char* found = std::strstr(text, key);
  if (found == nullptr) return;
  const char* value = found + std::strlen(key);
  size_t n = 0;
  while (value[n] != '\0' && value[n] != '\r' && value[n] != '\n' && n + 1 < dstSize) {
    dst[n] = value[n];
    ++n;
  }
  dst[n] = '\0';
}

// Decimal floating-point prefix of s: leading blanks, an optional sign, digits,
// an optional point with a fraction and an optional exponent; reading stops at
// the first byte that does not fit. Written out rather than strtod so that hex
// numbers, "inf" and "nan" read as 0 alike on every C library.
static double ReadDecimalPrefix(const char* s) {
  while (*s == ' ' || *s == '\t' || *s == '\v' || *s == '\f') ++s;
  bool negative = false;
  if (*s == '+' || *s == '-') negative = (*s++ == '-');
  double mantissa = 0.0;
  int scale = 0;
  bool anyDigit = false;
  for (; *s >= '0' && *s <= '9'; ++s, anyDigit = true) mantissa = mantissa * 10.0 + (*s - '0');
  if (*s == '.') {
    for (++s; *s >= '0' && *s <= '9'; ++s, anyDigit = true) {
      mantissa = mantissa * 10.0 + (*s - '0');
      --scale;
    }
  }
  if (!anyDigit) return 0.0;
  if (*s == 'e' || *s == 'E') {
    const char* p = s + 1;
    bool expNegative = false;
    if (*p == '+' || *p == '-') expNegative = (*p++ == '-');
    if (*p >= '0' && *p <= '9') {
      int exponent = 0;
      for (; *p >= '0' && *p <= '9'; ++p) {
        if (exponent < 100000) exponent = exponent * 10 + (*p - '0');
      }
      scale += expNegative ? -exponent : exponent;
    }
  }
  double value = mantissa * std::pow(10.0, scale);
  return negative ? -value : value;
}

int32_t ConfigNumber(const char* text, const char* key) {
  char value[32];
  ConfigValue(value, text, key);
  if (value[0] == '\0') return 0;
  double number = ReadDecimalPrefix(value);
  if (std::isnan(number)) return 0;
  if (number >= 2147483647.0) return INT32_MAX;
  if (number <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(number);  // truncates toward zero
}

int32_t LeadingNumber(const char* s) {
  int64_t n = 0;
  for (; *s >= '0' && *s <= '9'; ++s) {
    n = n * 10 + (*s - '0');
    if (n > INT32_MAX) return INT32_MAX;
  }
  return static_cast<int32_t>(n);
}

void UpcaseName(char* s) {
  for (; *s != '\0'; ++s) {
    unsigned char c = static_cast<unsigned char>(*s);
    if ((c >= 0x61 && c <= 0x7A) || c >= 0xE0) *s = static_cast<char>(c - 0x20);
  }
}
