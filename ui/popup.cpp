// The news pop-up window. Its state is process-wide and used on the
// user-interface thread only; one pop-up exists at a time.
//
// Timers of the window: 1 fades in, 2 fades out (and destroys the window at
// alpha 0), 3 waits 20 s after the pointer has moved, 4 checks every 666 ms
// whether the pointer has moved since the window was created. Pure red
// pixels of the skin are the window's colour key, kept with every alpha.
#include "ui/popup.h"

#include <windowsx.h>

#include <cwchar>

#include "core/app_state.h"
#include "core/main_window.h"
#include "resources/resource_ids.h"
#include "ui/popup_layout.h"
#include "ui/ui_strings.h"

namespace {

const wchar_t kPopupClass[] = L"infoname";
const wchar_t kPopupTitle[] = L"balloon";
const COLORREF kColourKey = RGB(255, 0, 0);
const COLORREF kInk = RGB(36, 76, 136);
const COLORREF kLabelInk = RGB(255, 255, 255);
const char kCaption[] = "ZarnSoft";

constexpr UINT_PTR kFadeInTimer = 1;
constexpr UINT_PTR kFadeOutTimer = 2;
constexpr UINT_PTR kLingerTimer = 3;
constexpr UINT_PTR kPointerTimer = 4;
constexpr UINT kFadePeriodMs = 20;
constexpr UINT kLingerMs = 20000;
constexpr UINT kPointerCheckMs = 666;

// The skin's pictures, in resource order 130..135.
enum Skin { kBack, kBackClose, kButton, kButtonHover, kWide, kWideHover, kSkinCount };

struct PopupState {
  bool open;
  HWND window;
  wchar_t text[256];
  PopupKind kind;
  int alpha;
  PopupHover hover;
  bool dragging;
  bool trackingLeave;
  POINT lastPointer;   // screen position at the previous mouse move
  POINT startPointer;  // screen position when the window was created
  HBITMAP bitmaps[kSkinCount];
  HBRUSH brushes[kSkinCount];
  HCURSOR arrow;
  HCURSOR hand;
  // The off-screen canvas every paint composes on.
  HDC canvas;
  HBITMAP canvasBitmap;
  HGDIOBJ canvasDefaultBitmap;
};

PopupState gPopup;

void ApplyAlpha(HWND window) {
  SetLayeredWindowAttributes(window, kColourKey, static_cast<BYTE>(gPopup.alpha), LWA_COLORKEY | LWA_ALPHA);
}

// Fading out replaces fading in: the two never run together, so the window
// never swings back toward full opacity.
void StartFadeOut(HWND window) {
  KillTimer(window, kFadeInTimer);
  SetTimer(window, kFadeOutTimer, kFadePeriodMs, nullptr);
}

void SetPointerCursor() { SetCursor(PopupWantsHand(gPopup.hover) ? gPopup.hand : gPopup.arrow); }

// --- painting ---

void FillWith(HDC dc, const PopupRect& rect, HBRUSH brush) {
  RECT area = {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
  // The picture's origin at the rectangle's top-left corner.
  SetBrushOrgEx(dc, rect.left, rect.top, nullptr);
  if (brush != nullptr) FillRect(dc, &area, brush);
}

void DrawButton(HDC dc, const PopupRect& rect, HBRUSH face, const wchar_t* label) {
  FillWith(dc, rect, face);
  RECT area = {rect.left, rect.top, rect.left + rect.width, rect.top + rect.height};
  RECT measured = area;
  DrawTextW(dc, label, -1, &measured, DT_CALCRECT | DT_CENTER);
  area.top = PopupCentredTop(area.top, area.bottom, measured.bottom);
  SetTextColor(dc, kLabelInk);
  DrawTextW(dc, label, -1, &area, DT_CENTER);
}

void DrawMessage(HDC dc) {
  const UINT format = DT_WORDBREAK | DT_CENTER | DT_END_ELLIPSIS;
  RECT area = {kPopupTextLeft, kPopupTextTop, kPopupTextRight, PopupTextBottom(gPopup.kind)};
  RECT measured = area;
  DrawTextW(dc, gPopup.text, -1, &measured, format | DT_CALCRECT);
  // A message taller than its area starts above it and is cut at its bottom.
  area.top = PopupCentredTop(area.top, area.bottom, measured.bottom);
  SetTextColor(dc, kInk);
  DrawTextW(dc, gPopup.text, -1, &area, format);
}

void Compose(HDC dc) {
  const HBRUSH* brush = gPopup.brushes;
  RECT whole = {0, 0, kPopupWidth, kPopupHeight};
  SetBrushOrgEx(dc, 0, 0, nullptr);
  HBRUSH back = brush[gPopup.hover.close ? kBackClose : kBack];
  FillRect(dc, &whole, back != nullptr ? back : static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  const UiStrings& strings = Strings();
  if (gPopup.kind == kPopupTwoButtons) {
    DrawButton(dc, kPopupLeftButtonRect, brush[gPopup.hover.left ? kButtonHover : kButton], strings.wstr_download);
    DrawButton(dc, kPopupRightButtonRect, brush[gPopup.hover.right ? kButtonHover : kButton], strings.wstr_info);
  } else if (gPopup.kind == kPopupWideButton) {
    DrawButton(dc, kPopupWideButtonRect, brush[gPopup.hover.wide ? kWideHover : kWide], strings.wstr_play);
  }
  SetTextColor(dc, kInk);
  TextOutA(dc, kPopupCaptionX, kPopupCaptionY, kCaption, static_cast<int>(sizeof kCaption - 1));
  DrawMessage(dc);
}

// --- handlers ---

LRESULT OnCreate(HWND window) {
  gPopup.open = true;
  gPopup.window = window;
  HINSTANCE instance = App().instance;
  for (int i = 0; i < kSkinCount; ++i) {
    gPopup.bitmaps[i] = LoadBitmapW(instance, MAKEINTRESOURCEW(kPopupBackground + i));
    gPopup.brushes[i] = gPopup.bitmaps[i] != nullptr ? CreatePatternBrush(gPopup.bitmaps[i]) : nullptr;
  }
  gPopup.hover = PopupHover{};
  gPopup.dragging = false;
  gPopup.trackingLeave = false;
  HDC screen = GetDC(window);
  gPopup.canvas = CreateCompatibleDC(screen);
  gPopup.canvasBitmap = CreateCompatibleBitmap(screen, kPopupWidth, kPopupHeight);
  ReleaseDC(window, screen);
  gPopup.canvasDefaultBitmap = SelectObject(gPopup.canvas, gPopup.canvasBitmap);
  SetTimer(window, kFadeInTimer, kFadePeriodMs, nullptr);
  GetCursorPos(&gPopup.startPointer);
  gPopup.lastPointer = gPopup.startPointer;
  SetTimer(window, kPointerTimer, kPointerCheckMs, nullptr);
  gPopup.arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  gPopup.hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));   // IDC_HAND
  return 0;
}

void OnDestroy() {
  if (gPopup.dragging) {
    gPopup.dragging = false;
    ReleaseCapture();
  }
  SelectObject(gPopup.canvas, gPopup.canvasDefaultBitmap);
  DeleteObject(gPopup.canvasBitmap);
  DeleteDC(gPopup.canvas);
  gPopup.canvas = nullptr;
  gPopup.canvasBitmap = nullptr;
  for (int i = 0; i < kSkinCount; ++i) {
    if (gPopup.brushes[i] != nullptr) DeleteObject(gPopup.brushes[i]);
    if (gPopup.bitmaps[i] != nullptr) DeleteObject(gPopup.bitmaps[i]);
    gPopup.brushes[i] = nullptr;
    gPopup.bitmaps[i] = nullptr;
  }
  // The cursors are the system's shared ones: nothing to release.
  gPopup.open = false;
  gPopup.window = nullptr;
}

void OnTimer(HWND window, WPARAM timer) {
  switch (timer) {
    case kFadeInTimer:
      gPopup.alpha = PopupFadeInStep(gPopup.alpha);
      if (gPopup.alpha == 255) KillTimer(window, kFadeInTimer);
      ApplyAlpha(window);
      break;
    case kFadeOutTimer:
      gPopup.alpha = PopupFadeOutStep(gPopup.alpha);
      if (gPopup.alpha == 0) {
        KillTimer(window, kFadeOutTimer);
        DestroyWindow(window);
        return;
      }
      ApplyAlpha(window);
      break;
    case kLingerTimer:
      KillTimer(window, kLingerTimer);
      StartFadeOut(window);
      break;
    case kPointerTimer: {
      POINT now;
      if (GetCursorPos(&now) && (now.x != gPopup.startPointer.x || now.y != gPopup.startPointer.y)) {
        KillTimer(window, kPointerTimer);
        SetTimer(window, kLingerTimer, kLingerMs, nullptr);
      }
      break;
    }
    default: break;
  }
}

void OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  if (gPopup.canvas != nullptr) {
    Compose(gPopup.canvas);
    BitBlt(dc, 0, 0, kPopupWidth, kPopupHeight, gPopup.canvas, 0, 0, SRCCOPY);
  }
  EndPaint(window, &paint);
}

