// The manager's start-up and footprint under Wine. Prints figures; not a test.
//
//   startup_bench.exe MANAGER.exe LAUNCHER_PATH BARE.exe [--runs N] [--idle SECONDS]
//
// 1. Time from process creation until the main window is visible and painted
//    (its first WM_PAINT has been handled: a window shown and updated),
//    against a bare window program in the same Wine.
// 2. The manager started hidden (no game id, as at logon): after a settling
//    period its private bytes and working set, and the processor time it uses
//    while it sits in the notification area for the idle period.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "process_figures.h"

namespace {

double Now() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

struct Found {
  DWORD process;
  HWND window;
};

BOOL CALLBACK FindVisible(HWND window, LPARAM parameter) {
  auto* found = reinterpret_cast<Found*>(parameter);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  if (id == found->process && IsWindowVisible(window)) {
    found->window = window;
    return FALSE;
  }
  return TRUE;
}

PROCESS_INFORMATION Start(const std::wstring& program, const std::wstring& arguments) {
  std::wstring line = L"\"" + program + L"\" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
  return info;
}

void End(PROCESS_INFORMATION& info) {
  TerminateProcess(info.hProcess, 0);
  WaitForSingleObject(info.hProcess, 5000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
}

// Milliseconds until the process has a visible window that answers messages
// (it has painted and returned to its message loop).
double TimeToWindow(const std::wstring& program, const std::wstring& arguments) {
  double start = Now();
  PROCESS_INFORMATION info = Start(program, arguments);
  Found found = {info.dwProcessId, nullptr};
  double shown = -1;
  while (Now() - start < 20000) {
    found.window = nullptr;
    EnumWindows(FindVisible, reinterpret_cast<LPARAM>(&found));
    DWORD_PTR result = 0;
    if (found.window != nullptr &&
        SendMessageTimeoutW(found.window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &result) != 0) {
      shown = Now() - start;
      break;
    }
    Sleep(2);
  }
  End(info);
  Sleep(300);
  return shown;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

double CpuMs(HANDLE process) { return ThreadsCpuMs(GetProcessId(process)); }

double PrivateMegabytes(HANDLE process) { return PrivateRegionsMb(process); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: startup_bench MANAGER.exe LAUNCHER_PATH BARE.exe [--runs N] [--idle SECONDS]\n");
    return 2;
  }
  std::wstring manager = argv[1], launcher = argv[2], bare = argv[3];
  int runs = 10, idleSeconds = 60;
  for (int i = 4; i + 1 < argc; ++i) {
    if (std::wcscmp(argv[i], L"--runs") == 0) runs = std::max(1, _wtoi(argv[++i]));
    else if (std::wcscmp(argv[i], L"--idle") == 0) idleSeconds = std::max(1, _wtoi(argv[++i]));
  }
  std::wstring shown = L"\"" + launcher + L"\" 1";
  TimeToWindow(bare, L"");  // warm both
  TimeToWindow(manager, shown);
  std::vector<double> bareTimes, managerTimes;
  for (int i = 0; i < runs; ++i) {
    bareTimes.push_back(TimeToWindow(bare, L""));
    managerTimes.push_back(TimeToWindow(manager, shown));
  }
  double bareMedian = Median(bareTimes), managerMedian = Median(managerTimes);
  std::printf("start to window shown, median of %d: bare window %.1f ms, manager %.1f ms (%.2f x)\n", runs,
              bareMedian, managerMedian, managerMedian / bareMedian);
  // The runs alternate, so each pair met the same load: their ratios show the
  // spread that the system's noise leaves.
  std::vector<double> ratios;
  for (size_t i = 0; i < bareTimes.size(); ++i) ratios.push_back(managerTimes[i] / bareTimes[i]);
  std::sort(ratios.begin(), ratios.end());
  std::printf("  ranges: bare %.1f to %.1f ms, manager %.1f to %.1f ms;"
              " ratio of each pair: median %.2f, %.2f to %.2f\n",
              *std::min_element(bareTimes.begin(), bareTimes.end()),
              *std::max_element(bareTimes.begin(), bareTimes.end()),
              *std::min_element(managerTimes.begin(), managerTimes.end()),
              *std::max_element(managerTimes.begin(), managerTimes.end()), Median(ratios), ratios.front(),
              ratios.back());

  // What a bare window program holds privately under the same system.
  PROCESS_INFORMATION bareProcess = Start(bare, L"");
  Sleep(3000);
  std::printf("bare window program: private bytes %.2f MB\n", PrivateMegabytes(bareProcess.hProcess));
  End(bareProcess);

  // Hidden in the notification area, as after a start at logon.
  PROCESS_INFORMATION info = Start(manager, L"\"" + launcher + L"\"");
  Sleep(3000);
  double cpuBefore = CpuMs(info.hProcess);
  double wallBefore = Now();
  Sleep(static_cast<DWORD>(idleSeconds) * 1000);
  double cpuUsed = CpuMs(info.hProcess) - cpuBefore;
  double wall = Now() - wallBefore;
  PROCESS_MEMORY_COUNTERS_EX memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("hidden for %d s: processor %.1f ms (%.3f %%), private bytes %.2f MB (as reported: %.2f MB),"
              " working set %.2f MB\n",
              idleSeconds, cpuUsed, cpuUsed * 100.0 / wall, PrivateMegabytes(info.hProcess),
              memory.PrivateUsage / 1048576.0, memory.WorkingSetSize / 1048576.0);
  End(info);
  return 0;
}
