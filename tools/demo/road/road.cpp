// Plays the demo's road by itself, as a user would with the mouse: the
// banner, the news of a new game, the click on the download button, the
// installer, the pop-up of the installed game, playing it, the advertisement
// that then takes the banner's place, the list of games and hiding to the
// notification area.
//
//   road.exe <publisher server log> <folder for step marks>
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

[[noreturn]] void Fail(const char* step) {
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

void Shot(const char* name) {
  Sleep(700);  // fades and repaints settle
  std::printf("shot %s\n", name);
  std::fflush(stdout);
  std::string done = gMarks + "\\" + name + ".done";
  if (!WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 30000)) {
    Fail("no screenshot taken");
  }
}

void MovePointer(int x, int y) {
  int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  INPUT input = {};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65535 + width / 2) / (width - 1);
  input.mi.dy = (y * 65535 + height / 2) / (height - 1);
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  SendInput(1, &input, sizeof input);
  SetCursorPos(x, y);
}

// A click at a point of a window's client area, with the real pointer.
void Click(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  MovePointer(point.x, point.y);
  Sleep(300);
  INPUT press[2] = {};
  press[0].type = press[1].type = INPUT_MOUSE;
  press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
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
  if (argc != 3) {
    std::fprintf(stderr, "usage: road.exe <server log> <marks folder>\n");
    return 2;
  }
  gServerLog = argv[1];
  gMarks = argv[2];

  HWND main = WaitForWindow(kMainClass, 60000, "the manager's window did not appear");
  WaitForRequest("/banners/fairy-isle.png", 30000, "the banner was not fetched");
  Shot("01-banner");

  // The two-hour catalogue check, now: the catalogue announces a new game.
  Sleep(1000);  // the first check has ended
  bool announced = WaitFor([&] {
    PostMessageW(main, WM_TIMER, 2, 0);
    PostMessageW(main, WM_TIMER, 1, 0);
    return WaitFor([] { return VisibleWindow(kPopupClass) != nullptr; }, 3000);
  }, 20000);
  if (!announced) Fail("no news of the new game");
  Shot("02-news");
  Click(VisibleWindow(kPopupClass), kPopupClose.x, kPopupClose.y);
  WaitUntilGone(kPopupClass, 10000, "the news stayed");

  SetForegroundWindow(main);
  Click(main, kDownloadButton.x, kDownloadButton.y);
  WaitForRequest(kInstaller, 20000, "the download did not start");
  Sleep(1800);
  Shot("03-download");

  WaitForWindow("ZarnDemoSetup", 120000, "the installer did not run");
  Sleep(600);
  Shot("04-installer");

  HWND popup = WaitForWindow(kPopupClass, 60000, "no news of the installed game");
  Shot("05-installed");
  Click(popup, kPopupPlay.x, kPopupPlay.y);

  HWND game = WaitForWindow("ZarnDemoGame", 30000, "the new game did not start");
  Shot("06-playing");
  Click(game, 100, 100);
  WaitUntilGone("ZarnDemoGame", 10000, "the game did not end");

  // Back in the manager: with the game installed, the catalogue's
  // advertisement takes the banner's place.
  main = WaitForWindow(kMainClass, 15000, "the manager did not come back");
  WaitForRequest("/banners/advert.png", 15000, "the advertisement was not fetched");
  Sleep(1000);
  Shot("07-advert");
  Click(main, kMyGamesTile.x, kMyGamesTile.y);
  Sleep(1000);
  Shot("08-my-games");

  Click(main, kHideButton.x, kHideButton.y);
  WaitUntilGone(kMainClass, 10000, "the window did not hide");
  MovePointer(GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2);
  Shot("09-tray");
  std::printf("road: done\n");
  std::fflush(stdout);
  return 0;
}
