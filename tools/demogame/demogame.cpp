// A stand-in game for the demo's sample game folders (dist/<game>/game/
// zsgame.dat): a window that names the folder it was started in and ends when
// it is closed or clicked, so that "play" can be tried end to end.
#include <windows.h>

#include <string>

namespace {

std::wstring gFolder;

LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      RECT client;
      GetClientRect(window, &client);
      HBRUSH background = CreateSolidBrush(RGB(0x2B, 0x1B, 0x4D));
      FillRect(dc, &client, background);
      DeleteObject(background);
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, RGB(0xFF, 0xFF, 0xFF));
      std::wstring text = L"The game runs here.\n\n" + gFolder + L"\n\nClick or close the window to end it.";
      DrawTextW(dc, text.c_str(), -1, &client, DT_CENTER | DT_VCENTER | DT_WORDBREAK);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_LBUTTONUP: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  gFolder = folder;
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = L"ZarnDemoGame";
  RegisterClassW(&windowClass);
  HWND window = CreateWindowExW(0, L"ZarnDemoGame", L"Demo game", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, 0, 640,
                                400, nullptr, nullptr, instance, nullptr);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}
