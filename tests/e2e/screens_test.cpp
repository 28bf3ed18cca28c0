// The manager's screens with the real program: clicks at the places of the
// test screens' elements (tests/screens), observed through the test game's
// log, the registry, recorded shell opens and the window's pixels.
#include <windows.h>

#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::Join;

// Places on the test screens (client coordinates).
constexpr POINT kPlay = {60, 70};
constexpr POINT kMore = {170, 70};
constexpr POINT kMyGames = {280, 70};
// Game list rows: 40 pixels each from y 50; thumbnail x 0-60, name 60-260,
// play button 320-360 (y + 5 to y + 35).
POINT RowName(int row) { return POINT{150, 70 + 40 * row}; }
POINT RowThumb(int row) { return POINT{30, 70 + 40 * row}; }
POINT RowPlay(int row) { return POINT{340, 70 + 40 * row}; }

constexpr uint32_t kPlayGreen = 0x00AA00;

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", "", 0xFF0000, L""};
const SampleGame kMahjong{L"mahjong", 12, L"http://site.example/mahjong-", L"1002", "", 0, L""};
const SampleGame kBubbles{L"bubbles", 103, L"", L"1003", "", 0x0000FF, L""};

class ScreensE2ETest : public E2ETest {
 protected:
  // Starts the manager for a game with its window shown, and waits until the
  // main screen is drawn.
  HWND StartShown(const std::wstring& folder, int id) {
    harness::Process manager = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")) + L" " + std::to_wstring(id));
    manager_ = manager;
    HWND window = WaitForMainWindow(manager);
    EXPECT_NE(window, nullptr);
    if (window == nullptr) return nullptr;
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    EXPECT_TRUE(WaitForPixel(window, kPlay, kPlayGreen));
    return window;
  }
  bool WaitForPixel(HWND window, POINT at, uint32_t colour, DWORD ms = 5000) {
    return harness::WaitUntil([&] { return ScreenPixel(window, at.x, at.y) == colour; }, ms);
  }
  harness::Process manager_;
};

TEST_F(ScreensE2ETest, PlayButtonRunsTheGameHiddenAndComesBackAfterIt) {
  std::wstring folder = MakeGameFolder(kGarden);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kPlay.x, kPlay.y);
  ASSERT_TRUE(harness::WaitUntil([&] { return GameRuns().size() >= 3; }, 10000));
  std::vector<std::string> run = GameRuns();
  std::string gameDir = harness::ToCodePage(Join(folder, L"game"), 1251);
  EXPECT_EQ(run[1], gameDir) << "the game's current directory";
  EXPECT_EQ(run[2], gameDir + "\\") << "the whole of PATH";
  EXPECT_FALSE(IsWindowVisible(window)) << "hidden while the game runs";

  // An exit request meanwhile waits for the game.
  UINT exitRequest = RegisterWindowMessageW(L"WM_NEED_TO_RESELECT_GAME_ZARNSOFT");
  PostMessageW(window, exitRequest, 0, 0);
  EXPECT_EQ(harness::WaitExit(manager_, 1000), static_cast<DWORD>(STILL_ACTIVE));

  SetEvent(gameEnd_);
  // After the game the window shows again, then the waiting exit request ends it.
  EXPECT_EQ(harness::WaitExit(manager_, 10000), 0u);
}

