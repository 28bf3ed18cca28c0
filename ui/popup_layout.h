// The news pop-up's geometry and rules, without Windows headers: where each
// part of the 250 x 200 window lies, what the pointer is on, what a click
// does, the fade steps and the vertical centring of its texts.
#pragma once

#include <cstdint>

constexpr int kPopupWidth = 250;
constexpr int kPopupHeight = 200;
// The window's top-left corner lies this far left of and above the work
// area's bottom-right corner: 20 pixels inside it.
constexpr int kPopupOffsetX = 270;
constexpr int kPopupOffsetY = 220;

// What the news is about, and which buttons it shows.
enum PopupKind : int32_t {
  kPopupTextOnly = 0,    // the manager was updated
  kPopupTwoButtons = 1,  // a new game in the catalogue: download, more
  kPopupWideButton = 2,  // a game was installed: play
};
// Any other number is shown as text only.
PopupKind PopupKindOf(int64_t value);

// Rectangles as left, top, width, height. Hit tests include every edge:
// left <= x <= left + width and top <= y <= top + height.
struct PopupRect {
  int left, top, width, height;
};
constexpr PopupRect kPopupLeftButtonRect = {10, 130, 114, 57};
constexpr PopupRect kPopupRightButtonRect = {125, 130, 114, 57};
constexpr PopupRect kPopupWideButtonRect = {11, 130, 228, 56};
constexpr int kPopupCaptionX = 10;
constexpr int kPopupCaptionY = 6;
// The message is drawn between these; the bottom depends on the kind.
constexpr int kPopupTextLeft = 12;
constexpr int kPopupTextTop = 39;
constexpr int kPopupTextRight = 237;
int PopupTextBottom(PopupKind kind);

bool InPopupRect(const PopupRect& rect, int x, int y);
// The close spot: the circle of radius 8 around (234, 14).
bool InPopupCloseSpot(int x, int y);
// The message body, buttons included: 7 <= x <= 242, 34 <= y <= 193.
bool InPopupBody(int x, int y);

// What the pointer at client (x, y) is on. Button flags are set only for the
// buttons the kind shows; the caption strip (y <= 27) excludes the close spot.
struct PopupHover {
  bool close = false;
  bool left = false;
  bool right = false;
  bool wide = false;
  bool body = false;
  bool caption = false;
};
PopupHover PopupHoverAt(PopupKind kind, int x, int y);
bool operator==(const PopupHover& a, const PopupHover& b);

// The hand over the close spot and the message body (buttons included).
bool PopupWantsHand(const PopupHover& hover);
// The hover looks that change the picture: the close spot and the buttons.
bool PopupLooksDiffer(const PopupHover& a, const PopupHover& b);

// What a left button press does. Every action but kPopupDrag fades the
// window out; the three requests also tell the main window.
enum PopupAction {
  kPopupNothing,
  kPopupDrag,             // the caption strip: the window follows the pointer
  kPopupFadeOut,          // the close spot
  kPopupRequestMore,      // right button or message body: more about the news
  kPopupRequestDownload,  // left button: download the announced game
  kPopupRequestPlay,      // wide button: play the installed game
};
PopupAction PopupActionFor(const PopupHover& hover);

// One step of the fade in or out: 15 more or less, held within 0..255.
constexpr int kPopupAlphaStep = 15;
int PopupFadeInStep(int alpha);
int PopupFadeOutStep(int alpha);

// The top at which a text measured from `top` down to `measuredBottom` is
// drawn so that it sits in the middle of top..bottom: moved down by half of
// the room left over, truncated toward zero. A text taller than the room
// starts above `top` by half of its excess.
int PopupCentredTop(int top, int bottom, int measuredBottom);
