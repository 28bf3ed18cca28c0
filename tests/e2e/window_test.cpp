// The main window, the notification-area icon with its menu and the
// start-with-Windows entry, observed from outside.
#include <windows.h>

#include <string>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::Join;

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", ""};
constexpr wchar_t kWinlogonKey[] = L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";

// Wine shows each notification-area icon as a window of its own in its
// system tray window.
std::vector<HWND> TrayIcons() {
  std::vector<HWND> icons;
  for (HWND tray : harness::TopLevelWindows(0, L"__winex11_standalone_tray")) {
    for (HWND child = FindWindowExW(tray, nullptr, L"__winex11_tray_icon", nullptr); child != nullptr;
         child = FindWindowExW(tray, child, L"__winex11_tray_icon", nullptr)) {
      icons.push_back(child);
    }
  }
  return icons;
}

// A click on the icon as the user makes it: the tray forwards it to the
// manager's callback.
void ClickIcon(HWND icon, UINT down, UINT up) {
  PostMessageW(icon, down, 0, MAKELPARAM(5, 5));
  PostMessageW(icon, up, 0, MAKELPARAM(5, 5));
}

class WindowTest : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    harness::DeleteValue(kWinlogonKey, L"Shell");
  }
  void TearDown() override {
    harness::DeleteValue(kWinlogonKey, L"Shell");
    E2ETest::TearDown();
  }
};

TEST_F(WindowTest, TrayIconClicksShowAndHideTheWindowAndTheCloseBoxHidesIt) {
  std::wstring folder = MakeGameFolder(kGarden);
  size_t iconsBefore = TrayIcons().size();
  harness::Process manager = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")));
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return TrayIcons().size() == iconsBefore + 1; }, 5000));
  HWND icon = TrayIcons().back();
  EXPECT_FALSE(IsWindowVisible(window));

  ClickIcon(icon, WM_LBUTTONDOWN, WM_LBUTTONUP);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_TRUE(harness::WaitUntil([&] { return GetForegroundWindow() == window; }, 5000));

  ClickIcon(icon, WM_LBUTTONDOWN, WM_LBUTTONUP);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) == FALSE; }, 5000));

  ClickIcon(icon, WM_LBUTTONDOWN, WM_LBUTTONUP);
  ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  // The close box only hides the window; the manager stays in the tray.
  PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) == FALSE; }, 5000));
  EXPECT_EQ(harness::WaitExit(manager, 500), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(WindowTest, RightClickOpensTheMenuAndItsExitItemEndsTheManager) {
  std::wstring folder = MakeGameFolder(kGarden);
  size_t iconsBefore = TrayIcons().size();
  harness::Process manager = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")));
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return TrayIcons().size() == iconsBefore + 1; }, 5000));

  ClickIcon(TrayIcons().back(), WM_RBUTTONDOWN, WM_RBUTTONUP);
  HWND menu = harness::WaitForWindow(L"#32768", manager.id, 5000);
  ASSERT_NE(menu, nullptr) << "the tray menu opens";
  // Choose "Exit" as the keyboard does: the second item, then Enter.
  for (UINT key : {VK_DOWN, VK_DOWN, VK_RETURN}) {
    PostMessageW(menu, WM_KEYDOWN, key, 0);
  }
  EXPECT_EQ(harness::WaitExit(manager, 10000), 0u);
  EXPECT_TRUE(harness::WaitUntil([&] { return TrayIcons().size() == iconsBefore; }, 5000))
      << "the icon is removed at exit";
}

TEST_F(WindowTest, StartWritesTheAutostartEntryAndTheMenuTogglesIt) {
  SampleGame spaced = kGarden;
  spaced.name = L"my garden";
  std::wstring folder = MakeGameFolder(spaced);
  harness::SetString(kRunKey, L"ZarnDRM", L"stale entry");
  std::wstring launcher = Join(folder, L"ZarnLauncher.exe");
  harness::Process manager = StartManager(Quote(launcher));
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  harness::RegValue entry = harness::ReadValue(kRunKey, L"ZarnDRM");
  EXPECT_EQ(entry.type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(entry.AsString(), Quote(launcher)) << "rewritten at start, the path whole inside quotes";

  PostMessageW(window, WM_COMMAND, 32776, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return !harness::ReadValue(kRunKey, L"ZarnDRM").exists; }, 5000));
  PostMessageW(window, WM_COMMAND, 32776, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return harness::ReadValue(kRunKey, L"ZarnDRM").exists; }, 5000));
  EXPECT_EQ(harness::ReadValue(kRunKey, L"ZarnDRM").AsString(), Quote(launcher));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(WindowTest, AReplacedLogonShellRunsTheLauncherThroughCmd) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::SetString(kWinlogonKey, L"Shell", L"C:\\Kiosk\\KioskShell.exe");
  std::wstring launcher = Join(folder, L"ZarnLauncher.exe");
  harness::Process manager = StartManager(Quote(launcher));
  ASSERT_NE(WaitForMainWindow(manager), nullptr);
  EXPECT_EQ(harness::ReadValue(kRunKey, L"ZarnDRM").AsString(), L"cmd /c " + Quote(launcher));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(WindowTest, BeforeVistaTheEntryGoesUnderTheMachine) {
  harness::SetString(L"Software\\Wine\\AppDefaults\\ZarnWrapper.exe", L"Version", L"winxp");
  std::wstring folder = MakeGameFolder(kGarden);
  harness::DeleteValue(kRunKey, L"ZarnDRM", HKEY_LOCAL_MACHINE);
  std::wstring launcher = Join(folder, L"ZarnLauncher.exe");
  harness::Process manager = StartManager(Quote(launcher));
  ASSERT_NE(WaitForMainWindow(manager), nullptr);
  EXPECT_EQ(harness::ReadValue(kRunKey, L"ZarnDRM", HKEY_LOCAL_MACHINE).AsString(), Quote(launcher));
  EXPECT_FALSE(harness::ReadValue(kRunKey, L"ZarnDRM").exists);
  // Before Vista the data folder is the game folder itself: nothing is made
  // under the user's application data.
  EXPECT_FALSE(harness::DirExists(DataFolder()));
  EXPECT_EQ(RequestExit(manager), 0u);
  harness::DeleteValue(kRunKey, L"ZarnDRM", HKEY_LOCAL_MACHINE);
  harness::DeleteKeyTree(L"Software\\Wine\\AppDefaults\\ZarnWrapper.exe");
}

}  // namespace
}  // namespace e2e
