// What the tests read from a picture of the news pop-up: its opacity, and
// where its message's dark blue ink lies.
#pragma once

#include <windows.h>

#include <cstdint>

#include "harness.h"

namespace harness {

// The layered window's constant alpha; -1 when it has none.
inline int LayeredAlpha(HWND window) {
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  if (!GetLayeredWindowAttributes(window, &key, &alpha, &flags)) return -1;
  return alpha;
}

// The whole window as the screen shows it.
inline ScreenShot CaptureWindow(HWND window) {
  RECT frame = {};
  GetWindowRect(window, &frame);
  return CaptureScreen(frame);
}

// The message's dark blue on the light card, anti-aliased edges left out.
inline bool IsInk(uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r < 140 && g < 160 && b > r;
}

// The rows and columns with ink in [left, right) x [top, bottom) of a
// picture; top is -1 when there is none.
struct Ink {
  int top = -1, bottom = -1, left = -1, right = -1;
};
inline Ink InkIn(const ScreenShot& shot, int left, int top, int right, int bottom) {
  Ink ink;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      if (!IsInk(shot.At(x, y))) continue;
      if (ink.top < 0) ink.top = y;
      ink.bottom = y;
      ink.left = ink.left < 0 || x < ink.left ? x : ink.left;
      ink.right = x > ink.right ? x : ink.right;
    }
  }
  return ink;
}

}  // namespace harness
