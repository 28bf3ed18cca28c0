#include "ui/popup_layout.h"

PopupKind PopupKindOf(int64_t value) {
  if (value == kPopupTwoButtons) return kPopupTwoButtons;
  if (value == kPopupWideButton) return kPopupWideButton;
  return kPopupTextOnly;
}

int PopupTextBottom(PopupKind kind) { return kind == kPopupTextOnly ? 188 : 130; }

bool InPopupRect(const PopupRect& rect, int x, int y) {
  return x >= rect.left && x <= rect.left + rect.width && y >= rect.top && y <= rect.top + rect.height;
}

bool InPopupCloseSpot(int x, int y) {
  // Pointer coordinates are client pixels, far too small to overflow.
  int dx = x - 234;
  int dy = y - 14;
  return dx * dx + dy * dy <= 64;
}

bool InPopupBody(int x, int y) { return x >= 7 && x <= 242 && y >= 34 && y <= 193; }

PopupHover PopupHoverAt(PopupKind kind, int x, int y) {
  PopupHover hover;
  hover.close = InPopupCloseSpot(x, y);
  hover.body = InPopupBody(x, y);
  if (kind == kPopupTwoButtons) {
    hover.left = InPopupRect(kPopupLeftButtonRect, x, y);
    hover.right = InPopupRect(kPopupRightButtonRect, x, y);
  } else if (kind == kPopupWideButton) {
    hover.wide = InPopupRect(kPopupWideButtonRect, x, y);
  }
  hover.caption = y <= 27 && !hover.close;
  return hover;
}

bool operator==(const PopupHover& a, const PopupHover& b) {
  return a.close == b.close && a.left == b.left && a.right == b.right && a.wide == b.wide &&
         a.body == b.body && a.caption == b.caption;
}

bool PopupWantsHand(const PopupHover& hover) { return hover.close || hover.body; }

bool PopupLooksDiffer(const PopupHover& a, const PopupHover& b) {
  return a.close != b.close || a.left != b.left || a.right != b.right || a.wide != b.wide;
}

PopupAction PopupActionFor(const PopupHover& hover) {
  if (hover.right) return kPopupRequestMore;
  if (hover.close) return kPopupFadeOut;
  if (hover.left) return kPopupRequestDownload;
  if (hover.wide) return kPopupRequestPlay;
  if (hover.body) return kPopupRequestMore;
  if (hover.caption) return kPopupDrag;
  return kPopupNothing;
}

int PopupFadeInStep(int alpha) {
  alpha += kPopupAlphaStep;
  return alpha >= 255 ? 255 : alpha;
}

int PopupFadeOutStep(int alpha) {
  alpha -= kPopupAlphaStep;
  return alpha <= 0 ? 0 : alpha;
}

int PopupCentredTop(int top, int bottom, int measuredBottom) {
  // C++ division truncates toward zero, for a negative room too.
  return top + (bottom - measuredBottom) / 2;
}
