// screenview: shows a screen file in a window of a given size, or renders it
// to a PNG, so that designers and tests can see a screen without the manager.
//
//   screenview FILE.htm [--size 730x512] [--png OUT.png] [--wait MS]
//
// With --png the screen is rendered into a picture (the engine's window is
// never shown) after the remote pictures have arrived or MS milliseconds
// (default 5000) have passed; the exit code is 0 when the PNG was written.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "ui/engine/win32/htmlayout.h"
#include "ui/engine/win32/pictures.h"

namespace {

LRESULT CALLBACK ViewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  BOOL handled = FALSE;
  LRESULT result = HTMLayoutProcND(window, message, wParam, lParam, &handled);
  if (handled) return result;
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring FullPath(const wchar_t* path) {
  wchar_t full[MAX_PATH * 2];
  DWORD n = GetFullPathNameW(path, MAX_PATH * 2, full, nullptr);
  return n > 0 && n < MAX_PATH * 2 ? std::wstring(full) : std::wstring(path);
}

bool RenderPng(HWND window, int width, int height, const std::wstring& out, DWORD waitMs) {
  DWORD start = GetTickCount();
  MSG message;
  // Let posted updates and remote pictures arrive.
  for (;;) {
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    if (HTMLayoutPendingLoads(window) == 0 || GetTickCount() - start > waitMs) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
  }
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(dc, bitmap);
  RECT area = {0, 0, width, height};
  HTMLayoutRenderToDC(window, dc, &area);
  GdiFlush();
  // GDI leaves the alpha byte undefined: the picture is opaque.
  auto* pixels = static_cast<BYTE*>(bits);
  for (int i = 0; i < width * height; ++i) pixels[i * 4 + 3] = 255;
  bool ok = win32host::WritePng(out, bits, width, height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return ok;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* file = nullptr;
  const wchar_t* png = nullptr;
  int width = 730, height = 512;
  DWORD waitMs = 5000;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--size") == 0 && i + 1 < argc) {
      if (swscanf(argv[++i], L"%dx%d", &width, &height) != 2) width = 0;
    } else if (std::wcscmp(argv[i], L"--png") == 0 && i + 1 < argc) {
      png = argv[++i];
    } else if (std::wcscmp(argv[i], L"--wait") == 0 && i + 1 < argc) {
      waitMs = static_cast<DWORD>(_wtoi(argv[++i]));
    } else {
      file = argv[i];
    }
  }
  if (file == nullptr || width <= 0 || height <= 0 || width > 8192 || height > 8192) {
    std::fprintf(stderr, "usage: screenview FILE.htm [--size WxH] [--png OUT.png] [--wait MS]\n");
    return 2;
  }
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = ViewProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = L"ZarnScreenView";
  RegisterClassW(&windowClass);
  DWORD style = png != nullptr ? WS_POPUP : WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame = {0, 0, width, height};
  AdjustWindowRect(&frame, style, FALSE);
  std::wstring path = FullPath(file);
  HWND window = CreateWindowExW(0, L"ZarnScreenView", path.c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return 1;
  if (!HTMLayoutLoadFile(window, path.c_str())) {
    std::fprintf(stderr, "screenview: cannot read %ls\n", path.c_str());
    DestroyWindow(window);
    return 1;
  }
  if (png != nullptr) {
    bool ok = RenderPng(window, width, height, FullPath(png), waitMs);
    DestroyWindow(window);
    return ok ? 0 : 1;
  }
  ShowWindow(window, SW_SHOW);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
