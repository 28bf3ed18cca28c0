#include "wallpaper.h"

#include <cmath>

namespace harness {
namespace {

const wchar_t kClass[] = L"ZarnTestWallpaper";

// A dusk sky: deep blue at the top, violet toward the bottom, a warm glow
// low on the right.
uint32_t Paint(int x, int y, int width, int height) {
  double t = height > 1 ? static_cast<double>(y) / (height - 1) : 0.0;
  double r = 28 + (86 - 28) * t, g = 62 + (52 - 62) * t, b = 120 + (130 - 120) * t;
  double dx = (x - width * 0.75) / (width * 0.6), dy = (y - height * 0.85) / (height * 0.6);
  double glow = std::exp(-(dx * dx + dy * dy) * 2.0) * 0.45;
  r += (255 - r) * glow;
  g += (170 - g) * glow;
  b += (120 - b) * glow;
  auto channel = [](double v) { return static_cast<uint32_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5); };
  return (channel(r) << 16) | (channel(g) << 8) | channel(b);
}

}  // namespace

Wallpaper::Wallpaper(const RECT& area) : area_(area) {
  int width = area.right - area.left, height = area.bottom - area.top;
  pixels_.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels_[static_cast<size_t>(y) * width + x] = Paint(x, y, width, height);
  }
  HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  thread_ = std::thread([this, ready] { Run(ready); });
  WaitForSingleObject(ready, 10000);
  CloseHandle(ready);
}

Wallpaper::~Wallpaper() {
  if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
  if (thread_.joinable()) thread_.join();
}

uint32_t Wallpaper::ColourAt(int x, int y) const {
  int width = area_.right - area_.left;
  return pixels_[static_cast<size_t>(y - area_.top) * width + (x - area_.left)];
}

void Wallpaper::Run(HANDLE ready) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = Proc;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  windowClass.lpszClassName = kClass;
  RegisterClassExW(&windowClass);  // a second wallpaper finds it registered
  window_ = CreateWindowExW(0, kClass, L"wallpaper", WS_POPUP, area_.left, area_.top, area_.right - area_.left,
                            area_.bottom - area_.top, nullptr, nullptr, windowClass.hInstance, this);
  if (window_ != nullptr) {
    ShowWindow(window_, SW_SHOW);
    SetForegroundWindow(window_);
    UpdateWindow(window_);
  }
  SetEvent(ready);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
}

LRESULT CALLBACK Wallpaper::Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self = reinterpret_cast<Wallpaper*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window, &paint);
      int width = self->area_.right - self->area_.left, height = self->area_.bottom - self->area_.top;
      BITMAPINFO info = {};
      info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
      SetDIBitsToDevice(dc, 0, 0, width, height, 0, 0, 0, height, self->pixels_.data(), &info, DIB_RGB_COLORS);
      EndPaint(window, &paint);
      return 0;
    }
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: return DefWindowProcW(window, message, wParam, lParam);
  }
}

}  // namespace harness
