// The news pop-up in process, with the manager's own skin (this test program
// carries the manager's resources): what each click tells the main window,
// the fade when a click comes during the fade-in, redrawing for new news,
// the layout of texts that do not fit, the cursor, the ignored close
// command, and a picture of each kind over a desktop for the README.
#include "ui/popup.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/text.h"
#include "harness.h"
#include "popup_look.h"
#include "ui/ui_strings.h"
#include "wallpaper.h"

namespace {

using harness::Ink;
using harness::InkIn;
using harness::ScreenShot;

int Alpha(HWND popup) { return harness::LayeredAlpha(popup); }
ScreenShot Shot(HWND popup) { return harness::CaptureWindow(popup); }

const wchar_t kOwnerClass[] = L"ZarnTestPopupOwner";

struct Told {
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::vector<Told> gTold;

// Stands in for the main window: notes what the pop-up tells it.
LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message >= WM_USER + 13 && message <= WM_USER + 15) {
    gTold.push_back(Told{message, wParam, lParam});
    return 1;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

void Pump() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

template <typename F>
bool PumpUntil(F done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    Pump();
    if (done()) return true;
    if (GetTickCount() - start > ms) return false;
    Sleep(2);
  }
}

void PumpFor(DWORD ms) {
  PumpUntil([] { return false; }, ms);
}

// The height DrawText gives a text in the message area's width, in the
// font the pop-up draws with (a fresh canvas's own).
int MeasuredHeight(const wchar_t* text) {
  HDC screen = GetDC(nullptr);
  HDC canvas = CreateCompatibleDC(screen);
  RECT area = {12, 0, 237, 0};
  DrawTextW(canvas, text, -1, &area, DT_CALCRECT | DT_WORDBREAK | DT_CENTER | DT_END_ELLIPSIS);
  DeleteDC(canvas);
  ReleaseDC(nullptr, screen);
  return area.bottom;
}

class PopupTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    AppState& app = App();
    app.instance = GetModuleHandleW(nullptr);
    ASSERT_TRUE(RegisterPopupClass(app.instance));
    WNDCLASSEXW owner = {};
    owner.cbSize = sizeof owner;
    owner.lpfnWndProc = OwnerProc;
    owner.hInstance = app.instance;
    owner.lpszClassName = kOwnerClass;
    ASSERT_NE(RegisterClassExW(&owner), 0);
    // The sample's words: labels and the texts of the README's pictures.
    WideToAnsi(harness::Join(ZARN_SOURCE_DIR, L"gamefolder\\common").c_str(), app.gameFolder);
    LoadUiStrings();
    SetCurrentDirectoryW(L"C:\\");
  }
  void SetUp() override {
    owner_ = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, App().instance,
                             nullptr);
    ASSERT_NE(owner_, nullptr);
    App().mainWindow = owner_;
    gTold.clear();
    harness::MovePointer(5, 5);
  }
  void TearDown() override {
    DismissPopup();
    DestroyWindow(owner_);
    Pump();
  }
  static HWND Open(const wchar_t* text, int kind) {
    ShowPopup(text, kind);
    return FindWindowW(L"infoname", L"balloon");
  }
  static bool WaitGone(HWND popup, DWORD ms = 2000) {
    return PumpUntil([&] { return IsWindow(popup) == FALSE; }, ms);
  }
  static void PostClick(HWND popup, int x, int y) {
    PostMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    PostMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
  }
  // Opens a pop-up, waits for full opacity and for the screen to show it.
  static ScreenShot ShownAtFull(const wchar_t* text, int kind, HWND* popupOut = nullptr) {
    HWND popup = Open(text, kind);
    if (popupOut != nullptr) *popupOut = popup;
    EXPECT_TRUE(PumpUntil([&] { return Alpha(popup) == 255; }, 2000));
    PumpFor(250);
    return Shot(popup);
  }
  HWND owner_ = nullptr;
};

