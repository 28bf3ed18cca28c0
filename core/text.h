// Conversions between the program's 8-bit texts (system ANSI code page) and
// UTF-16, for the few calls that need UTF-16. Every conversion is bounded by
// the destination's size and always terminates it.
#pragma once

#include <cstddef>

// Converts src (UTF-16) to the ANSI code page into dst, cut to dstSize - 1
// bytes without splitting a double-byte character.
void WideToAnsi(const wchar_t* src, char* dst, size_t dstSize);

// Converts src (ANSI code page) to UTF-16 into dst, cut to dstSize - 1 units.
void AnsiToWide(const char* src, wchar_t* dst, size_t dstSize);

template <size_t N>
inline void WideToAnsi(const wchar_t* src, char (&dst)[N]) {
  WideToAnsi(src, dst, N);
}
template <size_t N>
inline void AnsiToWide(const char* src, wchar_t (&dst)[N]) {
  AnsiToWide(src, dst, N);
}

// Joins a and b into dst, cut to dstSize - 1 bytes.
void JoinText(char* dst, size_t dstSize, const char* a, const char* b);
template <size_t N>
inline void JoinText(char (&dst)[N], const char* a, const char* b) {
  JoinText(dst, N, a, b);
}
