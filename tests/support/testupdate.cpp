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

namespace {

std::wstring Env(const wchar_t* name) {
  wchar_t value[32768];
  DWORD length = GetEnvironmentVariableW(name, value, 32768);
  return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                      nullptr);
  return bytes;
}

void AppendLine(const std::wstring& log, const std::string& line) {
  if (log.empty()) return;
  if (FILE* file = _wfopen(log.c_str(), L"ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

}  // namespace

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