TEST_F(PopupTest, EachPartOfAClickTellsTheMainWindowItsChoiceAndFadesOut) {
  constexpr UINT kMore = WM_USER + 13, kDownload = WM_USER + 14, kPlay = WM_USER + 15;
  struct Case {
    int kind, x, y;
    UINT told;   // 0: nothing
    bool fades;  // false: the window stays (and keeps fading in)
  } cases[] = {
      // Two buttons: each rectangle with its far edges, the body around them.
      {1, 10, 130, kDownload, true}, {1, 124, 187, kDownload, true}, {1, 125, 130, kMore, true},
      {1, 239, 187, kMore, true},    {1, 240, 150, kMore, true},     {1, 7, 34, kMore, true},
      {1, 242, 193, kMore, true},    {1, 6, 100, 0, false},          {1, 243, 100, 0, false},
      {1, 125, 194, 0, false},       {1, 60, 30, 0, false},
      // The close spot, a circle of radius 8 around (234, 14), edges included.
      {1, 234, 14, 0, true}, {1, 242, 14, 0, true}, {1, 226, 14, 0, true}, {1, 234, 22, 0, true},
      {1, 234, 6, 0, true},
      // Just outside it: the caption strip, which only starts a drag.
      {1, 240, 20, 0, false}, {1, 60, 27, 0, false},
      // One wide button.
      {2, 11, 130, kPlay, true}, {2, 239, 186, kPlay, true}, {2, 10, 150, kMore, true},
      {2, 125, 187, kMore, true},
      // Text only: the whole body, where other kinds have buttons.
      {0, 60, 158, kMore, true}, {0, 125, 80, kMore, true}, {0, 234, 14, 0, true},
      // A kind the manager does not know is shown as text only.
      {7, 60, 158, kMore, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "kind " << c.kind << " at " << c.x << "," << c.y);
    gTold.clear();
    HWND popup = Open(L"Новости", c.kind);
    ASSERT_NE(popup, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Alpha(popup) >= 45; }, 2000));
    PostClick(popup, c.x, c.y);
    if (c.fades) {
      EXPECT_TRUE(WaitGone(popup)) << "faded out and destroyed";
    } else {
      int before = Alpha(popup);
      PumpFor(150);
      EXPECT_TRUE(IsWindow(popup));
      EXPECT_GT(Alpha(popup), before) << "still fading in";
    }
    if (c.told == 0) {
      EXPECT_TRUE(gTold.empty());
    } else {
      ASSERT_EQ(gTold.size(), 1u);
      EXPECT_EQ(gTold[0].message, c.told);
      EXPECT_EQ(gTold[0].wParam, 0u);
      EXPECT_EQ(gTold[0].lParam, 0x405);
    }
    DismissPopup();
    Pump();
  }
}

TEST_F(PopupTest, APressOnTheCaptionHoldsThePointerUntilRelease) {
  HWND popup = Open(L"Новости", 0);
  PostMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(60, 12));
  PumpFor(50);
  EXPECT_EQ(GetCapture(), popup) << "dragging";
  PostMessageW(popup, WM_LBUTTONUP, 0, MAKELPARAM(60, 12));
  PumpFor(50);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_TRUE(gTold.empty());
}

TEST_F(PopupTest, AFadeOutThatStartsDuringTheFadeInNeverGoesUpAgain) {
  HWND popup = Open(L"Новости", 1);
  ASSERT_TRUE(PumpUntil([&] { return Alpha(popup) >= 60; }, 2000));
  PostClick(popup, 234, 14);  // the close spot
  std::vector<int> seen;
  PumpUntil(
      [&] {
        int alpha = Alpha(popup);
        if (alpha >= 0) seen.push_back(alpha);
        return IsWindow(popup) == FALSE;
      },
      3000);
  EXPECT_FALSE(IsWindow(popup));
  ASSERT_FALSE(seen.empty());
  EXPECT_LT(seen.front(), 255);
  for (size_t i = 1; i < seen.size(); ++i) EXPECT_LE(seen[i], seen[i - 1]) << "step " << i;
}

TEST_F(PopupTest, NewNewsRedrawsTheOpenWindowAndAnOldLookComesBackExactly) {
  HWND popup = nullptr;
  ScreenShot first = ShownAtFull(L"Программа обновлена.", 0, &popup);
  ASSERT_NE(popup, nullptr);

  ShowPopup(L"Игра установлена! Нажмите, чтобы начать.", 2);
  EXPECT_EQ(FindWindowW(L"infoname", L"balloon"), popup);
  EXPECT_EQ(Alpha(popup), 255) << "the fade is not started again";
  ASSERT_TRUE(PumpUntil([&] { return Shot(popup).pixels != first.pixels; }, 2000)) << "redrawn at once";
  PumpFor(150);
  ScreenShot second = Shot(popup);
  EXPECT_NE(InkIn(second, 12, 39, 237, 130).top, -1);

  ShowPopup(L"Программа обновлена.", 0);
  EXPECT_TRUE(PumpUntil([&] { return Shot(popup).pixels == first.pixels; }, 2000))
      << "no trace of the button or of the other text";
  int popups = 0;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM count) {
        wchar_t name[32] = {};
        GetClassNameW(window, name, 32);
        if (std::wstring(name) == L"infoname") ++*reinterpret_cast<int*>(count);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&popups));
  EXPECT_EQ(popups, 1) << "one pop-up window";
}

// Lines "Строка 1" to "Строка n".
std::wstring Lines(int n) {
  std::wstring text = L"Строка 1";
  for (int i = 2; i <= n; ++i) text += L"\r\nСтрока " + std::to_wstring(i);
  return text;
}