TEST_F(ScreensE2ETest, WindowShowsAgainAfterTheGame) {
  std::wstring folder = MakeGameFolder(kGarden);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kPlay.x, kPlay.y);
  ASSERT_TRUE(harness::WaitUntil([&] { return GameRuns().size() >= 3; }, 10000));
  EXPECT_FALSE(IsWindowVisible(window));
  SetEvent(gameEnd_);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_TRUE(WaitForPixel(window, kPlay, kPlayGreen)) << "the main screen again";
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, MoreOpensTheSiteAddressWithThePartnerCode) {
  std::wstring folder = MakeGameFolder(kMahjong);
  HWND window = StartShown(folder, 12);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMore.x, kMore.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return !RecordedOpens().empty(); }, 5000));
  EXPECT_EQ(RecordedOpens(), std::vector<std::string>{"http://site.example/mahjong-1002"});
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, GameNameReplacesThePlaceholder) {
  SampleGame named = kGarden;
  named.displayName = std::wstring(20, L'W');  // far wider than "GGGG" or "Game 101"
  std::wstring folder = MakeGameFolder(named);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  // How far the text reaches: the last column with ink in the name's line.
  auto extent = [&] {
    int last = 0;
    for (int x = 10; x < 410; x += 2) {
      for (int y = 12; y < 32; y += 2) {
        if (ScreenPixel(window, x, y) != 0xFFFFFF) last = x;
      }
    }
    return last;
  };
  EXPECT_GT(extent(), 200) << "the name, not the placeholder";
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, GameListShowsEveryGameInRegistryOrderWithThumbnails) {
  std::wstring folder = MakeGameFolder(kGarden);
  MakeGameFolder(kMahjong);
  MakeGameFolder(kBubbles);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  // Registry order: bubbles, garden, mahjong (no thumb.jpg: the default, grey).
  EXPECT_TRUE(WaitForPixel(window, RowThumb(0), 0x0000FF));
  EXPECT_TRUE(WaitForPixel(window, RowThumb(1), 0xFF0000));
  EXPECT_TRUE(WaitForPixel(window, RowThumb(2), 0x808080));
  EXPECT_TRUE(WaitForPixel(window, RowThumb(3), 0xFFFFFF)) << "no fourth row";
  std::wstring shot = Join(ZARN_BUILD_DIR, L"e2e-gamelist.png");
  EXPECT_TRUE(SaveScreenshot(window, shot));
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, RowClickSelectsTheGameAndShowsItsScreen) {
  std::wstring folder = MakeGameFolder(kGarden);
  MakeGameFolder(kBubbles);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  ASSERT_TRUE(WaitForPixel(window, RowThumb(0), 0x0000FF));
  ClickAt(window, RowName(0).x, RowName(0).y);
  EXPECT_TRUE(WaitForPixel(window, kPlay, kPlayGreen)) << "the game's screen";
  EXPECT_TRUE(harness::WaitUntil([] { return LastId() == 103; }, 5000));
  EXPECT_TRUE(GameRuns().empty()) << "a row click does not start the game";
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, RowPlayButtonStartsThatGameAtOnce) {
  std::wstring folder = MakeGameFolder(kGarden);
  std::wstring bubbles = MakeGameFolder(kBubbles);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  ASSERT_TRUE(WaitForPixel(window, RowThumb(0), 0x0000FF));
  ClickAt(window, RowPlay(0).x, RowPlay(0).y);
  ASSERT_TRUE(harness::WaitUntil([&] { return GameRuns().size() >= 3; }, 10000));
  EXPECT_EQ(GameRuns()[1], harness::ToCodePage(Join(bubbles, L"game"), 1251));
  EXPECT_EQ(LastId(), 103u);
  SetEvent(gameEnd_);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, RowPlayButtonOnlyShowsTheGameWhenItsScreenSaysNoPlay) {
  std::wstring folder = MakeGameFolder(kGarden);
  std::wstring bubbles = MakeGameFolder(kBubbles);
  // The manager reads its screens from its own game folder: a "buttnoplay"
  // there turns automatic play off.
  std::string screen = harness::ReadBytes(Join(folder, L"html\\screen_reg.htm"));
  screen.replace(screen.find("</body>"), 7, "<div id=\"buttnoplay\"></div></body>");
  harness::WriteBytes(Join(folder, L"html\\screen_reg.htm"), screen);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  ASSERT_TRUE(WaitForPixel(window, RowThumb(0), 0x0000FF));
  ClickAt(window, RowPlay(0).x, RowPlay(0).y);
  EXPECT_TRUE(WaitForPixel(window, kPlay, kPlayGreen));
  EXPECT_TRUE(harness::WaitUntil([] { return LastId() == 103; }, 5000));
  Sleep(500);
  EXPECT_TRUE(GameRuns().empty());
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, RowClickAfterTheInstalledGamesChangedOnlyRebuildsTheList) {
  std::wstring folder = MakeGameFolder(kGarden);
  MakeGameFolder(kBubbles);
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  ASSERT_TRUE(WaitForPixel(window, RowThumb(1), 0xFF0000));
  // A game is installed meanwhile (registry name "a-new" sorts first).
  SampleGame added{L"a-new", 55, L"", L"", "", 0x00FF00, L""};
  MakeGameFolder(added);
  ClickAt(window, RowName(0).x, RowName(0).y);
  EXPECT_TRUE(WaitForPixel(window, RowThumb(0), 0x00FF00)) << "the list is rebuilt with the new game";
  EXPECT_TRUE(WaitForPixel(window, RowThumb(2), 0xFF0000));
  EXPECT_EQ(LastId(), 101u) << "and no game is selected";
  // The next click acts.
  ClickAt(window, RowName(0).x, RowName(0).y);
  EXPECT_TRUE(harness::WaitUntil([] { return LastId() == 55; }, 5000));
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(ScreensE2ETest, ListKeepsItsScrollPositionAcrossARefreshInPlace) {
  std::wstring folder = MakeGameFolder(kGarden);
  for (int i = 0; i < 8; ++i) {
    MakeGameFolder(SampleGame{L"g" + std::to_wstring(i), 200 + i, L"", L"", "",
                              i == 3 ? 0x00FF00u : 0x808001u, L""});
  }
  HWND window = StartShown(folder, 101);
  ASSERT_NE(window, nullptr);
  ClickAt(window, kMyGames.x, kMyGames.y);
  // Rows: g0..g7, then garden; g3's thumbnail is green, its row's top at y 170.
  ASSERT_TRUE(WaitForPixel(window, RowThumb(3), 0x00FF00));
  auto greenTop = [&] {
    for (int y = 50; y < 250; ++y) {
      if (ScreenPixel(window, 30, y) == 0x00FF00) return y;
    }
    return -1;
  };
  ASSERT_EQ(greenTop(), 170);
  // One notch of the wheel over the list scrolls it down.
  POINT screen = RowName(1);
  ClientToScreen(window, &screen);
  PostMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(screen.x, screen.y));
  int scrolled = -1;
  ASSERT_TRUE(harness::WaitUntil([&] { return (scrolled = greenTop()) >= 0 && scrolled < 170; }, 5000));
  // The refresh in place rebuilds every row and keeps the position.
  PostMessageW(window, WM_USER + 12, 0, 0);
  Sleep(500);
  EXPECT_EQ(greenTop(), scrolled) << "the same position after the rebuild";
  EXPECT_EQ(RequestExit(manager_), 0u);
}

}  // namespace
}  // namespace e2e
