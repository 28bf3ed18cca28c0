// Screens in the manager's own main window, in process: placeholders filled
// at load, element lookup, the game list, the download and banner area, the
// progress bar, the engine's notifications and the click handler.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "config/catalogue_text.h"
#include "config/game_catalogue.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/main_window.h"
#include "core/text.h"
#include "core/tray.h"
#include "download/transfer_state.h"
#include "harness.h"
#include "ui/download_area.h"
#include "ui/engine/view.h"
#include "ui/engine/win32/htmlayout.h"
#include "ui/engine/win32/pictures.h"
#include "ui/game_list.h"
#include "ui/screens.h"
#include "ui/ui_strings.h"

namespace {

using harness::Join;

const std::wstring kRoot = L"C:\\zarn-tests\\screens";
const std::wstring kLauncherFolder = kRoot + L"\\launcher";

std::wstring Text(HELEMENT element) {
  std::u16string text = engine::GetInnerText(static_cast<engine::ElementHandle>(reinterpret_cast<uintptr_t>(element)));
  return std::wstring(text.begin(), text.end());
}

std::wstring Attr(HELEMENT element, const char* name) {
  LPCWSTR value = nullptr;
  HTMLayoutGetAttributeByName(element, name, &value);
  return value != nullptr ? value : L"";
}


class ScreensTest : public testing::Test {
 protected:
  void SetUp() override {
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    harness::RemoveTree(kRoot);
    harness::MakeDirs(Join(kLauncherFolder, L"html"));
    harness::MakeDirs(Join(kLauncherFolder, L"thumbnails"));
    for (const wchar_t* screen : {L"screen_reg.htm", L"screen_gamelist.htm"}) {
      CopyFileW(Join(ZARN_SOURCE_DIR, std::wstring(L"tests\\screens\\") + screen).c_str(),
                Join(kLauncherFolder, std::wstring(L"html\\") + screen).c_str(), FALSE);
    }
    harness::WriteWrapperConfig(kLauncherFolder);
    harness::WriteStrings(kLauncherFolder, L"wstr_download_in_progress=\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430\r\n"
                                           L"wstring_play=\x0418\x0433\x0440\x0430\x0442\x044c\r\n");
    harness::WriteColourPicture(Join(kLauncherFolder, L"thumbnails\\default.jpg"), 0x808080);
    Install(L"a", 101, L"Garden", L"http://site/garden?", 0xFF0000);
    Install(L"b", 12, L"Mahjong", L"http://site/mahjong/", 0);
    Install(L"c", 103, L"Bubbles", L"", 0x0000FF);

    AppState& app = App();
    WideToAnsi(kLauncherFolder.c_str(), app.gameFolder);
    app.quitting = false;
    app.gameListShown = false;
    LoadUiStrings();
    LoadWrapperConfig();
    ScanInstalledGames();
    SelectGame(101);
    StoreCatalogueText("", 0);
    ChoosePromotion();
    Transfer().downloadActive = false;
    Transfer().connectionOpen = false;
    static bool registered = RegisterMainWindowClass(GetModuleHandleW(nullptr));
    ASSERT_TRUE(registered);
    app.windowVisible = false;
    window_ = CreateMainWindow(GetModuleHandleW(nullptr));
    ASSERT_NE(window_, nullptr);
    Pump();
  }
  void TearDown() override {
    RemoveTrayIcon();
    DestroyWindow(window_);
    App().mainWindow = nullptr;
    ClearInstalledGames();
    SetCurrentDirectoryW(L"C:\\");
    harness::RemoveTree(kRoot);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
  }

  void Install(const wchar_t* subkey, int id, const std::wstring& name, const std::wstring& site, uint32_t thumb) {
    harness::GameFixture game;
    game.subkey = subkey;
    game.folder = Join(kRoot, subkey);
    game.settings = harness::SettingsText(id, name, site, L"p" + std::to_wstring(id));
    harness::InstallGame(game);
    if (thumb != 0) harness::WriteColourPicture(Join(game.folder, L"thumb.jpg"), thumb);
  }
  void Pump() {
    MSG message;
    for (int i = 0; i < 5; ++i) {
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
  }
  HELEMENT Find(const wchar_t* id) { return FindElementById(id, window_); }
  uint32_t PixelAt(int x, int y) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 730, -512, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HTMLayoutRenderToDC(window_, dc, nullptr);
    GdiFlush();
    uint32_t pixel = static_cast<uint32_t*>(bits)[y * 730 + x] & 0xFFFFFF;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return pixel;
  }
  // Whether the block of the test screen at (x, y) is drawn (not white).
  bool Shown(int x, int y) { return PixelAt(x + 20, y + 20) != 0xFFFFFF; }