TEST_F(PopupTest, MessagesThatDoNotFitAreCentredOnTheirAreaAndCut) {
  // Every text begins with the same line, so its first ink lies at the same
  // depth below the top it is drawn from. One short line, centred in the
  // text-only area, gives that depth.
  ScreenShot oneLine = ShownAtFull(Lines(1).c_str(), 0);
  DismissPopup();
  Ink single = InkIn(oneLine, 12, 28, 238, 196);
  ASSERT_NE(single.top, -1);
  int lineHeight = MeasuredHeight(Lines(1).c_str());
  int depth = single.top - (39 + (188 - 39 - lineHeight) / 2);
  EXPECT_GE(depth, 0);
  EXPECT_LE(depth, lineHeight);
  EXPECT_NEAR((single.left + single.right) / 2.0, (12 + 237) / 2.0, 2.0) << "centred across";

  // Just too tall for the area above the buttons, by an odd number of
  // pixels: half of the excess is taken toward zero.
  int fewLines = 2;
  while (MeasuredHeight(Lines(fewLines).c_str()) <= 91 ||
         (91 - MeasuredHeight(Lines(fewLines).c_str())) % 2 == 0) {
    ++fewLines;
  }
  struct Case {
    const char* what;
    int lines;
    int kind;
    int bottom;  // the area's bottom: nothing is drawn from here down
  } cases[] = {
      {"text only, far too tall", 15, 0, 188},
      {"two buttons, just too tall", fewLines, 1, 130},
      {"wide button, far too tall", 9, 2, 130},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring text = Lines(c.lines);
    int height = MeasuredHeight(text.c_str());
    ASSERT_GT(height, c.bottom - 39) << "taller than its area";
    ScreenShot shot = ShownAtFull(text.c_str(), c.kind);
    DismissPopup();
    int top = 39 + (c.bottom - 39 - height) / 2;
    if (top + depth >= 28) {
      EXPECT_EQ(InkIn(shot, 12, 28, 238, c.bottom).top, top + depth) << "drawn from " << top;
    } else {
      EXPECT_NE(InkIn(shot, 12, 28, 238, 39).top, -1) << "begins above the area's top";
    }
    EXPECT_EQ(InkIn(shot, 12, c.bottom + 1, 238, c.bottom + 8).top, -1) << "cut at the area's bottom";
  }

  // One word wider than the area: one line that ends in an ellipsis.
  ScreenShot word = ShownAtFull(L"Невероятноувлекательнаяголоволомкадлявсейсемьи", 0);
  Ink ink = InkIn(word, 12, 39, 238, 189);
  ASSERT_NE(ink.top, -1);
  EXPECT_LE(ink.bottom - ink.top, lineHeight) << "one line";
  EXPECT_LE(ink.left, 24);
  EXPECT_GE(ink.right, 222);
  EXPECT_LE(ink.right, 237);
  // The last columns are dots: ink only in the lower half of the line.
  Ink tail = InkIn(word, ink.right - 5, ink.top, ink.right + 1, ink.bottom + 1);
  EXPECT_GT(tail.top, ink.top + (ink.bottom - ink.top) / 2) << "dots on the baseline";
  harness::SavePng(word, harness::Join(ZARN_BUILD_DIR, L"popup-long-word.png"));
}

TEST_F(PopupTest, TheHandShowsOverTheMessageAndTheCloseSpotTheArrowElsewhere) {
  HWND popup = Open(L"Новости", 1);
  PumpUntil([&] { return Alpha(popup) == 255; }, 2000);
  HCURSOR hand = LoadCursorW(nullptr, MAKEINTRESOURCEW(32649));
  HCURSOR arrow = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  struct Case {
    POINT at;
    HCURSOR cursor;
  } cases[] = {{{125, 80}, hand}, {{60, 12}, arrow}, {{234, 14}, hand}, {{67, 158}, hand}, {{3, 100}, arrow}};
  for (const Case& c : cases) {
    POINT screen = c.at;
    ClientToScreen(popup, &screen);
    harness::MovePointer(screen.x, screen.y);
    EXPECT_TRUE(PumpUntil([&] { return GetCursor() == c.cursor; }, 1000)) << c.at.x << "," << c.at.y;
  }
}

TEST_F(PopupTest, TheSystemsCloseCommandIsIgnored) {
  HWND popup = Open(L"Новости", 0);
  SendMessageW(popup, WM_CLOSE, 0, 0);
  PostMessageW(popup, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpFor(200);
  EXPECT_TRUE(IsWindow(popup));
}

// build/x86_64/popup-kind0.png .. popup-kind2.png, shown in the README.
TEST_F(PopupTest, PicturesOfEachKindOverADesktop) {
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT corner = {work.right - 330, work.bottom - 260, work.right, work.bottom};
  harness::Wallpaper desktop(corner);
  const UiStrings& words = Strings();
  std::wstring announced = std::wstring(words.wstring_new_game) + L" - Сказочный остров";
  const wchar_t* texts[] = {words.wstring_update, announced.c_str(), words.wstring_game_installed};
  for (int kind = 0; kind < 3; ++kind) {
    ASSERT_NE(texts[kind][0], L'\0') << "the sample's strings.txt is read";
    HWND popup = nullptr;
    ShownAtFull(texts[kind], kind, &popup);
    ScreenShot shot = harness::CaptureScreen(corner);
    // The rounded corners show the desktop.
    RECT frame = {};
    GetWindowRect(popup, &frame);
    EXPECT_EQ(shot.At(frame.left - corner.left, frame.top - corner.top),
              desktop.ColourAt(frame.left, frame.top));
    std::wstring name = L"popup-kind" + std::to_wstring(kind) + L".png";
    EXPECT_TRUE(harness::SavePng(shot, harness::Join(ZARN_BUILD_DIR, name)));
    DismissPopup();
    Pump();
  }
}

}  // namespace
