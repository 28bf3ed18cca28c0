// Stand-in for a new version of the manager that the manager downloads and
// runs. Configured through the environment it inherits:
//   ZARN_UPDATE_LOG      file to append "start <own full path>" and, before
//                        exiting, "end" to (UTF-8 lines ending in "\n";
//                        opened and closed for each line).
//   ZARN_UPDATE_SLEEPMS  milliseconds to wait between the two (default 0).
// Always exits with code 0.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "test_program_util.h"

using test_program::AppendLine;
using test_program::Env;
using test_program::ToUtf8;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  std::wstring log = Env(L"ZARN_UPDATE_LOG");
  wchar_t self[32768];
  DWORD selfLength = GetModuleFileNameW(nullptr, self, 32768);
  AppendLine(log, "start " + ToUtf8(std::wstring(self, selfLength)));
  std::wstring sleepMs = Env(L"ZARN_UPDATE_SLEEPMS");
  Sleep(static_cast<DWORD>(std::wcstoul(sleepMs.c_str(), nullptr, 10)));
  AppendLine(log, "end");
  return 0;
}
