#include "core/launching.h"

#include <windows.h>
#include <shellapi.h>

#include <string>

void OpenWithShell(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  ShellExecuteA(nullptr, "open", text, "", "", SW_SHOWNORMAL);
}

void OpenWithShellWide(const wchar_t* text) {
  if (text == nullptr || text[0] == L'\0') return;
  // Converted whole: an address cut to a fixed buffer would open another page.
  int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  std::string converted(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &converted[0], needed, nullptr, nullptr);
  OpenWithShell(converted.c_str());
}
