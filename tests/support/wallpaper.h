// A stand-in desktop for tests of windows that float over it: a window of
// the test process, on a thread of its own, painted with a wallpaper over a
// rectangle of the screen and holding the focus.
#pragma once

#include <windows.h>

#include <cstdint>
#include <thread>
#include <vector>

namespace harness {

class Wallpaper {
 public:
  // Shows the wallpaper over area (screen coordinates) and makes it the
  // foreground window; it is drawn when the constructor returns.
  explicit Wallpaper(const RECT& area);
  ~Wallpaper();
  Wallpaper(const Wallpaper&) = delete;
  Wallpaper& operator=(const Wallpaper&) = delete;

  HWND window() const { return window_; }
  // The wallpaper's colour (0xRRGGBB) at a screen point inside its area.
  uint32_t ColourAt(int x, int y) const;

 private:
  void Run(HANDLE ready);
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  RECT area_;
  std::vector<uint32_t> pixels_;
  HWND window_ = nullptr;
  std::thread thread_;
};

}  // namespace harness
