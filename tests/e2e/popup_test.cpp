// The news pop-up with the real manager: news sent to its main window as the
// catalogue and download threads send it, an installer's end posted as the
// download thread posts it, and the user's pointer. Observed from outside:
// the pop-up's window, its opacity, the screen's pixels over a stand-in
// desktop, recorded shell opens, the test game's log and the registry.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "e2e_fixture.h"
#include "popup_look.h"
#include "wallpaper.h"

namespace e2e {
namespace {

using harness::Join;
using harness::ScreenShot;

constexpr UINT kInstallerEnded = WM_USER + 16;
constexpr UINT kShowNews = WM_USER + 17;
constexpr wchar_t kPopupClass[] = L"infoname";

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", "", 0, L""};
const SampleGame kIsland{L"island", 205, L"http://site.example/island?", L"1005", "", 0, L""};

// Places on the pop-up (client coordinates).
constexpr POINT kCloseSpot = {234, 14};
constexpr POINT kCaption = {60, 12};
constexpr POINT kMessage = {125, 80};
constexpr POINT kLeftButton = {67, 158};
constexpr POINT kRightButton = {182, 158};
constexpr POINT kWideButton = {125, 158};

RECT WorkArea() {
  RECT area = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

// Where the pop-up belongs: 250 x 200, 20 pixels inside the work area's
// bottom-right corner.
RECT PopupPlace() {
  RECT area = WorkArea();
  return RECT{area.right - 270, area.bottom - 220, area.right - 20, area.bottom - 20};
}

// The desktop around the pop-up's place.
RECT DesktopCorner() {
  RECT area = WorkArea();
  return RECT{area.right - 520, area.bottom - 380, area.right, area.bottom};
}

POINT OnScreen(HWND popup, POINT at) {
  ClientToScreen(popup, &at);
  return at;
}

int Alpha(HWND popup) { return harness::LayeredAlpha(popup); }
ScreenShot Shot(HWND popup) { return harness::CaptureWindow(popup); }

// Whether the message area has text in it.
bool HasText(const ScreenShot& shot, int bottom) { return harness::InkIn(shot, 12, 39, 237, bottom).top != -1; }

// The wide button's orange face (its label is white, its lip darker).
bool IsOrange(uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r > 200 && g > 90 && g < 200 && b < 110;
}

class PopupE2ETest : public E2ETest {
 protected:
  // The manager for the garden game, its window shown and drawn.
  void StartShown() {
    folder_ = MakeGameFolder(kGarden);
    manager_ = StartManager(Quote(Join(folder_, L"ZarnLauncher.exe")) + L" 101");
    main_ = WaitForMainWindow(manager_);
    ASSERT_NE(main_, nullptr);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, 5000));
  }
  // News as a worker thread sends it (the text is whatever it has written).
  void SendNews(LPARAM kind) {
    DWORD_PTR result = 0;
    SendMessageTimeoutW(main_, kShowNews, 0, kind, SMTO_ABORTIFHUNG, 5000, &result);
  }
  HWND WaitForPopup(DWORD ms = 5000) { return harness::WaitForWindow(kPopupClass, manager_.id, ms); }
  // News of a kind, its pop-up faded in; null when none came.
  HWND ShownNews(LPARAM kind) {
    SendNews(kind);
    HWND popup = WaitForPopup();
    EXPECT_NE(popup, nullptr);
    if (popup != nullptr) {
      EXPECT_TRUE(WaitForAlpha(popup, 255));
    }
    return popup;
  }
  std::vector<HWND> Popups() { return harness::TopLevelWindows(manager_.id, kPopupClass); }
  static bool WaitForAlpha(HWND popup, int alpha, DWORD ms = 3000) {
    return harness::WaitUntil([&] { return Alpha(popup) == alpha; }, ms);
  }
  static bool WaitGone(HWND popup, DWORD ms = 3000) {
    return harness::WaitUntil([&] { return IsWindow(popup) == FALSE; }, ms);
  }
  static bool WaitForShot(HWND popup, const ScreenShot& expected, DWORD ms = 3000) {
    return harness::WaitUntil([&] { return Shot(popup).pixels == expected.pixels; }, ms);
  }
  std::wstring folder_;
  harness::Process manager_;
  HWND main_ = nullptr;
};

TEST_F(PopupE2ETest, FadesInAtTheCornerWithoutTheFocusStaysAndFadesOutAfterThePointerMoved) {
  StartShown();
  RECT place = PopupPlace();
  harness::MovePointer(place.left - 200, place.top - 100);
  harness::Wallpaper desktop(DesktopCorner());
  ASSERT_TRUE(harness::WaitUntil([&] { return GetForegroundWindow() == desktop.window(); }, 3000));
  const POINT body = {place.left + 125, place.top + 110};
  ASSERT_TRUE(harness::WaitUntil(
      [&] { return harness::CaptureScreen(place).At(125, 110) == desktop.ColourAt(body.x, body.y); }, 3000));
  ScreenShot bare = harness::CaptureScreen(place);

  SendNews(0);
  HWND popup = WaitForPopup();
  ASSERT_NE(popup, nullptr);
  // Opacity while it fades in, and what the screen shows meanwhile.
  std::vector<int> alphas;
  std::vector<uint32_t> seen;
  HDC screen = GetDC(nullptr);
  harness::WaitUntil(
      [&] {
        int alpha = Alpha(popup);
        if (alphas.empty() || alphas.back() != alpha) alphas.push_back(alpha);
        seen.push_back(GetPixel(screen, body.x, body.y));
        return alpha == 255;
      },
      3000);
  ReleaseDC(nullptr, screen);

  wchar_t className[32] = {};
  GetClassNameW(popup, className, 32);
  EXPECT_STREQ(className, kPopupClass);
  EXPECT_EQ(harness::WindowText(popup), L"balloon");
  EXPECT_EQ(GetWindow(popup, GW_OWNER), main_);
  EXPECT_EQ(GetWindowLongW(popup, GWL_STYLE) & (WS_POPUP | WS_CAPTION), static_cast<LONG>(WS_POPUP));
  LONG exStyle = GetWindowLongW(popup, GWL_EXSTYLE);
  const LONG wanted = WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TOPMOST;
  EXPECT_EQ(exStyle & wanted, wanted);
  RECT frame = {};
  GetWindowRect(popup, &frame);
  EXPECT_TRUE(EqualRect(&frame, &place)) << frame.left << "," << frame.top << " " << frame.right << "," << frame.bottom;
  COLORREF key = 0;
  BYTE alpha = 0;
  DWORD flags = 0;
  ASSERT_TRUE(GetLayeredWindowAttributes(popup, &key, &alpha, &flags));
  EXPECT_EQ(key, RGB(255, 0, 0));
  EXPECT_EQ(flags, static_cast<DWORD>(LWA_COLORKEY | LWA_ALPHA));

  ASSERT_FALSE(alphas.empty());
  EXPECT_EQ(alphas.back(), 255);
  EXPECT_GE(alphas.size(), 4u) << "several steps seen on the way up";
  for (size_t i = 0; i < alphas.size(); ++i) {
    EXPECT_EQ(alphas[i] % 15, 0) << alphas[i];
    if (i > 0) {
      EXPECT_GT(alphas[i], alphas[i - 1]);
    }
  }
  EXPECT_EQ(GetForegroundWindow(), desktop.window()) << "the user's window keeps the focus";

  // Full opacity over the desktop: the card, and the desktop itself where
  // the corners are cut; pure red nowhere.
  Sleep(300);
  ScreenShot shown = harness::CaptureScreen(place);
  uint32_t card = shown.At(125, 110);
  EXPECT_NE(card, bare.At(125, 110));
  bool blended = false;
  for (uint32_t pixel : seen) {
    uint32_t rgb = ((pixel & 0xFF) << 16) | (pixel & 0xFF00) | ((pixel >> 16) & 0xFF);
    blended = blended || (rgb != card && rgb != bare.At(125, 110));
  }
  EXPECT_TRUE(blended) << "a colour between the desktop and the card while fading in";
  int red = 0;
  for (uint32_t pixel : shown.pixels) red += pixel == 0xFF0000 ? 1 : 0;
  EXPECT_EQ(red, 0);
  for (POINT corner : {POINT{0, 0}, POINT{249, 0}, POINT{0, 199}, POINT{249, 199}}) {
    EXPECT_EQ(shown.At(corner.x, corner.y), bare.At(corner.x, corner.y)) << corner.x << "," << corner.y;
  }

  // The pointer has not moved: it stays.
  for (int i = 0; i < 25; ++i) {
    ASSERT_EQ(Alpha(popup), 255);
    Sleep(100);
  }
  // The pointer moves: 20 s later (plus up to one 666 ms check) it fades out.
  int64_t moved = harness::NowMs();
  harness::MovePointer(place.left - 150, place.top - 80);
  ASSERT_TRUE(harness::WaitUntil([&] { return Alpha(popup) != 255; }, 25000));
  int64_t fading = harness::NowMs() - moved;
  EXPECT_GE(fading, 19900);
  EXPECT_LE(fading, 20000 + 666 + 800);
  std::vector<int> falling;
  harness::WaitUntil(
      [&] {
        int alpha = Alpha(popup);
        if (alpha >= 0 && (falling.empty() || falling.back() != alpha)) falling.push_back(alpha);
        return IsWindow(popup) == FALSE;
      },
      3000);
  EXPECT_FALSE(IsWindow(popup)) << "destroyed at the end of the fade";
  for (size_t i = 0; i < falling.size(); ++i) {
    EXPECT_EQ(falling[i] % 15, 0) << falling[i];
    if (i > 0) {
      EXPECT_LT(falling[i], falling[i - 1]);
    }
  }
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, ClicksOnTheNewGamesPopUpOpenTheAnnouncedPageOrOnlyFadeItOut) {
  StartShown();
  // No catalogue has announced a page: "more" opens the current game's site.
  const std::string site = "http://site.example/garden?1001";
  struct Case {
    const char* part;
    POINT at;
    bool opens;
    bool fades;
  } cases[] = {
      {"message body", kMessage, true, true},   {"right button", kRightButton, true, true},
      {"left button", kLeftButton, false, true}, {"close spot", kCloseSpot, false, true},
      {"caption strip", kCaption, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    HWND popup = ShownNews(1);
    ASSERT_NE(popup, nullptr);
    size_t opensBefore = RecordedOpens().size();
    ClickAt(popup, c.at.x, c.at.y);
    if (c.fades) {
      EXPECT_TRUE(WaitGone(popup));
    } else {
      Sleep(500);
      EXPECT_EQ(Alpha(popup), 255) << "still there, not fading";
      ClickAt(popup, kCloseSpot.x, kCloseSpot.y);
      EXPECT_TRUE(WaitGone(popup));
    }
    if (c.opens) {
      EXPECT_TRUE(harness::WaitUntil([&] { return RecordedOpens().size() > opensBefore; }, 5000));
      ASSERT_EQ(RecordedOpens().size(), opensBefore + 1);
      EXPECT_EQ(RecordedOpens().back(), site);
    } else {
      Sleep(700);
      EXPECT_EQ(RecordedOpens().size(), opensBefore) << "nothing opened";
    }
    EXPECT_TRUE(GameRuns().empty());
  }
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, AfterAnInstallerItsWideButtonPlaysTheNewGame) {
  StartShown();
  // An installer that added no game: no news.
  PostMessageW(main_, kInstallerEnded, 0, 0);
  EXPECT_EQ(WaitForPopup(1000), nullptr);

  std::wstring island = MakeGameFolder(kIsland);
  PostMessageW(main_, kInstallerEnded, 0, 0);
  HWND popup = WaitForPopup();
  ASSERT_NE(popup, nullptr);
  ASSERT_TRUE(WaitForAlpha(popup, 255));
  Sleep(200);
  ScreenShot shown = Shot(popup);
  EXPECT_TRUE(IsOrange(shown.At(30, 150))) << "the wide button";
  EXPECT_TRUE(HasText(shown, 130)) << "the installed-game text";

  ClickAt(popup, kWideButton.x, kWideButton.y);
  ASSERT_TRUE(harness::WaitUntil([&] { return GameRuns().size() >= 3; }, 10000));
  EXPECT_EQ(GameRuns()[1], harness::ToCodePage(Join(island, L"game"), 1251)) << "the new game runs";
  EXPECT_EQ(LastId(), 205u);
  EXPECT_TRUE(Popups().empty()) << "no pop-up left over the game";
  SetEvent(gameEnd_);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, 5000));
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, AfterAnInstallerAClickOnItsMessageShowsTheNewGame) {
  StartShown();
  PostMessageW(main_, WM_CLOSE, 0, 0);  // hidden, as when the user closed it
  ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(main_) == FALSE; }, 5000));
  MakeGameFolder(kIsland);
  PostMessageW(main_, kInstallerEnded, 0, 0);
  HWND popup = WaitForPopup();
  ASSERT_NE(popup, nullptr);
  ClickAt(popup, kMessage.x, kMessage.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(main_) != FALSE; }, 5000));
  EXPECT_TRUE(harness::WaitUntil([] { return LastId() == 205; }, 5000));
  EXPECT_TRUE(WaitGone(popup));
  Sleep(500);
  EXPECT_TRUE(GameRuns().empty()) << "shown, not started";
  EXPECT_TRUE(RecordedOpens().empty());
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, ADragByTheCaptionMovesItByThePointersMovement) {
  StartShown();
  HWND popup = ShownNews(0);
  ASSERT_NE(popup, nullptr);
  RECT before = {};
  GetWindowRect(popup, &before);
  POINT grip = {before.left + 5, before.top + 5};  // the caption strip, near the corner
  harness::MovePointer(grip.x, grip.y);
  Sleep(150);
  harness::PressLeft();
  Sleep(150);
  // One jump up and to the left: the pointer is outside the window when the
  // move arrives, at negative client coordinates.
  harness::MovePointer(grip.x - 120, grip.y - 60);
  Sleep(200);
  harness::MovePointer(grip.x - 100, grip.y - 70);
  Sleep(200);
  harness::ReleaseLeft();
  Sleep(150);
  RECT after = {};
  GetWindowRect(popup, &after);
  EXPECT_EQ(after.left, before.left - 100);
  EXPECT_EQ(after.top, before.top - 70);
  EXPECT_EQ(after.right - after.left, 250);
  EXPECT_EQ(after.bottom - after.top, 200);
  EXPECT_EQ(GetWindowLongW(popup, GWL_EXSTYLE) & WS_EX_TOPMOST, static_cast<LONG>(WS_EX_TOPMOST));

  // Released: the window stays where it is; the press sent nothing.
  harness::MovePointer(grip.x - 40, grip.y - 20);
  Sleep(200);
  RECT later = {};
  GetWindowRect(popup, &later);
  EXPECT_TRUE(EqualRect(&later, &after));
  EXPECT_EQ(Alpha(popup), 255) << "a drag does not fade it out";
  EXPECT_TRUE(RecordedOpens().empty());
  EXPECT_TRUE(IsWindowVisible(main_));
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, NewsWhileItIsOpenChangesItsTextAndButtonsInTheSameWindow) {
  StartShown();
  HWND popup = ShownNews(0);
  ASSERT_NE(popup, nullptr);
  Sleep(200);
  ScreenShot first = Shot(popup);
  EXPECT_FALSE(HasText(first, 188)) << "no text written by a worker yet";
  EXPECT_FALSE(IsOrange(first.At(30, 150)));

  MakeGameFolder(kIsland);
  PostMessageW(main_, kInstallerEnded, 0, 0);
  ASSERT_TRUE(harness::WaitUntil([&] { return IsOrange(Shot(popup).At(30, 150)); }, 5000));
  Sleep(200);
  ScreenShot second = Shot(popup);
  EXPECT_TRUE(HasText(second, 130)) << "the new text";
  EXPECT_EQ(Popups(), std::vector<HWND>{popup}) << "no second window";
  EXPECT_EQ(Alpha(popup), 255) << "its fade is not started again";
  EXPECT_EQ(RequestExit(manager_), 0u);
}

