// What the small test programs (the test installer and the test update)
// share: their environment, UTF-8 for their log lines, and appending a line
// to a log that a test reads while they run. Win32 and the C library only.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace test_program {

inline std::wstring Env(const wchar_t* name) {
  wchar_t value[32768];
  DWORD length = GetEnvironmentVariableW(name, value, 32768);
  return length > 0 && length < 32768 ? std::wstring(value, length) : std::wstring();
}

inline std::string ToUtf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                   nullptr, nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr,
                      nullptr);
  return bytes;
}

// Opened and closed for each line, so that a test can read the log meanwhile.
inline void AppendLine(const std::wstring& log, const std::string& line) {
  if (log.empty()) return;
  if (FILE* file = _wfopen(log.c_str(), L"ab")) {
    std::fprintf(file, "%s\n", line.c_str());
    std::fclose(file);
  }
}

}  // namespace test_program
