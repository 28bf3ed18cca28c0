// Main window procedure. Only WM_CLOSE with wParam 1 and lParam 1 ends the
// manager (the exit request of a starting launcher or manager, or the menu's
// exit item); every other close only hides the window.
#include "core/main_window.h"

#include "config/product_config.h"
#include "core/app_state.h"
#include "core/text.h"
#include "resources/resource_ids.h"

namespace {

LRESULT OnExitRequest(HWND window) {
  PostMessageA(window, WM_CLOSE, 1, 1);
  return 1;
}

LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam) {
  AppState& app = App();
  if (wParam == 1 && lParam == 1 && !app.gameRunning) {
    app.quitting = true;
    app.transferStop = true;
    DestroyWindow(window);
    return 0;
  }
  app.windowVisible = false;
  ShowWindow(window, SW_HIDE);
  return 1;
}

LRESULT OnDestroy() {
  PostQuitMessage(0);
  return 0;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const AppState& app = App();
  if (message == app.reselectGameMessage && message != 0) return OnExitRequest(window);
  switch (message) {
    case WM_CLOSE: return OnClose(window, wParam, lParam);
    case WM_DESTROY: return OnDestroy();
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

bool RegisterMainWindowClass(HINSTANCE instance) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconLarge));
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kIconSmall));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  const DWORD style = WS_CAPTION | WS_SYSMENU;
  RECT frame = {100, 100, 100 + kClientWidth, 100 + kClientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  wchar_t title[256];
  AnsiToWide(ProductConfigRef().companyName, title);
  wchar_t className[32];
  AnsiToWide(kMainWindowClass, className);
  HWND window = CreateWindowExW(0, className, title, style, CW_USEDEFAULT, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
  AppState& app = App();
  app.instance = instance;
  app.mainWindow = window;
  if (window == nullptr) return nullptr;
  if (app.windowVisible) {
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
  } else {
    ShowWindow(window, SW_HIDE);
  }
  UpdateWindow(window);
  return window;
}
