// Test program registered as the http handler of the test prefix: appends its
// first argument as one line to the file named by ZARN_OPEN_LOG (or
// opens.log beside itself), so a shell "open" is recorded, not browsed.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  wchar_t log[MAX_PATH];
  if (GetEnvironmentVariableW(L"ZARN_OPEN_LOG", log, MAX_PATH) == 0) {
    GetModuleFileNameW(nullptr, log, MAX_PATH);
    wchar_t* slash = std::wcsrchr(log, L'\\');
    if (slash != nullptr) std::wcscpy(slash + 1, L"opens.log");
  }
  FILE* file = _wfopen(log, L"ab");
  if (file == nullptr) return 1;
  char line[4096] = "";
  if (argc > 1) WideCharToMultiByte(CP_UTF8, 0, argv[1], -1, line, sizeof line - 1, nullptr, nullptr);
  std::fprintf(file, "%s\n", line);
  std::fclose(file);
  return 0;
}
