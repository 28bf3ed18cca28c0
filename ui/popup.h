// The news pop-up: a skinned, layered window of class "infoname" that fades
// in 20 pixels inside the bottom-right corner of the work area without
// taking the focus, stays until the pointer has moved and 20 s more, and
// fades out; a click on a button or on the message tells the main window.
// User-interface thread only; other threads reach ShowPopup by sending the
// main window its news message.
#pragma once

#include <windows.h>

#include <cstdint>

// Messages the pop-up sends to the main window, with wParam 0 and this
// lParam (the notification area's "balloon clicked").
constexpr LPARAM kPopupClickLParam = 0x405;

bool RegisterPopupClass(HINSTANCE instance);

// Shows text (at most 255 UTF-16 units are kept) with the buttons of kind
// (0 text only, 1 download and more, 2 play; any other number shows text
// only). A pop-up already open takes the new text and kind and is redrawn;
// its fading and waiting go on. Owned by AppState::mainWindow.
void ShowPopup(const wchar_t* text, int64_t kind);

// Closes an open pop-up at once, without fading (a game is about to take
// the user-interface thread, and a pop-up left on top would freeze there).
void DismissPopup();
