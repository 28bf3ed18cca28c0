// Main window procedure: a table of contents, one line per message, the
// handlers below it. Only WM_CLOSE with wParam 1 and lParam 1 ends the manager
// (the exit request of a starting launcher or manager, or the menu's exit
// item), and only while no game runs; every other close only hides the window.
#include "core/main_window.h"

#include <wininet.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <vector>

#include "config/announcement.h"
#include "config/catalogue_check.h"
#include "config/config_text.h"
#include "config/game_catalogue.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/launching.h"
#include "core/text.h"
#include "core/tray.h"
#include "download/catalogue_request.h"
#include "download/digests.h"
#include "download/download_file.h"
#include "download/download_list.h"
#include "download/download_thread.h"
#include "download/transfer_state.h"
#include "resources/resource_ids.h"
#include "ui/download_area.h"
#include "ui/engine/win32/htmlayout.h"
#include "ui/game_list.h"
#include "ui/popup.h"
#include "ui/popup_layout.h"
#include "ui/screens.h"
#include "ui/ui_strings.h"

namespace {

const wchar_t kMainScreen[] = L"screen_reg.htm";
const wchar_t kGameListScreen[] = L"screen_gamelist.htm";

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

// Puts the window back on top while it is the user's active window.
void RaiseIfForeground(HWND window) {
  if (App().windowVisible && GetForegroundWindow() == window) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

// --- the game ---

void PlayCurrentGame(HWND window) {
  AppState& app = App();
  app.gameRunning = true;
  HideMainWindow(window);
  UpdateWindow(window);
  // A pop-up left open would stay on top of the game, frozen, until it ends.
  DismissPopup();
  RunGame();  // blocks this thread until the game has ended
  ShowMainWindow(window, false);
  UpdateWindow(window);
  LoadScreen(kMainScreen, window);
  app.gameRunning = false;
}

// Plays the current game as if its play button had been clicked.
void StartAutomaticPlay(HWND window) {
  PostElementClick(window, L"buttplay", nullptr);
}

// Re-reads the installed games; true when their number changed, and then the
// list is rebuilt instead of acting on the click (the user clicks again).
bool GameCountChanged(HWND window) {
  size_t before = InstalledGameCount();
  ScanInstalledGames();
  if (InstalledGameCount() == before) return false;
  PostMessageA(window, kRebuildGameListMessage, 0, 0);
  return true;
}

// The game id of a list row: the number after "gametab" in the row's id.
int32_t GameIdOfRow(HELEMENT row) {
  LPCWSTR id = nullptr;
  HTMLayoutGetAttributeByName(row, "id", &id);
  if (id == nullptr || std::wcslen(id) < 7) return 0;
  char digits[64];
  WideToAnsi(id + 7, digits);
  return LeadingNumber(digits);
}

void OnGameRowClick(HWND window, HELEMENT element) {
  if (GameCountChanged(window)) return;
  for (HELEMENT at = element; at != nullptr;) {
    LPCWSTR id = nullptr;
    HTMLayoutGetAttributeByName(at, "id", &id);
    if (id != nullptr && std::wcsncmp(id, L"gametab", 7) == 0) {
      SelectGame(GameIdOfRow(at));
      LoadScreen(kMainScreen, window);
      return;
    }
    HELEMENT parent = nullptr;
    if (HTMLayoutGetParentElement(at, &parent) != HLDOM_OK) return;
    at = parent;
  }
}

// The row's play button: the row is its fourth ancestor (td, tr, table, li).
void OnRowPlayClick(HWND window, HELEMENT button) {
  if (GameCountChanged(window)) return;
  HELEMENT row = button;
  for (int i = 0; i < 4 && row != nullptr; ++i) {
    HELEMENT parent = nullptr;
    HTMLayoutGetParentElement(row, &parent);
    row = parent;
  }
  SelectGame(GameIdOfRow(row));
  LoadScreen(kMainScreen, window);
  if (FindElementById(L"buttnoplay", window) == nullptr) StartAutomaticPlay(window);
}

// Opens the "href" of the clicked element's parent (advert and link parts).
void OpenParentLink(HELEMENT element) {
  HELEMENT parent = nullptr;
  if (HTMLayoutGetParentElement(element, &parent) != HLDOM_OK || parent == nullptr) return;
  LPCWSTR href = nullptr;
  HTMLayoutGetAttributeByName(parent, "href", &href);
  if (href != nullptr) OpenWithShellWide(href);
}

// --- downloads ---

// A download the user asked for: shown with its progress, checked against
// its digest when one is named. An address that is not one (or does not fit)
// is refused.
bool AppendUserDownload(HWND window, const char* address, const char* digest = "") {
  DownloadRecord record;
  if (!MakeGameDownload(App().dataFolder, address, true, &record)) return false;
  if (digest[0] != '\0') SetDownloadDigest(record.url, digest);
  AppendDownload(record);
  SaveDownloadList();
  WakeDownloadThread();
  Transfer().downloadActive = true;
  RefreshDownloadArea(window, false);
  return true;
}

// The text at `address` when it lies in readable memory of this process and
// ends within an address's length; false otherwise. The in-process form of
// the download message carries a pointer, which a message from elsewhere
// could fill with anything.
bool ReadLocalText(const void* address, char (&text)[260]) {
  const char* at = static_cast<const char*>(address);
  size_t copied = 0;
  while (copied < sizeof text) {
    MEMORY_BASIC_INFORMATION region;
    if (at == nullptr || VirtualQuery(at, &region, sizeof region) != sizeof region) return false;
    const DWORD readable = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY | PAGE_EXECUTE_READ |
                           PAGE_EXECUTE_READWRITE | PAGE_EXECUTE_WRITECOPY;
    if (region.State != MEM_COMMIT || (region.Protect & readable) == 0 ||
        (region.Protect & (PAGE_GUARD | PAGE_NOACCESS)) != 0) {
      return false;
    }
    const char* end = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
    while (at < end && copied < sizeof text) {
      text[copied] = *at++;
      if (text[copied++] == '\0') return true;
    }
  }
  return false;
}

LRESULT OnDownloadGameMessage(HWND window, WPARAM wParam) {
  char address[260];
  if (ReadLocalText(reinterpret_cast<const void*>(wParam), address)) AppendUserDownload(window, address);
  return 1;
}

// The download message from another process: WM_COPYDATA whose dwData is the
// registered message's id and whose data is the address with its NUL.
LRESULT OnCopyData(HWND window, const COPYDATASTRUCT* data) {
  UINT id = App().downloadGameMessage;
  if (data == nullptr || id == 0 || data->dwData != id || data->lpData == nullptr) return FALSE;
  const char* text = static_cast<const char*>(data->lpData);
  size_t limit = data->cbData < 260 ? data->cbData : 260;
  const void* end = std::memchr(text, '\0', limit);
  if (end == nullptr) return FALSE;  // not terminated within its size, or too long
  return AppendUserDownload(window, text) ? TRUE : FALSE;
}

// Tells the server that an installation happened; the answer is not read.
// On a thread of its own: the server may be slow or away.
DWORD WINAPI ReportInstallation(LPVOID) {
  Announcement news = AnnouncementCopy();
  HINTERNET internet = InternetOpenA("IE6", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (internet == nullptr) return 0;
  if (news.installReport[0] != '\0') {
    HINTERNET request = InternetOpenUrlA(internet, news.installReport, nullptr, 0,
                                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0);
    if (request != nullptr) InternetCloseHandle(request);
  }
  InternetCloseHandle(internet);
  return 0;
}

// --- handlers ---

LRESULT OnCreate(HWND window) {
  AppState& app = App();
  app.mainWindow = window;
  app.catalogueCheckRunning = true;
  HTMLayoutSetCallback(window, OnEngineNotification, nullptr);
  HTMLayoutWindowAttachEventHandler(window, ScreenClickHandler, nullptr, HANDLE_MOUSE);
  LoadScreen(kMainScreen, window);
  StartCatalogueCheck(0);
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
    WakeDownloadThread();
    StopCatalogueRequests();
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
  if (timer == kRaiseAgainTimerId) {
    KillTimer(window, kRaiseAgainTimerId);
    RaiseIfForeground(window);
    return 1;
  }
  if (app.startDelayTimer != 0 && timer == app.startDelayTimer) {
    KillTimer(window, app.startDelayTimer);
    app.startDelayTimer = 0;
    app.catalogueTimer = SetTimer(window, kCatalogueTimerId, kCatalogueTimerPeriodMs, nullptr);
  }
  if (app.catalogueTimer != 0 && timer == app.catalogueTimer && !app.catalogueCheckRunning) {
    app.catalogueCheckRunning = true;
    StartCatalogueCheck(1);
  }
  return 1;
}

// A completed click on an element with an id; the id text is a heap copy
// that this handler frees. Ids are compared by content.
LRESULT OnElementClick(HWND window, WPARAM wParam) {
  HELEMENT element = nullptr;
  std::unique_ptr<wchar_t[]> owned = TakeClickedId(wParam, &element);
  const wchar_t* id = owned.get();
  if (id == nullptr) return 1;
  auto is = [id](const wchar_t* name) { return std::wcscmp(id, name) == 0; };
  if (is(L"listtable") || is(L"firstcol") || is(L"borderous") || is(L"tabpic") || is(L"secondcol") ||
      is(L"tabtext") || is(L"thirdcol") || is(L"fourthcol")) {
    OnGameRowClick(window, element);
  } else if (is(L"buttsmallplay")) {
    OnRowPlayClick(window, element);
  } else if (is(L"buttplay")) {
    PlayCurrentGame(window);
  } else if (is(L"mygamespage")) {
    ScanInstalledGames();
    LoadScreen(kGameListScreen, window);
  } else if (is(L"buttbacktogame")) {
    LoadScreen(kMainScreen, window);
  } else if (is(L"GGGG")) {
    if (App().gameListShown) LoadScreen(kMainScreen, window);
  } else if (is(L"buttmore")) {
    char address[256];
    BuildSiteAddress(CurrentGameCopy(), address, sizeof address);
    OpenWithShell(address);
  } else if (is(L"parenthref") || is(L"adverthref")) {
    OpenParentLink(element);
  } else if (is(L"buttexit")) {
    PostMessageA(window, WM_CLOSE, 0, 0);
  } else if (is(L"buttdownload")) {
    PromotionState promotion = CurrentPromotion();
    AppendUserDownload(window, promotion.downloadUrl, promotion.downloadSha256);
  } else if (is(L"buttcancel")) {
    RequestCancelDownload();
    Transfer().downloadActive = false;
    RefreshDownloadArea(window, false);
  }
  return 1;
}

LRESULT OnRebuildGameList(HWND window) {
  HELEMENT list = FindElementById(L"gamelistframe", window);
  if (list == nullptr) return 1;
  POINT position = {};
  HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
  BuildGameList(list);
  HTMLayoutSetScrollPos(list, position, FALSE);
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
  LoadScreen(kMainScreen, window);
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

// The pop-up's news game, fetched in the background.
LRESULT OnDownloadAnnounced() {
  DownloadRecord record;
  char address[260];
  Announcement news = AnnouncementCopy();
  if (std::strlen(news.gameDownload) >= sizeof address) return 1;  // longer than any address
  CopyText(address, news.gameDownload);
  if (MakeGameDownload(App().dataFolder, address, false, &record)) {
    if (news.gameDownloadSha256[0] != '\0') SetDownloadDigest(record.url, news.gameDownloadSha256);
    AppendDownload(record);
    SaveDownloadList();
    WakeDownloadThread();
  }
  return 1;
}

LRESULT OnPlayInstalled(HWND window) {
  SelectGame(App().installedGameId);
  LoadScreen(kMainScreen, window);
  ShowMainWindow(window, true);
  if (FindElementById(L"buttnoplay", window) == nullptr) StartAutomaticPlay(window);
  return 1;
}

LRESULT OnInstallerEnded(HWND window) {
  AppState& app = App();
  if (HANDLE report = CreateThread(nullptr, 0, ReportInstallation, nullptr, 0, nullptr)) CloseHandle(report);
  std::vector<int32_t> before = InstalledProductIds();
  ScanInstalledGames();
  std::vector<int32_t> after = InstalledProductIds();
  // The banner stops promoting the game that is now installed.
  ChoosePromotion();
  if (after.size() > before.size()) {
    for (int32_t id : after) {
      if (std::find(before.begin(), before.end(), id) == before.end()) {
        app.installedGameId = id;
        break;
      }
    }
    app.lastPopupWasInstall = true;
    ShowPopup(Strings().wstring_game_installed, kPopupWideButton);
  } else {
    app.installedGameId = 0;
  }
  if (app.gameListShown) LoadScreen(kGameListScreen, window);
  PostMessageA(window, kRebuildGameListMessage, 0, 0);
  return 1;
}

// News from another thread, which has written newsText before it sent this.
LRESULT OnShowNews(LPARAM kind) {
  AppState& app = App();
  // A click on the pop-up acts on what it shows: the catalogue's game here.
  if (PopupKindOf(kind) == kPopupTwoButtons) app.lastPopupWasInstall = false;
  ShowPopup(app.newsText, kind);
  return 1;
}

LRESULT OnFinishStart(HWND window) {
  AddTrayIcon(window);
  // Where the shell shows its icons in a window of their own (a system
  // without a taskbar), that window comes up with the first icon, above the
  // manager's, at once or, on a busy system, a moment later: the manager's
  // goes back above it now and once more shortly.
  if (App().windowVisible) {
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetTimer(window, kRaiseAgainTimerId, kRaiseAgainMs, nullptr);
  }
  WriteManagerVersion();
  return 1;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const AppState& app = App();
  // The engine sees every message first, except while a screen is being
  // filled; timers always reach the handlers below as well.
  if (!app.screenLoading) {
    BOOL handled = FALSE;
    LRESULT result = HTMLayoutProcND(window, message, wParam, lParam, &handled);
    if (handled && message != WM_TIMER) return result;
  }
  if (message != 0 && message == app.reselectGameMessage) return OnExitRequest(window);
  if (message != 0 && message == app.downloadGameMessage) return OnDownloadGameMessage(window, wParam);
  if (message != 0 && message == gTaskbarCreatedMessage) {
    RestoreTrayIcon();
    return 0;
  }
  switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: return OnDestroy();
    case WM_CLOSE: return OnClose(window, wParam, lParam);
    case WM_COMMAND: return OnCommand(window, message, wParam, lParam);
    case WM_TIMER: return OnTimer(window, wParam);
    case kElementClickMessage:
      return OnElementClick(window, wParam);
    case kRebuildGameListMessage: return OnRebuildGameList(window);
    case kTrayMessage: return OnTrayMessage(window, lParam);
    case kDownloadAnnouncedMessage: return OnDownloadAnnounced();
    case WM_COPYDATA: return OnCopyData(window, reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case kPlayInstalledMessage: return OnPlayInstalled(window);
    case kInstallerEndedMessage: return OnInstallerEnded(window);
    case kShowNewsMessage: return OnShowNews(lParam);
    case kRefreshRequestMessage: OnDownloadAreaRefreshRequest(); return 1;
    case kProgressRequestMessage: OnDownloadProgressRequest(); return 1;
    case kFinishStartMessage: return OnFinishStart(window);
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
  PostMessageA(window, kFinishStartMessage, 0, 0);
  if (app.windowVisible) {
    ShowMainWindow(window, true);
  } else {
    HideMainWindow(window);
  }
  UpdateWindow(window);
  return window;
}