TEST_F(PopupE2ETest, HoverLooksComeAndGoBackToTheExactPixels) {
  StartShown();
  RECT place = PopupPlace();
  harness::MovePointer(place.left - 100, place.top - 100);
  HWND popup = ShownNews(1);
  ASSERT_NE(popup, nullptr);
  Sleep(300);
  ScreenShot normal = Shot(popup);

  auto pointTo = [&](POINT at) {
    POINT screen = OnScreen(popup, at);
    harness::MovePointer(screen.x, screen.y);
  };
  // Where a lit look differs from the normal one.
  auto changedBox = [&](const ScreenShot& lit) {
    RECT box = {250, 200, -1, -1};
    for (int y = 0; y < 200; ++y) {
      for (int x = 0; x < 250; ++x) {
        if (lit.At(x, y) == normal.At(x, y)) continue;
        box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x),
                   std::max<LONG>(box.bottom, y)};
      }
    }
    return box;
  };
  struct Case {
    const char* part;
    POINT at;
    RECT within;  // the lit look stays inside this box (edges included)
    POINT away;   // where the pointer goes next, outside the part
  } cases[] = {
      {"close spot, then the message", kCloseSpot, {220, 0, 249, 28}, kMessage},
      {"close spot, then off the window", kCloseSpot, {220, 0, 249, 28}, {262, 14}},
      {"left button, then the caption", kLeftButton, {10, 130, 123, 186}, kCaption},
      {"right button, then off the window", kRightButton, {125, 130, 238, 186}, {182, 215}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.part);
    pointTo(c.at);
    ASSERT_TRUE(harness::WaitUntil([&] { return Shot(popup).pixels != normal.pixels; }, 3000));
    Sleep(150);
    RECT box = changedBox(Shot(popup));
    EXPECT_GE(box.left, c.within.left);
    EXPECT_GE(box.top, c.within.top);
    EXPECT_LE(box.right, c.within.right);
    EXPECT_LE(box.bottom, c.within.bottom);
    pointTo(c.away);
    EXPECT_TRUE(WaitForShot(popup, normal)) << "back to the normal look, pixel for pixel";
  }
  EXPECT_EQ(RequestExit(manager_), 0u);
}

}  // namespace
}  // namespace e2e
