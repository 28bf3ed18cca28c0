// The manager's main window: class "ZarnWrapperWindow", a fixed 730 x 512
// client area, and the window procedure that dispatches every message.
#pragma once

#include <windows.h>

constexpr int kClientWidth = 730;
constexpr int kClientHeight = 512;

// Timer ids of the catalogue checks: 2 fires once after a random delay of up
// to an hour and arms 1, which fires every two hours.
constexpr UINT_PTR kCatalogueTimerId = 1;
constexpr UINT_PTR kStartDelayTimerId = 2;
constexpr UINT kCatalogueTimerPeriodMs = 7200000;
// Once, half a second after the notification-area icon was added: the
// window goes back above a shell window that came up late (see below).
constexpr UINT_PTR kRaiseAgainTimerId = 3;
constexpr UINT kRaiseAgainMs = 500;

// Private messages of the main window.
constexpr UINT kElementClickMessage = WM_USER + 10;     // wParam: a click of PostElementClick
constexpr UINT kRebuildGameListMessage = WM_USER + 12;
constexpr UINT kTrayMessage = WM_USER + 13;             // wParam: icon id, lParam: event
constexpr UINT kDownloadAnnouncedMessage = WM_USER + 14;
constexpr UINT kPlayInstalledMessage = WM_USER + 15;
constexpr UINT kInstallerEndedMessage = WM_USER + 16;
constexpr UINT kShowNewsMessage = WM_USER + 17;         // lParam: pop-up kind
// Requests of other threads for the download and banner area.
constexpr UINT kRefreshRequestMessage = WM_USER + 18;
constexpr UINT kProgressRequestMessage = WM_USER + 19;
// The start-up steps that wait until the window has been drawn: the
// notification-area icon and "version" in the registry.
constexpr UINT kFinishStartMessage = WM_USER + 20;
constexpr LPARAM kBalloonUserClick = 0x405;             // NIN_BALLOONUSERCLICK

bool RegisterMainWindowClass(HINSTANCE instance);

// Creates the main window titled with the company name, arms the first
// catalogue timer and shows or hides the window by AppState::windowVisible.
// The notification-area icon and "version" follow as the first posted
// message: both are slow under some systems, and the window is drawn before
// them. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// The period of the start-delay timer for a random number r in [0, 32767]:
// r / 32767 of an hour, in single precision, truncated to milliseconds.
UINT StartDelayMs(int r);
