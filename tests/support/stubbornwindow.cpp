// A window of the manager's class "ZarnWrapperWindow" that keeps running for
// the milliseconds given as its argument, whatever exit requests arrive, and
// logs the arrival time of each request (system time in 100 ns units) to the
// file named by ZARN_PROBE_LOG. Stands in for a manager that is busy with a
// game while a launcher waits.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
UINT gExitRequest;
char gLog[MAX_PATH];

ULONGLONG Now() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return (static_cast<ULONGLONG>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == gExitRequest) {
    if (FILE* file = std::fopen(gLog, "ab")) {
      std::fprintf(file, "request %llu\n", Now());
      std::fclose(file);
    }
    return 1;
  }
  if (message == WM_TIMER) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    if (FILE* file = std::fopen(gLog, "ab")) {
      std::fprintf(file, "gone %llu\n", Now());
      std::fclose(file);
    }
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  gExitRequest = RegisterWindowMessageA("WM_NEED_TO_RESELECT_GAME_ZARNSOFT");
  GetEnvironmentVariableA("ZARN_PROBE_LOG", gLog, MAX_PATH);
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = "ZarnWrapperWindow";
  RegisterClassA(&windowClass);
  HWND window = CreateWindowA("ZarnWrapperWindow", "stubborn", WS_OVERLAPPED, 0, 0, 100, 100,
                              nullptr, nullptr, instance, nullptr);
  if (FILE* file = std::fopen(gLog, "ab")) {
    std::fprintf(file, "ready %llu\n", Now());
    std::fclose(file);
  }
  SetTimer(window, 1, static_cast<UINT>(std::atoi(commandLine)), nullptr);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
