// Stand-in for a game's "zsgame.dat" in tests: appends to the file named by
// ZARN_GAME_LOG one line each for its start time (system time in 100 ns
// units), its current directory and its PATH, then runs until the named event
// "ZarnTestGameEnd" is set (at most a minute) and ends with exit code 7.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  ULONGLONG stamp = (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  HANDLE end = CreateEventA(nullptr, TRUE, FALSE, "ZarnTestGameEnd");
  char log[MAX_PATH];
  char folder[MAX_PATH];
  char path[4096] = "";
  GetCurrentDirectoryA(MAX_PATH, folder);
  GetEnvironmentVariableA("PATH", path, sizeof path);
  if (GetEnvironmentVariableA("ZARN_GAME_LOG", log, MAX_PATH) != 0) {
    if (FILE* file = std::fopen(log, "ab")) {
      std::fprintf(file, "%llu\n%s\n%s\n", stamp, folder, path);
      std::fclose(file);
    }
  }
  WaitForSingleObject(end, 60000);
  CloseHandle(end);
  return 7;
}
