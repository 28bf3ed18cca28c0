// Stand-in for the manager in launcher tests: writes, to the file named by
// ZARN_PROBE_LOG, the time it started (system time in 100 ns units), its own
// path, its current directory and its whole command line, one per line.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULONGLONG stamp = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  char log[MAX_PATH];
  if (GetEnvironmentVariableA("ZARN_PROBE_LOG", log, MAX_PATH) == 0) return 1;
  char self[MAX_PATH];
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  char folder[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, folder);
  FILE* file = std::fopen(log, "ab");
  if (file == nullptr) return 1;
  std::fprintf(file, "%llu\n%s\n%s\n%s\n", stamp, self, folder, GetCommandLineA());
  std::fclose(file);
  return 0;
}
