// The manager's main window: class "ZarnWrapperWindow", a fixed 730 x 512
// client area, the exit request and the hide-on-close rule.
#pragma once

#include <windows.h>

constexpr int kClientWidth = 730;
constexpr int kClientHeight = 512;

bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window titled with the company name, stores it in AppState
// and shows or hides it by AppState::windowVisible. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);