  HWND window_ = nullptr;
};

// --- load and placeholders

TEST_F(ScreensTest, MainScreenLoadFillsItsPlaceholders) {
  EXPECT_EQ(Text(Find(L"GGGG")), L"Garden");
  EXPECT_EQ(Attr(Find(L"SITEURL"), "href"), L"http://site/garden?p101");
  HELEMENT second = Find(L"xSITEURLx");
  EXPECT_EQ(Attr(second, "href"), L"") << "only the first element whose id holds the text is filled";
  EXPECT_FALSE(App().gameListShown);
  EXPECT_EQ(ProgressElement(), Find(L"progressbar"));
  UINT state = 0;
  HELEMENT root = nullptr;
  HTMLayoutGetRootElement(window_, &root);
  HTMLayoutGetElementState(root, &state);
  EXPECT_TRUE(state & STATE_FOCUS);

  SelectGame(12);
  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_EQ(Text(Find(L"GGGG")), L"Mahjong");
  EXPECT_EQ(Attr(Find(L"SITEURL"), "href"), L"http://site/mahjong/") << "no code after a '/'";
}

TEST_F(ScreensTest, LookupIsBySubstringInDocumentOrderAndFindsNothingWhenQuitting) {
  EXPECT_EQ(FindElementById(L"SITEURL", window_), Find(L"SITEURL"));
  EXPECT_EQ(Attr(FindElementById(L"ITEUR", window_), "id"), L"SITEURL");
  EXPECT_EQ(FindElementById(L"nothing-like-it", window_), nullptr);
  EXPECT_EQ(FindElementById(L"GGGG", nullptr), nullptr);
  App().quitting = true;
  EXPECT_EQ(FindElementById(L"GGGG", window_), nullptr);
  App().quitting = false;
}

TEST_F(ScreensTest, ScreenThatCannotBeReadLeavesTheWindowEmpty) {
  LoadScreen(L"no_such_screen.htm", window_);
  EXPECT_EQ(Find(L"GGGG"), nullptr);
  EXPECT_FALSE(App().gameListShown);
  EXPECT_EQ(ProgressElement(), nullptr);
  UpdateDownloadProgress(1000, 500, false);  // nothing to move, no harm
}

// --- game list

TEST_F(ScreensTest, GameListHasEveryGameInRegistryOrderWithItsThumbnail) {
  LoadScreen(L"screen_gamelist.htm", window_);
  EXPECT_TRUE(App().gameListShown);
  HELEMENT list = Find(L"gamelistframe");
  UINT count = 0;
  HTMLayoutGetChildrenCount(list, &count);
  ASSERT_EQ(count, 3u) << "the sample row is gone, one row per game";
  const wchar_t* ids[] = {L"gametab101", L"gametab12", L"gametab103"};
  std::wstring thumbs[] = {Join(kRoot, L"a\\thumb.jpg"), Join(kLauncherFolder, L"thumbnails\\default.jpg"),
                           Join(kRoot, L"c\\thumb.jpg")};
  for (UINT i = 0; i < 3; ++i) {
    HELEMENT row = nullptr;
    HTMLayoutGetNthChild(list, i, &row);
    EXPECT_EQ(Attr(row, "id"), ids[i]);
    EXPECT_EQ(Attr(FindInSubtree(row, L"tabpic"), "src"), thumbs[i]);
  }
  // Pixels: each row shows its thumbnail (red, grey default, blue).
  RECT first = {};
  HTMLayoutGetElementLocation(FindInSubtree(Find(L"gametab101"), L"tabpic"), &first);
  EXPECT_EQ(PixelAt(first.left + 5, first.top + 5), 0xFF0000u);
  RECT third = {};
  HTMLayoutGetElementLocation(FindInSubtree(Find(L"gametab103"), L"tabpic"), &third);
  EXPECT_EQ(PixelAt(third.left + 5, third.top + 5), 0x0000FFu);
}

TEST_F(ScreensTest, GameRowHasTheExactStructureAndAttributeOrder) {
  HELEMENT row = BuildGameRow("\xcd\xe0\xe7\xe2\xe0\xed\xe8\xe5", "", "103");  // cp1251 "Название"
  auto element = [](HELEMENT e) { return static_cast<engine::ElementHandle>(reinterpret_cast<uintptr_t>(e)); };
  // tag, attribute names in the order set, then the children, depth first.
  std::vector<std::string> seen;
  std::function<void(HELEMENT, int)> walk = [&](HELEMENT e, int depth) {
    LPCSTR type = nullptr;
    HTMLayoutGetElementType(e, &type);
    if (std::strcmp(type, "text") == 0) return;
    std::string line = std::string(static_cast<size_t>(depth) * 2, ' ') + type;
    for (int i = 0; i < engine::CountAttributes(element(e)); ++i) {
      const char* name = nullptr;
      const char16_t* value = nullptr;
      engine::GetAttributeAt(element(e), i, &name, &value);
      line += std::string(" ") + name + "=" + harness::ToUtf8(std::wstring(value, value + std::char_traits<char16_t>::length(value)));
    }
    seen.push_back(line);
    UINT count = 0;
    HTMLayoutGetChildrenCount(e, &count);
    for (UINT i = 0; i < count; ++i) {
      HELEMENT child = nullptr;
      HTMLayoutGetNthChild(e, i, &child);
      walk(child, depth + 1);
    }
  };
  walk(row, 0);
  std::string thumb = harness::ToUtf8(Join(kRoot, L"c\\thumb.jpg"));
  std::vector<std::string> expected = {
      "li id=gametab103",
      "  table id=listtable",
      "    tr id=tablerow",
      "      td valign=top id=firstcol",
      "        div id=borderous",
      "          img src=" + thumb + " id=tabpic",
      "      td valign=middle id=secondcol",
      "        b id=tabtext",
      "        i id=tabtext",
      "      td valign=middle id=thirdcol",
      "      td valign=middle id=fourthcol",
      "        div class=bbutton id=buttsmallplay title=\xd0\x98\xd0\xb3\xd1\x80\xd0\xb0\xd1\x82\xd1\x8c",
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(Text(FindInSubtree(row, L"tabtext")), L"\x041d\x0430\x0437\x0432\x0430\x043d\x0438\x0435");
  HTMLayoutDeleteElement(row);
}

TEST_F(ScreensTest, SameProductIdTakesTheFirstGamesThumbnail) {
  Install(L"d", 101, L"Garden again", L"", 0x00FF00);
  ScanInstalledGames();
  HELEMENT row = BuildGameRow("x", "", "101");
  EXPECT_EQ(Attr(FindInSubtree(row, L"tabpic"), "src"), Join(kRoot, L"a\\thumb.jpg"));
  HTMLayoutDeleteElement(row);
}

TEST_F(ScreensTest, RefreshInPlaceKeepsTheScrollPositionAndALoadStartsAtTheTop) {
  for (int i = 0; i < 9; ++i) Install((L"more" + std::to_wstring(i)).c_str(), 200 + i, L"More", L"", 0);
  ScanInstalledGames();
  LoadScreen(L"screen_gamelist.htm", window_);
  HELEMENT list = Find(L"gamelistframe");
  ASSERT_EQ(HTMLayoutSetScrollPos(list, POINT{0, 120}, FALSE), HLDOM_OK);
  POINT position = {};
  HTMLayoutGetScrollInfo(list, &position, nullptr, nullptr);
  ASSERT_EQ(position.y, 120);
  SendMessageW(window_, kRebuildGameListMessage, 0, 0);
  HTMLayoutGetScrollInfo(Find(L"gamelistframe"), &position, nullptr, nullptr);
  EXPECT_EQ(position.y, 120);
  LoadScreen(L"screen_gamelist.htm", window_);
  HTMLayoutGetScrollInfo(Find(L"gamelistframe"), &position, nullptr, nullptr);
  EXPECT_EQ(position.y, 0);
}

TEST_F(ScreensTest, EmptyTableGivesAnEmptyList) {
  LoadScreen(L"screen_gamelist.htm", window_);
  ReplaceInstalledGames({});
  BuildGameList(Find(L"gamelistframe"));
  UINT count = 1;
  HTMLayoutGetChildrenCount(Find(L"gamelistframe"), &count);
  EXPECT_EQ(count, 0u);
}

// --- download and banner area

const char kCatalogue[] =
    "[GAMES.CFG]\r\n"
    "promoID0=101\r\n"
    "promoID1=8\r\npromoName1=Eight\r\npromoDescription1=About eight\r\n"
    "promoBanner1=http://s/8.jpg\r\npromoDownload1=http://s/8.exe\r\n"
    "promoID2=ad\r\npromoBanner2=http://s/ad.jpg\r\npromoDownload2=http://s/ad.htm\r\n";

TEST_F(ScreensTest, BannerShowsAGameWithItsDownloadState) {
  StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_EQ(Text(Find(L"bannername")), L"Eight");
  EXPECT_EQ(Text(Find(L"bannertext")), L"About eight");
  EXPECT_EQ(Attr(Find(L"bannerpic"), "src"), L"http://s/8.jpg");
  EXPECT_FALSE(Shown(400, 200)) << "placeholder";
  EXPECT_TRUE(Shown(500, 200)) << "download button";
  EXPECT_FALSE(Shown(550, 200)) << "progress";
  EXPECT_FALSE(Shown(600, 200)) << "cancel";
  EXPECT_FALSE(Shown(650, 200)) << "waiting for internet";

  Transfer().downloadActive = true;
  RefreshDownloadArea(window_, false);
  EXPECT_FALSE(Shown(500, 200));
  EXPECT_TRUE(Shown(550, 200));
  EXPECT_TRUE(Shown(600, 200));
  EXPECT_TRUE(Shown(650, 200)) << "no connection yet";
  Transfer().connectionOpen = true;
  RefreshDownloadArea(window_, false);
  EXPECT_FALSE(Shown(650, 200));
  Transfer().downloadActive = false;
  Transfer().connectionOpen = false;
}

TEST_F(ScreensTest, BannerShowsTheAdvertAndThePlaceholder) {
  ReplaceInstalledGames({GameRecord{"x", "101", "", ""}, GameRecord{"y", "8", "", ""}});
  StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_EQ(CurrentPromotion().kind, PromotionKind::kAdvert);
  EXPECT_TRUE(Shown(400, 300)) << "advert";
  EXPECT_EQ(Attr(Find(L"advertlink"), "href"), L"http://s/ad.htm");
  EXPECT_EQ(Attr(Find(L"adverthref"), "src"), L"http://s/ad.jpg");
  EXPECT_FALSE(Shown(400, 200));

  const char placeholder[] = "[GAMES.CFG]\r\npromoID0=101\r\n";
  StoreCatalogueText(placeholder, sizeof placeholder - 1);
  Transfer().downloadActive = true;
  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_EQ(CurrentPromotion().kind, PromotionKind::kPlaceholder);
  EXPECT_TRUE(Shown(400, 200)) << "placeholder";
  EXPECT_TRUE(Shown(500, 200)) << "only the placeholder changes: the download button keeps its look";
  EXPECT_TRUE(Shown(650, 200)) << "waiting for internet still follows the download";
  Transfer().downloadActive = false;
}

TEST_F(ScreensTest, ProgressShowsPercentWithOneDecimal) {
  struct {
    int32_t total, received;
    const wchar_t* value;
    const wchar_t* title;
  } cases[] = {
      {1000, 453, L"45", L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430 - 45.3%"},
      {1000, 999, L"99", L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430 - 99.9%"},
      {100, 0, L"0", L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430 - 0.0%"},
  };
  HELEMENT bar = Find(L"progressbar");
  for (const auto& c : cases) {
    UpdateDownloadProgress(c.total, c.received, false);
    EXPECT_EQ(Attr(bar, "value"), c.value);
    EXPECT_EQ(Attr(bar, "title"), c.title);
  }
  UpdateDownloadProgress(0, 5, false);
  UpdateDownloadProgress(-1, 5, false);
  EXPECT_EQ(Attr(bar, "value"), L"0") << "no total: nothing changes";
  App().screenLoading = true;
  UpdateDownloadProgress(1000, 500, false);
  EXPECT_EQ(Attr(bar, "value"), L"0") << "skipped while a screen loads";
  UpdateDownloadProgress(1000, 500, true);
  EXPECT_EQ(Attr(bar, "value"), L"50") << "unless forced";
  App().screenLoading = false;
}

int gRefreshRuns = 0;
void CountAndRequestThreeMore() {
  if (++gRefreshRuns != 1) return;
  // Three requests from other threads while the first refresh runs.
  std::vector<std::thread> threads;
  for (int i = 0; i < 3; ++i) threads.emplace_back([] { RequestDownloadAreaRefresh(); });
  for (std::thread& t : threads) t.join();
}

TEST_F(ScreensTest, ThreeRefreshRequestsDuringARefreshCauseExactlyOneMore) {
  Pump();
  gRefreshRuns = 0;
  SetRefreshObserver(CountAndRequestThreeMore);
  std::thread first([] { RequestDownloadAreaRefresh(); });
  first.join();
  for (int i = 0; i < 20; ++i) {
    Pump();
    Sleep(10);
  }
  SetRefreshObserver(nullptr);
  EXPECT_EQ(gRefreshRuns, 2);
}

void CountRefresh() { ++gRefreshRuns; }

TEST_F(ScreensTest, RequestsMadeBeforeTheWindowExistsHoldNoLaterOneBack) {
  // The download thread starts before the window: its first requests find none.
  HWND window = App().mainWindow;
  App().mainWindow = nullptr;
  std::thread([] {
    RequestDownloadAreaRefresh();
    RequestDownloadProgress(1000, 500);
  }).join();
  App().mainWindow = window;
  Pump();
  gRefreshRuns = 0;
  SetRefreshObserver(CountRefresh);
  std::thread([] {
    RequestDownloadAreaRefresh();
    RequestDownloadProgress(1000, 700);
  }).join();
  for (int i = 0; i < 10; ++i) {
    Pump();
    Sleep(10);
  }
  SetRefreshObserver(nullptr);
  EXPECT_EQ(gRefreshRuns, 1);
  EXPECT_EQ(Attr(Find(L"progressbar"), "value"), L"70");
}

TEST_F(ScreensTest, ProgressRequestsWhileOneIsPendingShareItsOneRunWithTheLatestFigures) {
  HELEMENT bar = Find(L"progressbar");
  RequestDownloadProgress(1000, 100);
  RequestDownloadProgress(1000, 700);  // while the first is pending: carried by it
  MSG message;
  int posted = 0;
  while (PeekMessageW(&message, window_, kProgressRequestMessage, kProgressRequestMessage, PM_NOREMOVE | PM_NOYIELD) &&
         posted < 10) {
    PeekMessageW(&message, window_, kProgressRequestMessage, kProgressRequestMessage, PM_REMOVE);
    ++posted;
    DispatchMessageW(&message);
  }
  EXPECT_EQ(posted, 1) << "one run for both";
  EXPECT_EQ(Attr(bar, "value"), L"70") << "the last figures are shown, not lost";
  RequestDownloadProgress(1000, 1000);
  Pump();
  EXPECT_EQ(Attr(bar, "value"), L"100");
}

// --- engine notifications

void SendLoaded(const wchar_t* uri, UINT status) {
  NMHL_DATA_LOADED record = {};
  record.hdr.code = HLN_DATA_LOADED;
  record.uri = uri;
  record.status = status;
  OnEngineNotification(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&record), nullptr);
}

TEST_F(ScreensTest, RemotePictureAnswersShowTheBannerAndA404TakesTheDefaultPicture) {
  StoreCatalogueText(kCatalogue, sizeof kCatalogue - 1);
  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_FALSE(Shown(450, 200));
  SendLoaded(L"C:\\local\\x.png", 404);
  EXPECT_FALSE(Shown(450, 200)) << "only http:// loads count";
  SendLoaded(L"http://s/other.png", 500);
  EXPECT_FALSE(Shown(450, 200));
  SendLoaded(L"http://s/8.jpg", 404);
  EXPECT_TRUE(Shown(450, 200));
  std::wstring fallback = Join(kLauncherFolder, L"thumbnails\\default.jpg");
  EXPECT_EQ(Attr(Find(L"bannerpic"), "src"), fallback);
  EXPECT_EQ(harness::FromCodePage(CurrentPromotion().picture, 1251), fallback);
  RefreshDownloadArea(window_, false);
  EXPECT_EQ(Attr(Find(L"bannerpic"), "src"), fallback) << "kept until the promotion is chosen again";

  LoadScreen(L"screen_reg.htm", window_);
  EXPECT_EQ(Attr(Find(L"bannerpic"), "src"), L"http://s/8.jpg");
  SendLoaded(L"http://s/8.jpg", 200);
  EXPECT_TRUE(Shown(450, 200));
}

// --- clicks

struct Click {
  std::wstring id;
  HELEMENT element;
};
std::vector<Click> TakeClicks(HWND window) {
  std::vector<Click> clicks;
  MSG message;
  while (PeekMessageW(&message, window, kElementClickMessage, kElementClickMessage, PM_REMOVE)) {
    HELEMENT element = nullptr;
    std::unique_ptr<wchar_t[]> id = TakeClickedId(message.wParam, &element);
    if (id != nullptr) clicks.push_back({id.get(), element});
  }
  return clicks;
}

TEST_F(ScreensTest, OnlyClicksPostedByTheHandlerAreTakenBack) {
  // Another program may post the click message with anything in wParam.
  HELEMENT element = reinterpret_cast<HELEMENT>(1);
  wchar_t forged[] = L"buttplay";
  EXPECT_EQ(TakeClickedId(reinterpret_cast<WPARAM>(forged), &element), nullptr);
  EXPECT_EQ(element, nullptr);
  EXPECT_EQ(TakeClickedId(0x10, &element), nullptr);
  ASSERT_TRUE(PostElementClick(window_, L"buttmore", Find(L"buttmore")));
  std::vector<Click> clicks = TakeClicks(window_);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].id, L"buttmore");
  EXPECT_EQ(clicks[0].element, Find(L"buttmore"));
}

TEST_F(ScreensTest, PressAndReleaseOnOneElementPostsItsId) {
  auto press = [&](int x, int y) { SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y)); };
  auto release = [&](int x, int y) { SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(x, y)); };
  TakeClicks(window_);
  press(60, 70);
  release(60, 70);
  std::vector<Click> clicks = TakeClicks(window_);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].id, L"buttplay");
  EXPECT_EQ(clicks[0].element, Find(L"buttplay"));

  press(60, 70);
  release(160, 70);  // released on another element
  EXPECT_TRUE(TakeClicks(window_).empty());

  press(20, 20);  // on the text of GGGG: counts as GGGG
  release(20, 20);
  clicks = TakeClicks(window_);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].id, L"GGGG");

  press(300, 450);  // the body has no id
  release(300, 450);
  EXPECT_TRUE(TakeClicks(window_).empty());

  SendMessageW(window_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(60, 70));
  SendMessageW(window_, WM_RBUTTONUP, 0, MAKELPARAM(60, 70));
  EXPECT_TRUE(TakeClicks(window_).empty()) << "only the main button clicks";
}

TEST_F(ScreensTest, ClickOnALinkOpensItsAddressBeforeTheWindowHearsOfIt) {
  std::wstring log = Join(kRoot, L"opens.log");
  SetEnvironmentVariableW(L"ZARN_OPEN_LOG", log.c_str());
  SendMessageW(window_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 105));
  SendMessageW(window_, WM_LBUTTONUP, 0, MAKELPARAM(20, 105));
  std::vector<Click> clicks = TakeClicks(window_);
  ASSERT_EQ(clicks.size(), 1u);
  EXPECT_EQ(clicks[0].id, L"SITEURL");
  EXPECT_TRUE(harness::WaitUntil([&] { return !harness::ReadBytes(log).empty(); }, 5000));
  EXPECT_EQ(harness::ReadBytes(log), "http://site/garden?p101\n");
}

}  // namespace
