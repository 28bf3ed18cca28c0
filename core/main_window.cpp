// Main window procedure: a table of contents, one line per message, the
// handlers below it. Only WM_CLOSE with wParam 1 and lParam 1 ends the manager
// (the exit request of a starting launcher or manager, or the menu's exit
// item), and only while no game runs; every other close only hides the window.
#include "core/main_window.h"

#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "config/announcement.h"
#include "config/config_text.h"
#include "config/game_catalogue.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "core/app_state.h"
#include "core/launching.h"
#include "core/text.h"
#include "core/tray.h"
#include "resources/resource_ids.h"

namespace {

UINT gTaskbarCreatedMessage = 0;

void ShowMainWindow(HWND window, bool foreground) {
  App().windowVisible = true;
  ShowWindow(window, SW_SHOW);
  if (foreground) SetForegroundWindow(window);
}

void HideMainWindow(HWND window) {
  App().windowVisible = false;
  ShowWindow(window, SW_HIDE);
}

// --- the game ---

void PlayCurrentGame(HWND window) {
  AppState& app = App();
  app.gameRunning = true;
  HideMainWindow(window);
  UpdateWindow(window);
  RunGame();  // blocks this thread until the game has ended
  ShowMainWindow(window, false);
  UpdateWindow(window);
  app.gameRunning = false;
}

// --- handlers ---

LRESULT OnCreate() {
  App().catalogueCheckRunning = true;
  return 0;
}

LRESULT OnExitRequest(HWND window) {
  PostMessageA(window, WM_CLOSE, 1, 1);
  return 1;
}

LRESULT OnClose(HWND window, WPARAM wParam, LPARAM lParam) {
  AppState& app = App();
  if (wParam == 1 && lParam == 1 && !app.gameRunning) {
    app.quitting = true;
    app.transferStop = true;
    DestroyWindow(window);
    return 0;
  }
  HideMainWindow(window);
  return 1;
}

LRESULT OnDestroy() {
  PostQuitMessage(0);
  return 0;
}

LRESULT OnCommand(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kMenuAutostart: ToggleAutostart(); return 1;
    case kMenuExit: PostMessageA(window, WM_CLOSE, 1, 1); return 1;
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

LRESULT OnTimer(HWND window, WPARAM timer) {
  AppState& app = App();
  if (app.startDelayTimer != 0 && timer == app.startDelayTimer) {
    KillTimer(window, app.startDelayTimer);
    app.startDelayTimer = 0;
    app.catalogueTimer = SetTimer(window, kCatalogueTimerId, kCatalogueTimerPeriodMs, nullptr);
  }
  if (app.catalogueTimer != 0 && timer == app.catalogueTimer && !app.catalogueCheckRunning) {
    // The periodic catalogue check starts here once the catalogue thread exists.
  }
  return 1;
}

// A completed click on an element with an id. The id text is compared by
// content.
LRESULT OnElementClick(HWND window, const wchar_t* id) {
  if (id == nullptr) return 1;
  if (std::wcscmp(id, L"buttplay") == 0) {
    PlayCurrentGame(window);
  } else if (std::wcscmp(id, L"buttexit") == 0) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else if (std::wcscmp(id, L"buttmore") == 0) {
    char address[256];
    BuildSiteAddress(CurrentGameCopy(), address, sizeof address);
    OpenWithShell(address);
  }
  return 1;
}

void OnNewsClicked(HWND window) {
  AppState& app = App();
  if (!app.lastPopupWasInstall) {
    Announcement news = AnnouncementCopy();
    if (news.gamePage[0] != '\0') {
      OpenWithShell(news.gamePage);
    } else {
      char address[256];
      BuildSiteAddress(CurrentGameCopy(), address, sizeof address);
      OpenWithShell(address);
    }
    return;
  }
  SelectGame(app.installedGameId);
  ShowMainWindow(window, true);
}

LRESULT OnTrayMessage(HWND window, LPARAM lParam) {
  switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
      if (App().windowVisible) {
        HideMainWindow(window);
      } else {
        ShowMainWindow(window, true);
      }
      break;
    case WM_RBUTTONUP: ShowTrayMenu(window); break;
    case kBalloonUserClick: OnNewsClicked(window); break;
    default: break;
  }
  return 1;
}

LRESULT OnPlayInstalled(HWND window) {
  SelectGame(App().installedGameId);
  ShowMainWindow(window, true);
  return 1;
}

// Tells the server that an installation happened; the answer is not read.
void ReportInstallation() {
  Announcement news = AnnouncementCopy();
  HINTERNET internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internet == nullptr) return;
  if (news.installReport[0] != '\0') {
    HINTERNET request = InternetOpenUrlA(internet, news.installReport, nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
    if (request != nullptr) InternetCloseHandle(request);
  }
  InternetCloseHandle(internet);
}

LRESULT OnInstallerEnded(HWND window) {
  AppState& app = App();
  ReportInstallation();
  std::vector<int32_t> before = InstalledProductIds();
  ScanInstalledGames();
  std::vector<int32_t> after = InstalledProductIds();
  if (after.size() > before.size()) {
    for (int32_t id : after) {
      if (std::find(before.begin(), before.end(), id) == before.end()) {
        app.installedGameId = id;
        break;
      }
    }
    app.lastPopupWasInstall = true;
  } else {
    app.installedGameId = 0;
  }
  PostMessageA(window, kRebuildGameListMessage, 0, 0);
  return 1;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const AppState& app = App();
  if (message != 0 && message == app.reselectGameMessage) return OnExitRequest(window);
  if (message != 0 && message == gTaskbarCreatedMessage) {
    RestoreTrayIcon();
    return 0;
  }
  switch (message) {
    case WM_CREATE: return OnCreate();
    case WM_DESTROY: return OnDestroy();
    case WM_CLOSE: return OnClose(window, wParam, lParam);
    case WM_COMMAND: return OnCommand(window, message, wParam, lParam);
    case WM_TIMER: return OnTimer(window, wParam);
    case kElementClickMessage: return OnElementClick(window, reinterpret_cast<const wchar_t*>(wParam));
    case kTrayMessage: return OnTrayMessage(window, lParam);
    case kPlayInstalledMessage: return OnPlayInstalled(window);
    case kInstallerEndedMessage: return OnInstallerEnded(window);
    default: return DefWindowProcA(window, message, wParam, lParam);
  }
}

}  // namespace

