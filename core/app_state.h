// AppState: the process-wide application state that every part of the manager
// reads. Plain data, zeroed before start-up. Fields written by one thread and
// read by another are atomic; everything else is written before the worker
// threads start or only by the user-interface thread.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <atomic>

// The manager's own version: written as "version" at every start and compared
// with the version the server offers.
constexpr DWORD kManagerVersion = 4;

constexpr char kReselectGameMessageName[] = "WM_NEED_TO_RESELECT_GAME_ZARNSOFT";
constexpr char kDownloadGameMessageName[] = "WM_NEED_TO_DOWNLOAD_GAME";
constexpr char kMainWindowClass[] = "ZarnWrapperWindow";

struct AppState {
  char gameFolder[MAX_PATH];  // the launcher's folder, no trailing backslash
  char dataFolder[MAX_PATH];  // where the manager writes; see SettleDataFolder
  bool isVistaOrLater;
  HINSTANCE instance;
  std::atomic<HWND> mainWindow;  // worker threads post to it
  HMENU trayMenu;
  HICON trayIcon;
  NOTIFYICONDATAW trayData;
  UINT reselectGameMessage;
  UINT downloadGameMessage;
  bool windowVisible;
  bool gameRunning;
  bool autostartEnabled;
  int installedGameId;
  UINT_PTR catalogueTimer;
  UINT_PTR startDelayTimer;
  HANDLE downloadThread;
  DWORD downloadThreadId;
  HANDLE catalogueThread;
  DWORD catalogueThreadId;
  wchar_t newsText[256];  // written by a sender of the news message before it sends

  std::atomic<bool> quitting;
  std::atomic<bool> transferStop;
  std::atomic<bool> screenLoading;
  std::atomic<bool> gameListShown;
  std::atomic<bool> catalogueCheckRunning;
  std::atomic<bool> lastPopupWasInstall;
};

AppState& App();

#if defined(__i386__)
// The notification-area record as Windows Vista and later define it.
static_assert(sizeof(NOTIFYICONDATAW) == 956, "NOTIFYICONDATAW of the 32-bit build");
#endif