// What the pointer at client (x, y) is on; the looks that change are redrawn.
void UpdateHover(HWND window, int x, int y) {
  PopupHover now = PopupHoverAt(gPopup.kind, x, y);
  if (PopupLooksDiffer(gPopup.hover, now)) InvalidateRect(window, nullptr, FALSE);
  gPopup.hover = now;
}

// Coordinates are read signed: while the window holds the capture, the
// pointer may be left of or above it.
void OnMouseMove(HWND window, int x, int y) {
  POINT pointer = {x, y};
  ClientToScreen(window, &pointer);
  if (gPopup.dragging) {
    RECT frame;
    GetWindowRect(window, &frame);
    SetWindowPos(window, HWND_TOPMOST, frame.left + pointer.x - gPopup.lastPointer.x,
                 frame.top + pointer.y - gPopup.lastPointer.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
  }
  gPopup.lastPointer = pointer;
  UpdateHover(window, x, y);
  if (!gPopup.trackingLeave) {
    TRACKMOUSEEVENT track = {sizeof track, TME_LEAVE, window, 0};
    gPopup.trackingLeave = TrackMouseEvent(&track) != FALSE;
  }
  SetPointerCursor();
}

// The pointer has left the window: no part stays lit.
void OnMouseLeave(HWND window) {
  gPopup.trackingLeave = false;
  if (gPopup.dragging) return;
  PopupHover none;
  if (PopupLooksDiffer(gPopup.hover, none)) InvalidateRect(window, nullptr, FALSE);
  gPopup.hover = none;
}

void Tell(UINT message) { SendMessageW(App().mainWindow, message, 0, kPopupClickLParam); }

void OnButtonDown(HWND window, int x, int y) {
  // The press itself says where it is: a press with no move before it, or
  // after the kind has changed, acts on what is under it now.
  POINT pointer = {x, y};
  ClientToScreen(window, &pointer);
  gPopup.lastPointer = pointer;
  UpdateHover(window, x, y);
  PopupAction action = PopupActionFor(gPopup.hover);
  switch (action) {
    case kPopupNothing: break;
    case kPopupDrag:
      SetCapture(window);
      gPopup.dragging = true;
      break;
    case kPopupFadeOut: StartFadeOut(window); break;
    // The main window may pump messages while it acts (the shell): the
    // window may be gone when the send returns, so nothing follows it.
    case kPopupRequestMore: StartFadeOut(window); Tell(kTrayMessage); break;
    case kPopupRequestDownload: StartFadeOut(window); Tell(kDownloadAnnouncedMessage); break;
    case kPopupRequestPlay: StartFadeOut(window); Tell(kPlayInstalledMessage); break;
  }
}

void OnButtonUp() {
  if (!gPopup.dragging) return;
  gPopup.dragging = false;
  ReleaseCapture();
}

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: OnDestroy(); return 0;
    case WM_TIMER: OnTimer(window, wParam); return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND: return 1;  // every paint covers the whole window
    case WM_MOUSEMOVE: OnMouseMove(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_MOUSELEAVE: OnMouseLeave(window); return 0;
    case WM_LBUTTONDOWN: OnButtonDown(window, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)); return 0;
    case WM_LBUTTONUP: OnButtonUp(); return 0;
    case WM_CAPTURECHANGED: gPopup.dragging = false; return 0;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_SETCURSOR:
      if (LOWORD(lParam) != HTCLIENT) break;
      SetPointerCursor();
      return TRUE;
    case WM_CLOSE: return 0;  // the system's close command does nothing
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void CreatePopupWindow() {
  RECT area;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0)) {
    area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  const AppState& app = App();
  HWND window = CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOPMOST, kPopupClass, kPopupTitle,
                                WS_POPUP, area.right - kPopupOffsetX, area.bottom - kPopupOffsetY, kPopupWidth,
                                kPopupHeight, app.mainWindow, nullptr, app.instance, nullptr);
  if (window == nullptr) return;
  ApplyAlpha(window);
  // Shown without activation: the user's window keeps the focus.
  ShowWindow(window, SW_SHOWNOACTIVATE);
  UpdateWindow(window);
}

}  // namespace

