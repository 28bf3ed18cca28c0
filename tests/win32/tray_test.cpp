// The start-with-Windows entry's text, the autostart toggle with its check
// mark, the timers of the catalogue checks and running a game, in process.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>

#include "config/game_table.h"
#include "core/app_state.h"
#include "core/launching.h"
#include "core/main_window.h"
#include "core/text.h"
#include "core/tray.h"
#include "harness.h"
#include "resources/resource_ids.h"

namespace {

using harness::Join;

TEST(AutostartCommand, QuotesThePathAndUsesCmdForAReplacedLogonShell) {
  struct {
    const char* machine;
    const char* user;
    const char* expected;
  } cases[] = {
      {nullptr, nullptr, "\"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
      {"explorer.exe", nullptr, "\"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
      {"c:\\windows\\explorer.exe", "", "\"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
      {"", "", "\"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
      {"explorer.exe", "c:\\shells\\kiosk.exe", "cmd /c \"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
      {"c:\\shells\\kiosk.exe", nullptr, "cmd /c \"C:\\My Games\\Puzzle\\ZarnLauncher.exe\""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(AutostartCommand("C:\\My Games\\Puzzle\\ZarnLauncher.exe", c.machine, c.user), c.expected)
        << (c.machine ? c.machine : "-") << " / " << (c.user ? c.user : "-");
  }
}

class TrayMenuTest : public testing::Test {
 protected:
  void SetUp() override {
    module_ = LoadLibraryExW(Join(ZARN_BUILD_DIR, L"ZarnWrapper.exe").c_str(), nullptr,
                             LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module_, nullptr);
    menu_ = LoadMenuW(module_, MAKEINTRESOURCEW(kTrayMenu));
    ASSERT_NE(menu_, nullptr);
    App().trayMenu = GetSubMenu(menu_, 0);
    App().autostartEnabled = true;
    App().isVistaOrLater = true;
    harness::DeleteValue(kRunKey, L"ZarnDRM");
  }
  void TearDown() override {
    DestroyMenu(menu_);
    FreeLibrary(module_);
    harness::DeleteValue(kRunKey, L"ZarnDRM");
  }
  bool Checked() const {
    return (GetMenuState(App().trayMenu, kMenuAutostart, MF_BYCOMMAND) & MF_CHECKED) != 0;
  }
  static constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
  HMODULE module_ = nullptr;
  HMENU menu_ = nullptr;
};

TEST_F(TrayMenuTest, ToggleTwiceWritesTheSameEntryAgainAndChecksTheItemAgain) {
  WriteAutostartEntry();
  harness::RegValue first = harness::ReadValue(kRunKey, L"ZarnDRM");
  ASSERT_TRUE(first.exists);
  EXPECT_EQ(first.type, static_cast<DWORD>(REG_SZ));
  EXPECT_TRUE(Checked());

  ToggleAutostart();
  EXPECT_FALSE(App().autostartEnabled);
  EXPECT_FALSE(Checked());
  EXPECT_FALSE(harness::ReadValue(kRunKey, L"ZarnDRM").exists);

  ToggleAutostart();
  EXPECT_TRUE(App().autostartEnabled);
  EXPECT_TRUE(Checked());
  harness::RegValue again = harness::ReadValue(kRunKey, L"ZarnDRM");
  EXPECT_EQ(again.AsString(), first.AsString());
  EXPECT_EQ(again.data.size(), first.data.size()) << "the terminating NUL is stored";
}

TEST(StartDelay, IsAShareOfAnHourInSinglePrecision) {
  EXPECT_EQ(StartDelayMs(0), 0u);
  EXPECT_EQ(StartDelayMs(32767), 3600000u);
  EXPECT_EQ(StartDelayMs(16384), static_cast<UINT>(16384.0f / 32767.0f * 3600000.0f));
  for (int r = 0; r <= 32767; r += 97) EXPECT_LE(StartDelayMs(r), 3600000u);
}

class MainWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    static bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr));
    ASSERT_TRUE(registered);
    App().windowVisible = false;
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    RemoveTrayIcon();
    DestroyWindow(window_);
  }
  HWND window_ = nullptr;
};

TEST_F(MainWindowTest, StartDelayTimerArmsTheTwoHourTimerOnce) {
  EXPECT_EQ(App().startDelayTimer, kStartDelayTimerId);
  EXPECT_EQ(App().catalogueTimer, 0u);
  SendMessageW(window_, WM_TIMER, kStartDelayTimerId, 0);
  EXPECT_EQ(App().startDelayTimer, 0u);
  EXPECT_EQ(App().catalogueTimer, kCatalogueTimerId);
  // A second tick of timer 2 (already killed) changes nothing.
  App().catalogueTimer = 0;
  SendMessageW(window_, WM_TIMER, kStartDelayTimerId, 0);
  EXPECT_EQ(App().catalogueTimer, 0u);
}

TEST_F(MainWindowTest, CloseHidesUnlessItIsTheExitRequestAndNoGameRuns) {
  ShowWindow(window_, SW_SHOW);
  App().windowVisible = true;
  EXPECT_EQ(SendMessageW(window_, WM_CLOSE, 0, 0), 1);
  EXPECT_FALSE(IsWindowVisible(window_));
  EXPECT_FALSE(App().windowVisible);
  App().gameRunning = true;
  EXPECT_EQ(SendMessageW(window_, WM_CLOSE, 1, 1), 1) << "a running game keeps the manager";
  EXPECT_TRUE(IsWindow(window_));
  EXPECT_FALSE(App().quitting);
  App().gameRunning = false;
}

TEST(RunGame, RunsTheGameInItsFolderWithThatFolderAsPathAndWaits) {
  const std::wstring folder = L"C:\\zarn-tests\\rungame";
  harness::RemoveTree(folder);
  harness::MakeDirs(Join(folder, L"game"));
  ASSERT_TRUE(CopyFileW(Join(ZARN_SUPPORT_DIR, L"zsgame.exe").c_str(),
                        Join(folder, L"game\\zsgame.dat").c_str(), FALSE));
  std::wstring log = Join(folder, L"game.log");
  SetEnvironmentVariableW(L"ZARN_GAME_LOG", log.c_str());
  WideToAnsi(folder.c_str(), CurrentGameRef().folder);
  HANDLE end = CreateEventW(nullptr, TRUE, FALSE, L"ZarnTestGameEnd");

  for (int run = 1; run <= 2; ++run) {
    ResetEvent(end);
    bool returned = false;
    std::thread player([&] {
      RunGame();
      returned = true;
    });
    ASSERT_TRUE(harness::WaitUntil(
        [&] {
          std::string text = harness::ReadBytes(log);
          return std::count(text.begin(), text.end(), '\n') >= 3 * run;
        },
        10000));
    Sleep(200);
    EXPECT_FALSE(returned) << "waits for the game";
    SetEvent(end);
    player.join();
    EXPECT_TRUE(returned);
  }
  std::string text = harness::ReadBytes(log);
  std::string expectedDir = "C:\\zarn-tests\\rungame\\game";
  EXPECT_NE(text.find("\n" + expectedDir + "\n" + expectedDir + "\\\n"), std::string::npos) << text;
  char path[512];
  GetEnvironmentVariableA("PATH", path, sizeof path);
  EXPECT_EQ(std::string(path), expectedDir + "\\") << "the manager's own PATH is replaced too";
  CloseHandle(end);
  SetCurrentDirectoryW(L"C:\\");
  harness::RemoveTree(folder);
}

TEST(RunGame, MissingProgramReturnsAtOnce) {
  const std::wstring folder = L"C:\\zarn-tests\\nogame";
  harness::RemoveTree(folder);
  harness::MakeDirs(Join(folder, L"game"));
  WideToAnsi(folder.c_str(), CurrentGameRef().folder);
  DWORD start = GetTickCount();
  RunGame();
  EXPECT_LT(GetTickCount() - start, 2000u);
  SetCurrentDirectoryW(L"C:\\");
  harness::RemoveTree(folder);
}

}  // namespace
