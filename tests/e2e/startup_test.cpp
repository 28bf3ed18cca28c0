// The manager's start-up, site mode and exit, observed from outside.
#include <windows.h>

#include <string>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::Join;

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", ""};
const SampleGame kMahjong{L"mahjong", 12, L"http://site.example/mahjong-", L"1002", ""};
const SampleGame kBubbles{L"bubbles", 103, L"http://site.example/bubbles/", L"1003", "4711"};

std::wstring LauncherIn(const std::wstring& folder) { return Quote(Join(folder, L"ZarnLauncher.exe")); }

TEST_F(E2ETest, FewerThanTwoArgumentsEndAtOnceShowingNothing) {
  harness::Process manager = StartManager(L"");
  EXPECT_EQ(harness::WaitExit(manager, 10000), 0u);
  EXPECT_FALSE(harness::DirExists(DataFolder())) << "ended before settling its folders";
}

TEST_F(E2ETest, StartsHiddenWithTheWindowOfItsClassWhenNoGameIdIsGiven) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process manager = StartManager(LauncherIn(folder));
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(harness::WindowText(window), harness::kCompanyName);
  SIZE client = harness::ClientSize(window);
  EXPECT_EQ(client.cx, 730);
  EXPECT_EQ(client.cy, 512);
  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0);
  EXPECT_EQ(LastId(), 101u);
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, GameIdWithTrailingTextSelectsThatGameAndShowsTheWindow) {
  MakeGameFolder(kGarden);
  std::wstring folder = MakeGameFolder(kMahjong);
  harness::Process manager = StartManager(LauncherIn(folder) + L" 12abc");
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_EQ(LastId(), 12u);
  EXPECT_EQ(harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX").AsString(), L"1002");
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, OpenurlInOtherLetterCaseIsGameIdZero) {
  std::wstring folder = MakeGameFolder(kMahjong);
  MakeGameFolder(kGarden);
  harness::SetDword(harness::kProductKeyPath, L"LAST_ID", 101);
  harness::Process manager = StartManager(LauncherIn(folder) + L" openurl");
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  // No game has id 0: the first installed game in registry order ("garden").
  EXPECT_EQ(LastId(), 101u);
  EXPECT_FALSE(harness::ReadValue(harness::kProductKeyPath, L"GLOBAL_POSTFIX").exists)
      << "a fallback selection stores no partner code";
  EXPECT_TRUE(RecordedOpens().empty());
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, RelativeLauncherPathAndTrailingBackslashGiveTheGameFolder) {
  std::wstring folder = MakeGameFolder(kGarden);
  // Each folder's wrapper.cfg names another company: the window title shows
  // which folder's configuration was read.
  struct {
    std::wstring argument;
    std::wstring directory;
  } cases[] = {
      {L".\\ZarnLauncher.exe", folder},
      // unquoted: a backslash before a closing quote would escape the quote
      {folder + L"\\", L"C:\\"},
  };
  int n = 0;
  for (const auto& c : cases) {
    std::wstring company = L"Folder Check " + std::to_wstring(++n);
    harness::WriteWrapperConfig(folder, L"http://127.0.0.1:9/", company);
    harness::Process manager = StartManager(c.argument, c.directory);
    HWND window = WaitForMainWindow(manager);
    ASSERT_NE(window, nullptr) << harness::ToUtf8(c.argument);
    EXPECT_EQ(harness::WindowText(window), company) << harness::ToUtf8(c.argument);
    EXPECT_EQ(RequestExit(manager), 0u);
  }
}

TEST_F(E2ETest, DataFolderIsMadeWithItsDownloadAndHtmlFolders) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process manager = StartManager(LauncherIn(folder));
  ASSERT_NE(WaitForMainWindow(manager), nullptr);
  EXPECT_TRUE(harness::DirExists(Join(DataFolder(), L"Download")));
  EXPECT_TRUE(harness::DirExists(Join(DataFolder(), L"html")));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, WritesVersion4AsDwordIntoTheExistingProductKey) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process manager = StartManager(LauncherIn(folder));
  ASSERT_NE(WaitForMainWindow(manager), nullptr);
  harness::RegValue version;
  EXPECT_TRUE(harness::WaitUntil(
      [&] { return (version = harness::ReadValue(harness::kProductKeyPath, L"version")).exists; }, 5000));
  EXPECT_EQ(version.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(version.AsDword(), 4u);
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, CreatesNoRegistryKeyWhenTheProductKeyIsMissing) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::WriteWrapperConfig(folder, L"http://127.0.0.1:9/", L"Other Publisher");
  harness::Process manager = StartManager(LauncherIn(folder) + L" 101");
  ASSERT_NE(WaitForMainWindow(manager), nullptr);
  EXPECT_EQ(RequestExit(manager), 0u);
  EXPECT_FALSE(harness::KeyExists(L"Software\\Other Publisher"));
  EXPECT_FALSE(harness::ReadValue(harness::kProductKeyPath, L"version").exists);
}

