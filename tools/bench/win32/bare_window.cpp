// The smallest program with a window like the manager's: registers a class,
// creates a 730 x 512 captioned window, shows it and runs a message loop.
// The yardstick for the manager's start-up time.
#include <windows.h>

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcW(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"BareWindow";
  RegisterClassW(&windowClass);
  RECT frame = {0, 0, 730, 512};
  AdjustWindowRect(&frame, WS_CAPTION | WS_SYSMENU, FALSE);
  HWND window = CreateWindowExW(0, L"BareWindow", L"bare", WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
                                nullptr);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
