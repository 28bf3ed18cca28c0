// Engine benchmark under Wine: load, lay out and paint a screen (by default
// the sample main screen) into a 730 x 512 window's picture, and repaint it
// after one change of the progress bar's value. Prints figures; not a test.
//
//   host_bench.exe [SCREEN.htm] [--runs N]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/engine/win32/htmlayout.h"

namespace {

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BOOL handled = FALSE;
  LRESULT result = HTMLayoutProcND(window, message, wParam, lParam, &handled);
  return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

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

void Report(const char* what, std::vector<double> ms) {
  std::sort(ms.begin(), ms.end());
  std::printf("%-44s median %7.3f ms   min %7.3f ms   max %7.3f ms   (%zu runs)\n", what, ms[ms.size() / 2],
              ms.front(), ms.back(), ms.size());
}

HELEMENT FindById(HELEMENT element, const wchar_t* id) {
  LPCWSTR value = nullptr;
  HTMLayoutGetAttributeByName(element, "id", &value);
  if (value != nullptr && std::wcscmp(value, id) == 0) return element;
  UINT count = 0;
  HTMLayoutGetChildrenCount(element, &count);
  for (UINT i = 0; i < count; ++i) {
    HELEMENT child = nullptr;
    HTMLayoutGetNthChild(element, i, &child);
    if (HELEMENT found = FindById(child, id)) return found;
  }
  return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::wstring screen = L"gamefolder\\common\\html\\screen_reg.htm";
  int runs = 50;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--runs") == 0 && i + 1 < argc) {
      runs = std::max(1, _wtoi(argv[++i]));
    } else {
      screen = argv[i];
    }
  }
  wchar_t full[MAX_PATH];
  GetFullPathNameW(screen.c_str(), MAX_PATH, full, nullptr);

  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"ZarnHostBench";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"ZarnHostBench", L"bench", WS_POPUP, 0, 0, 730, 512, nullptr, nullptr,
                                windowClass.hInstance, nullptr);
  // Shown (without taking the focus): a hidden engine window keeps no pictures.
  ShowWindow(window, SW_SHOWNA);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), 730, -512, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  SelectObject(dc, bitmap);

  // The first load pays for loading the imaging component, decoding the
  // pictures and making the fonts; later loads find them made.
  double coldStart = Now();
  HTMLayoutLoadFile(window, full);
  double coldLoaded = Now();
  HTMLayoutRenderToDC(window, dc, nullptr);
  GdiFlush();
  double coldPainted = Now();

  std::vector<double> load, paint, change;
  for (int i = 0; i < runs; ++i) {
    double start = Now();
    if (!HTMLayoutLoadFile(window, full)) {
      std::fprintf(stderr, "cannot read %ls\n", full);
      return 1;
    }
    double loaded = Now();
    HTMLayoutRenderToDC(window, dc, nullptr);
    GdiFlush();
    double painted = Now();
    load.push_back(loaded - start);
    paint.push_back(painted - start);
  }
  HELEMENT root = nullptr;
  HTMLayoutGetRootElement(window, &root);
  HELEMENT bar = FindById(root, L"progressbar");
  if (bar != nullptr) {
    for (int i = 0; i < runs; ++i) {
      wchar_t value[8];
      std::swprintf(value, 8, L"%d", i % 100);
      RECT box = {};
      double start = Now();
      HTMLayoutSetAttributeByName(bar, "value", value);
      HTMLayoutGetElementLocation(bar, &box);  // brings layout up to date
      HTMLayoutRenderToDC(window, dc, &box);   // repaints the bar's area
      GdiFlush();
      change.push_back(Now() - start);
    }
  }
  std::printf("screen: %ls\n", full);
  std::printf("%-44s %7.3f ms (load %.3f ms)\n", "first load + paint (cold)", coldPainted - coldStart,
              coldLoaded - coldStart);
  Report("load + parse + style + layout", load);
  Report("load ... + paint 730 x 512 (warm pictures)", paint);
  if (!change.empty()) Report("progress value change + repaint of the bar", change);
  DestroyWindow(window);
  return 0;
}
