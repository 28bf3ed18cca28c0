// Plays the demo's road by itself, as a user would with the mouse: the
// banner, the news of a new game, the click on the download button, the
// installer, the pop-up of the installed game, playing it, the advertisement
// that then takes the banner's place, the list of games, hiding to the
// notification area and the icon's menu there.
//
//   road.exe <publisher server log> <folder for step marks> [--update]
//
// With --update the catalogue also offers a manager update: the road then
// shows it being run and its news, before the download.
//
// Before each screenshot it prints "shot NN-name" and waits until the file
// NN-name.done appears in the marks folder (tools/demo.sh takes the picture
// from the X screen, which shows layered windows and the taskbar as they
// are). Ends with 0 when every step was seen, 1 with the step that was not.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

namespace {

std::string gServerLog;
std::string gMarks;

// Waits up to timeoutMs for the condition, checking every 100 ms.
template <typename Condition>
bool WaitFor(Condition condition, int timeoutMs) {
  for (int waited = 0; waited <= timeoutMs; waited += 100) {
    if (condition()) return true;
    Sleep(100);
  }
  return false;
}

void Shot(const char* step);

// A step that was not seen: a last screenshot shows how things stood.
[[noreturn]] void Fail(const char* step) {
  static bool failing = false;
  if (!failing) {
    failing = true;
    Shot("failed");
  }
  std::printf("road: %s\n", step);
  std::fflush(stdout);
  ExitProcess(1);
}

bool ServerSaw(const std::string& path) {
  std::ifstream log(gServerLog, std::ios::binary);
  std::stringstream text;
  text << log.rdbuf();
  return text.str().find("GET " + path) != std::string::npos;
}

HWND VisibleWindow(const char* className) {
  HWND window = FindWindowA(className, nullptr);
  return window != nullptr && IsWindowVisible(window) ? window : nullptr;
}

// Screenshots are numbered in the order taken: "01-banner", "02-news" ...
void Shot(const char* step) {
  static int number = 0;
  char name[64];
  std::snprintf(name, sizeof name, "%02d-%s", ++number, step);
  Sleep(700);  // fades and repaints settle
  std::printf("shot %s\n", name);
  std::fflush(stdout);
  std::string done = gMarks + "\\" + name + ".done";
  if (!WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000)) {
    Fail("no screenshot taken");
  }
}

// Pointer input in absolute coordinates (65536ths of the screen).
INPUT PointerInput(int x, int y, DWORD flags) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65535 + width / 2) / (width - 1);
  input.mi.dy = (y * 65535 + height / 2) / (height - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

void MovePointer(int x, int y) {
  INPUT move = PointerInput(x, y, 0);
  SendInput(1, &move, sizeof move);
  SetCursorPos(x, y);
}

// A click at a point of a window's client area, with the pointer: it moves
// there first (the hover look shows), and the press and release carry the
// point too, so that they land there even if a late pointer event of the
// X server has moved Wine's cursor meanwhile.
void Click(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  MovePointer(point.x, point.y);
  Sleep(300);
  INPUT press[2] = {PointerInput(point.x, point.y, MOUSEEVENTF_LEFTDOWN),
                    PointerInput(point.x, point.y, MOUSEEVENTF_LEFTUP)};
  SendInput(2, press, sizeof press[0]);
}

HWND WaitForWindow(const char* className, int timeoutMs, const char* step) {
  HWND found = nullptr;
  if (!WaitFor([&] { return (found = VisibleWindow(className)) != nullptr; }, timeoutMs)) Fail(step);
  return found;
}

void WaitForRequest(const std::string& path, int timeoutMs, const char* step) {
  if (!WaitFor([&] { return ServerSaw(path); }, timeoutMs)) Fail(step);
}

void WaitUntilGone(const char* className, int timeoutMs, const char* step) {
  if (!WaitFor([&] { return VisibleWindow(className) == nullptr; }, timeoutMs)) Fail(step);
}

// Element centres on the sample screens (style.css).
constexpr POINT kDownloadButton = {540, 407};
constexpr POINT kMyGamesTile = {189, 412};
constexpr POINT kHideButton = {701, 26};
// On the news pop-up: the close spot and the wide play button.
constexpr POINT kPopupClose = {234, 14};
constexpr POINT kPopupPlay = {125, 158};

constexpr char kMainClass[] = "ZarnWrapperWindow";
constexpr char kPopupClass[] = "infoname";
constexpr char kInstaller[] = "/files/FairyIsle_auto_rus.exe";

}  // namespace

