#include "core/text.h"

#include <windows.h>

#include <string>

#include "config/config_text.h"

void WideToAnsi(const wchar_t* src, char* dst, size_t dstSize) {
  if (dstSize == 0) return;
  dst[0] = '\0';
  if (src == nullptr || src[0] == L'\0') return;
  // Convert whole into a scratch buffer first: a too-small destination makes
  // WideCharToMultiByte fail outright instead of cutting.
  int needed = WideCharToMultiByte(CP_ACP, 0, src, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  std::string whole(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, src, -1, &whole[0], needed, nullptr, nullptr);
  size_t n = 0;
  while (whole[n] != '\0') {
    size_t step = IsDBCSLeadByte(static_cast<BYTE>(whole[n])) && whole[n + 1] != '\0' ? 2 : 1;
    if (n + step > dstSize - 1) break;
    n += step;
  }
  whole.resize(n);
  CopyText(dst, dstSize, whole.c_str());
}

void AnsiToWide(const char* src, wchar_t* dst, size_t dstSize) {
  if (dstSize == 0) return;
  dst[0] = L'\0';
  if (src == nullptr || src[0] == '\0') return;
  int needed = MultiByteToWideChar(CP_ACP, 0, src, -1, nullptr, 0);
  if (needed <= 0) return;
  std::wstring whole(static_cast<size_t>(needed), L'\0');
  MultiByteToWideChar(CP_ACP, 0, src, -1, &whole[0], needed);
  size_t n = whole.size() - 1 < dstSize - 1 ? whole.size() - 1 : dstSize - 1;
  // Do not leave half of a surrogate pair at the cut.
  if (n > 0 && n < whole.size() - 1 && whole[n - 1] >= 0xD800 && whole[n - 1] <= 0xDBFF) --n;
  whole.copy(dst, n);
  dst[n] = L'\0';
}

void JoinText(char* dst, size_t dstSize, const char* a, const char* b) {
  if (dstSize == 0) return;
  CopyText(dst, dstSize, a);
  size_t used = std::char_traits<char>::length(dst);
  CopyText(dst + used, dstSize - used, b);
}