TEST_F(E2ETest, NoInstalledGameShowsTheErrorBoxAfterAskingOthersToExit) {
  std::wstring running = MakeGameFolder(kGarden);
  harness::Process first = StartManager(LauncherIn(running));
  ASSERT_NE(WaitForMainWindow(first), nullptr);

  std::wstring folder = MakeGameFolder(kBubbles, /*install=*/false);
  harness::DeleteKeyTree(harness::kCompanyKeyPath);
  harness::Process manager = StartManager(LauncherIn(folder) + L" 103");
  HWND box = harness::WaitForWindow(L"#32770", manager.id, 10000);
  ASSERT_NE(box, nullptr);
  harness::MessageBoxTexts texts = harness::ReadMessageBox(box);
  EXPECT_EQ(texts.caption, L"\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft");
  EXPECT_EQ(texts.text, L"\x041d\x0435 \x043d\x0430\x0439\x0434\x0435\x043d\x043e \x043d\x0438 "
                        L"\x043e\x0434\x043d\x043e\x0439 \x0443\x0441\x0442\x0430\x043d\x043e\x0432"
                        L"\x043b\x0435\x043d\x043d\x043e\x0439 \x0438\x0433\x0440\x044b.");
  EXPECT_TRUE(texts.hasErrorIcon);
  EXPECT_EQ(harness::WaitExit(first, 10000), 0u) << "the running manager was asked to exit";

  PostMessageW(box, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(harness::WaitExit(manager, 10000), 0u);
  EXPECT_TRUE(harness::TopLevelWindows(manager.id, kWindowClass).empty());
}

TEST_F(E2ETest, SecondManagerMakesTheFirstExit) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process first = StartManager(LauncherIn(folder));
  ASSERT_NE(WaitForMainWindow(first), nullptr);
  harness::Process second = StartManager(LauncherIn(folder) + L" 101");
  EXPECT_EQ(harness::WaitExit(first, 10000), 0u);
  ASSERT_NE(WaitForMainWindow(second), nullptr);
  EXPECT_EQ(harness::TopLevelWindows(0, kWindowClass).size(), 1u);
  EXPECT_EQ(RequestExit(second), 0u);
}

TEST_F(E2ETest, CloseOnlyHidesTheWindowAndTheExitRequestEndsTheManager) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process manager = StartManager(LauncherIn(folder) + L" 101");
  HWND window = WaitForMainWindow(manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) == FALSE; }, 5000));
  PostMessageW(window, WM_CLOSE, 1, 0);  // only wParam 1 and lParam 1 together exit
  EXPECT_EQ(harness::WaitExit(manager, 1000), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(E2ETest, SiteModeOpensTheAddressWithThePartnerCodeRule) {
  struct {
    SampleGame game;
    const char* opened;  // null: nothing opened
  } cases[] = {
      {kGarden, "http://site.example/garden?1001"},
      {kMahjong, "http://site.example/mahjong-1002"},
      {kBubbles, "http://site.example/bubbles/"},
      {SampleGame{L"noaddress", 104, L"", L"1004", ""}, nullptr},
      {SampleGame{L"affiliate", 105, L"http://site.example/a?", L"1005", "4711"},
       "http://site.example/a?4711"},
  };
  // A manager that runs meanwhile is left alone: site mode broadcasts nothing.
  std::wstring runningFolder = MakeGameFolder(SampleGame{L"running", 200, L"", L"", ""});
  harness::Process running = StartManager(LauncherIn(runningFolder));
  ASSERT_NE(WaitForMainWindow(running), nullptr);

  for (const auto& c : cases) {
    std::wstring folder = MakeGameFolder(c.game);
    harness::SetDword(harness::kProductKeyPath, L"LAST_ID", static_cast<DWORD>(c.game.id));
    DeleteFileW(openLog_.c_str());
    harness::Process site = StartManager(LauncherIn(folder) + L" OpenUrl");
    EXPECT_EQ(harness::WaitExit(site, 10000), 0u);
    EXPECT_TRUE(harness::TopLevelWindows(site.id, kWindowClass).empty());
    if (c.opened == nullptr) {
      Sleep(500);
      EXPECT_TRUE(RecordedOpens().empty()) << harness::ToUtf8(c.game.name);
    } else {
      // The shell runs the recorder on its own: wait for its line.
      EXPECT_TRUE(harness::WaitUntil([&] { return !RecordedOpens().empty(); }, 5000));
      EXPECT_EQ(RecordedOpens(), std::vector<std::string>{c.opened}) << harness::ToUtf8(c.game.name);
    }
  }
  EXPECT_EQ(harness::WaitExit(running, 0), static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(RequestExit(running), 0u);
}

}  // namespace
}  // namespace e2e
