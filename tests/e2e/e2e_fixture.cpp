#include "e2e_fixture.h"

namespace e2e {

using harness::Join;

std::wstring ManagerExe() { return Join(ZARN_BUILD_DIR, L"ZarnWrapper.exe"); }
std::wstring LauncherExe() { return Join(ZARN_BUILD_DIR, L"ZarnLauncher.exe"); }
std::wstring SupportExe(const wchar_t* name) { return Join(ZARN_SUPPORT_DIR, name); }
std::wstring DataFolder() { return Join(harness::LocalAppData(), L"ZarnSoft"); }
std::wstring Quote(const std::wstring& s) { return L"\"" + s + L"\""; }

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

DWORD LastId() { return harness::ReadValue(harness::kProductKeyPath, L"LAST_ID").AsDword(); }

void E2ETest::SetUp() {
  harness::EndWindowsOfClass(kWindowClass);
  harness::DeleteKeyTree(harness::kCompanyKeyPath);
  harness::DeleteValue(kRunKey, L"ZarnDRM");
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\ZarnLauncher.exe");
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\run.exe");
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\ZarnWrapper.exe");
  harness::RemoveTree(DataFolder());
  harness::RemoveTree(kRoot);
  harness::MakeDirs(kRoot);
  openLog_ = Join(kRoot, L"opens.log");
  SetEnvironmentVariableW(L"ZARN_OPEN_LOG", openLog_.c_str());
  gameLog_ = Join(kRoot, L"game.log");
  SetEnvironmentVariableW(L"ZARN_GAME_LOG", gameLog_.c_str());
  gameEnd_ = CreateEventW(nullptr, TRUE, FALSE, L"ZarnTestGameEnd");
  ResetEvent(gameEnd_);
}

void E2ETest::TearDown() {
  SetEvent(gameEnd_);  // a test game still running ends
  for (harness::Process& process : processes_) harness::Close(process);
  CloseHandle(gameEnd_);
  harness::EndWindowsOfClass(kWindowClass);
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\ZarnLauncher.exe");
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\run.exe");
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\ZarnWrapper.exe");
}

std::wstring E2ETest::MakeGameFolder(const SampleGame& game, bool install, const std::wstring& runDat) {
  std::wstring folder = Join(kRoot, game.name);
  harness::MakeDirs(Join(folder, L"html"));
  harness::WriteWrapperConfig(folder, L"http://127.0.0.1:9/catalogue/");
  harness::WriteBytes(Join(folder, L"html\\strings.txt"),
                      harness::ReadBytes(Join(ZARN_SOURCE_DIR, L"gamefolder\\common\\html\\strings.txt")));
  CopyFileW(LauncherExe().c_str(), Join(folder, L"ZarnLauncher.exe").c_str(), FALSE);
  CopyFileW((runDat.empty() ? ManagerExe() : runDat).c_str(), Join(folder, L"run.dat").c_str(), FALSE);
  for (const wchar_t* screen : {L"screen_reg.htm", L"screen_gamelist.htm"}) {
    CopyFileW(Join(ZARN_SOURCE_DIR, std::wstring(L"tests\\screens\\") + screen).c_str(),
              Join(folder, std::wstring(L"html\\") + screen).c_str(), FALSE);
  }
  harness::MakeDirs(Join(folder, L"thumbnails"));
  harness::WriteColourPicture(Join(folder, L"thumbnails\\default.jpg"), 0x808080);
  if (game.thumbColour != 0) harness::WriteColourPicture(Join(folder, L"thumb.jpg"), game.thumbColour);
  harness::MakeDirs(Join(folder, L"game"));
  CopyFileW(SupportExe(L"zsgame.exe").c_str(), Join(folder, L"game\\zsgame.dat").c_str(), FALSE);
  std::wstring name = game.displayName.empty() ? L"Game " + std::to_wstring(game.id) : game.displayName;
  std::wstring settings = harness::SettingsText(game.id, name, game.visitus, game.idpostfix);
  if (!install) {
    // Files only: the game is not registered (and no registry key is made).
    harness::WriteBytes(Join(folder, L"settings.txt"),
                        std::string("\x01\x00", 2) + harness::ToCodePage(settings, 1251));
    if (!game.affiliate.empty()) harness::WriteBytes(Join(folder, L"affiliate.txt"), game.affiliate);
    return folder;
  }
  harness::GameFixture fixture;
  fixture.subkey = game.name;
  fixture.folder = folder;
  fixture.settings = settings;
  fixture.affiliate = game.affiliate;
  fixture.writeAffiliate = !game.affiliate.empty();
  harness::InstallGame(fixture);
  return folder;
}

void E2ETest::CreateProductKey() { harness::CreateKey(harness::kProductKeyPath); }

harness::Process E2ETest::StartManager(const std::wstring& arguments, const std::wstring& directory) {
  harness::Process process =
      harness::Start(ManagerExe(), Quote(ManagerExe()) + (arguments.empty() ? L"" : L" " + arguments),
                     directory);
  EXPECT_NE(process.handle, nullptr);
  processes_.push_back(process);
  return process;
}

harness::Process E2ETest::StartLauncher(const std::wstring& folder, const std::wstring& arguments) {
  std::wstring launcher = Join(folder, L"ZarnLauncher.exe");
  harness::Process process =
      harness::Start(launcher, Quote(launcher) + (arguments.empty() ? L"" : L" " + arguments));
  EXPECT_NE(process.handle, nullptr);
  processes_.push_back(process);
  return process;
}

HWND E2ETest::WaitForMainWindow(const harness::Process& process, DWORD timeoutMs) {
  return harness::WaitForWindow(kWindowClass, process.id, timeoutMs);
}

DWORD E2ETest::RequestExit(const harness::Process& process) {
  UINT message = RegisterWindowMessageW(L"WM_NEED_TO_RESELECT_GAME_ZARNSOFT");
  for (HWND window : harness::TopLevelWindows(process.id, kWindowClass)) {
    PostMessageW(window, message, 0, 0);
  }
  return harness::WaitExit(process, 10000);
}

void E2ETest::ClickAt(HWND window, int x, int y) {
  PostMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  PostMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

uint32_t E2ETest::ScreenPixel(HWND window, int x, int y) {
  POINT point = {x, y};
  ClientToScreen(window, &point);
  HDC screen = GetDC(nullptr);
  COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
}

bool E2ETest::SaveScreenshot(HWND window, const std::wstring& path) {
  return harness::SaveClientArea(window, path);
}

std::vector<std::string> E2ETest::RecordedOpens() { return SplitLines(harness::ReadBytes(openLog_)); }

std::vector<std::string> E2ETest::GameRuns() { return SplitLines(harness::ReadBytes(gameLog_)); }

}  // namespace e2e
