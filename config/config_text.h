// Key=value configuration text: the one lookup rule used for settings.txt,
// html\wrapper.cfg, html\strings.txt and the catalogue text. Portable: no
// Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>

// Copies the value of `key` (written with its "=") into dst, cut to
// dstSize - 1 bytes and NUL-terminated. The key is found as the first
// byte-exact occurrence anywhere in text, not anchored to a line start; the
// value runs to the next CR, LF or the end of the text. An absent key gives
// the empty string. dstSize 0 writes nothing.
void ConfigValue(char* dst, size_t dstSize, const char* text, const char* key);

template <size_t N>
inline void ConfigValue(char (&dst)[N], const char* text, const char* key) {
  ConfigValue(dst, N, text, key);
}

// The value of `key` read as a decimal floating-point number (at most its first
// 31 characters) and truncated toward zero; empty or absent gives 0. Values out
// of the 32-bit range saturate.
int32_t ConfigNumber(const char* text, const char* key);

// Leading decimal digits of s as a number ("12abc" gives 12, "abc" gives 0);
// saturates at INT32_MAX. Used for game ids and product ids.
int32_t LeadingNumber(const char* s);

// Folds s to upper case in place: a-z and the code-page-1251 lower-case
// Cyrillic letters 0xE0-0xFF are lowered by 0x20; every other byte (0xB8
// among them) stays. Independent of the locale.
void UpcaseName(char* s);

// Copies src into dst, cut to dstSize - 1 bytes, always NUL-terminated.
void CopyText(char* dst, size_t dstSize, const char* src);

template <size_t N>
inline void CopyText(char (&dst)[N], const char* src) {
  CopyText(dst, N, src);
}