UINT StartDelayMs(int r) {
  float share = static_cast<float>(r) / 32767.0f;
  return static_cast<UINT>(share * 3600000.0f);
}

bool RegisterMainWindowClass(HINSTANCE instance) {
  gTaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconLarge));
  windowClass.hIconSm = LoadIconA(instance, MAKEINTRESOURCEA(kIconSmall));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kMainWindowClass;
  return RegisterClassExA(&windowClass) != 0;
}

HWND CreateMainWindow(HINSTANCE instance) {
  const DWORD style = WS_CAPTION | WS_SYSMENU;
  RECT frame = {100, 100, 100 + kClientWidth, 100 + kClientHeight};
  AdjustWindowRect(&frame, style, FALSE);
  wchar_t title[256];
  AnsiToWide(ProductConfigRef().companyName, title);
  wchar_t className[32];
  AnsiToWide(kMainWindowClass, className);
  HWND window = CreateWindowExW(0, className, title, style, CW_USEDEFAULT, 0,
                                frame.right - frame.left, frame.bottom - frame.top, nullptr,
                                nullptr, instance, nullptr);
  AppState& app = App();
  app.instance = instance;
  app.mainWindow = window;
  if (window == nullptr) return nullptr;
  app.startDelayTimer = SetTimer(window, kStartDelayTimerId, StartDelayMs(std::rand()), nullptr);
  AddTrayIcon(window);
  if (app.windowVisible) {
    ShowMainWindow(window, true);
  } else {
    HideMainWindow(window);
  }
  UpdateWindow(window);
  return window;
}