int main(int argc, char** argv) {
  bool update = argc == 4 && std::string(argv[3]) == "--update";
  if (argc != 3 && !update) {
    std::fprintf(stderr, "usage: road.exe <server log> <marks folder> [--update]\n");
    return 2;
  }
  gServerLog = argv[1];
  gMarks = argv[2];

  HWND main = WaitForWindow(kMainClass, 60000, "the manager's window did not appear");
  WaitForRequest("/banners/fairy-isle.png", 30000, "the banner was not fetched");
  Shot("banner");

  // The two-hour catalogue check, now: the catalogue announces a new game.
  Sleep(1000);  // the first check has ended
  bool announced = WaitFor([&] {
    PostMessageW(main, WM_TIMER, 2, 0);
    PostMessageW(main, WM_TIMER, 1, 0);
    return WaitFor([] { return VisibleWindow(kPopupClass) != nullptr; }, 3000);
  }, 20000);
  if (!announced) Fail("no news of the new game");
  Shot("news");
  if (update) {
    // The same check queued the update: it is fetched in the background,
    // checked against its digest and run; then its news takes the pop-up.
    WaitForWindow("ZarnDemoSetup", 60000, "the manager update did not run");
    Shot("update");
    WaitUntilGone("ZarnDemoSetup", 60000, "the manager update did not end");
    Sleep(1000);
    HWND news = WaitForWindow(kPopupClass, 30000, "no news of the manager update");
    Shot("updated");
    Click(news, kPopupClose.x, kPopupClose.y);
  } else {
    Click(VisibleWindow(kPopupClass), kPopupClose.x, kPopupClose.y);
  }
  WaitUntilGone(kPopupClass, 10000, "the news stayed");

  SetForegroundWindow(main);
  Click(main, kDownloadButton.x, kDownloadButton.y);
  WaitForRequest(kInstaller, 20000, "the download did not start");
  Sleep(1800);
  Shot("download");

  WaitForWindow("ZarnDemoSetup", 120000, "the installer did not run");
  Sleep(600);
  Shot("installer");

  HWND popup = WaitForWindow(kPopupClass, 60000, "no news of the installed game");
  Shot("installed");
  Click(popup, kPopupPlay.x, kPopupPlay.y);

  HWND game = WaitForWindow("ZarnDemoGame", 30000, "the new game did not start");
  Shot("playing");
  Click(game, 100, 100);
  WaitUntilGone("ZarnDemoGame", 10000, "the game did not end");

  // Back in the manager: with the game installed, the catalogue's
  // advertisement takes the banner's place.
  main = WaitForWindow(kMainClass, 15000, "the manager did not come back");
  WaitForRequest("/banners/advert.png", 15000, "the advertisement was not fetched");
  Sleep(1000);
  Shot("advert");
  Click(main, kMyGamesTile.x, kMyGamesTile.y);
  Sleep(1000);
  Shot("my-games");

  Click(main, kHideButton.x, kHideButton.y);
  WaitUntilGone(kMainClass, 10000, "the window did not hide");
  // The icon is the last of the taskbar's notification area: its menu.
  HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
  if (taskbar == nullptr) Fail("no taskbar");
  RECT bar;
  GetWindowRect(taskbar, &bar);
  POINT icon = {bar.right - 10, (bar.top + bar.bottom) / 2};
  MovePointer(icon.x, icon.y);
  Sleep(300);
  INPUT press[2] = {PointerInput(icon.x, icon.y, MOUSEEVENTF_RIGHTDOWN),
                    PointerInput(icon.x, icon.y, MOUSEEVENTF_RIGHTUP)};
  SendInput(2, press, sizeof press[0]);
  HWND menu = WaitForWindow("#32768", 10000, "the icon's menu did not open");
  // The pointer on the menu's first item: the icon's tooltip goes.
  RECT items;
  GetWindowRect(menu, &items);
  MovePointer((items.left + items.right) / 2, items.top + 10);
  Sleep(500);
  Shot("tray");
  INPUT escape[2] = {};
  escape[0].type = escape[1].type = INPUT_KEYBOARD;
  escape[0].ki.wVk = escape[1].ki.wVk = VK_ESCAPE;
  escape[1].ki.dwFlags = KEYEVENTF_KEYUP;
  SendInput(2, escape, sizeof escape[0]);
  std::printf("road: done\n");
  std::fflush(stdout);
  return 0;
}