bool RegisterPopupClass(HINSTANCE instance) {
  WNDCLASSEXW windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = PopupWindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = kPopupClass;
  return RegisterClassExW(&windowClass) != 0;
}

void ShowPopup(const wchar_t* text, int64_t kind) {
  size_t length = 0;
  if (text != nullptr) {
    while (length < 255 && text[length] != L'\0') ++length;
    std::wmemcpy(gPopup.text, text, length);
  }
  gPopup.text[length] = L'\0';
  gPopup.kind = PopupKindOf(kind);
  if (gPopup.open) {
    // Buttons of the old kind are no longer lit; the new text shows now.
    gPopup.hover = PopupHover{};
    // News that comes while the window fades out would vanish with it: the
    // window fades in again and stays as a new one does, until the pointer
    // has moved and 20 s have passed.
    if (KillTimer(gPopup.window, kFadeOutTimer)) {
      SetTimer(gPopup.window, kFadeInTimer, kFadePeriodMs, nullptr);
      KillTimer(gPopup.window, kLingerTimer);
      GetCursorPos(&gPopup.startPointer);
      SetTimer(gPopup.window, kPointerTimer, kPointerCheckMs, nullptr);
    }
    InvalidateRect(gPopup.window, nullptr, FALSE);
    return;
  }
  gPopup.alpha = 0;
  CreatePopupWindow();
}

void DismissPopup() {
  if (gPopup.open) DestroyWindow(gPopup.window);
}
