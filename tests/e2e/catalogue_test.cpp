// The catalogue check end to end: the real manager against the local server.
// Its request (folder or script form, the partner code's number, the stored
// forced address), what a catalogue changes in the registry, the new-game
// news and its buttons, the manager's own update, and its manners while the
// server cannot be reached. A periodic check is started as the window's timers
// start one: timer 2 (the start delay) arms timer 1, timer 1 runs the check.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "download_fixture.h"
#include "popup_look.h"

namespace e2e {
namespace {

using harness::Join;
using harness::ScreenShot;

constexpr WPARAM kCatalogueTimer = 1;
constexpr WPARAM kStartDelayTimer = 2;
constexpr wchar_t kPopupClass[] = L"infoname";
constexpr DWORD kDrmId = 0x0a1b2c3d;  // leading zero and letters: "0a1b2c3d"

// Places on the pop-up (client coordinates).
constexpr POINT kCloseSpot = {234, 14};
constexpr POINT kLeftButton = {67, 158};
constexpr POINT kRightButton = {182, 158};
// Places on the test screens (client coordinates).
constexpr POINT kMyGamesLink = {280, 70};
constexpr POINT kBackToGame = {430, 25};  // only the game list screen has it
constexpr uint32_t kBackToGameGreen = 0x00AA00;


std::string Line(const std::string& path) { return "GET " + path + " HTTP/1.1"; }

std::string Hex8(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
  return text;
}

// The green face of the news buttons, and the orange one of the play button.
bool IsGreen(uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return g > r + 40 && g > b + 40;
}
bool IsOrange(uint32_t rgb) {
  int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  return r > 200 && g > 90 && g < 200 && b < 110;
}
int CountIn(const ScreenShot& shot, int left, int top, int right, int bottom, bool (*test)(uint32_t)) {
  int n = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) n += test(shot.At(x, y)) ? 1 : 0;
  }
  return n;
}

// What a faded-in pop-up shows below its message: the two green buttons of a
// new game's news, nothing (the update's news), or something else.
enum class PopupKind { kTextOnly, kTwoButtons, kOther };
const char* Name(PopupKind kind) {
  return kind == PopupKind::kTextOnly ? "text only" : kind == PopupKind::kTwoButtons ? "two buttons" : "other";
}
PopupKind KindOf(const ScreenShot& shot) {
  int leftGreen = CountIn(shot, 10, 130, 124, 187, IsGreen);
  int rightGreen = CountIn(shot, 125, 130, 239, 187, IsGreen);
  int orange = CountIn(shot, 10, 130, 239, 187, IsOrange);
  if (leftGreen > 1000 && rightGreen > 1000 && orange == 0) return PopupKind::kTwoButtons;
  if (leftGreen == 0 && rightGreen == 0 && orange == 0) return PopupKind::kTextOnly;
  return PopupKind::kOther;
}

std::string NewsCatalogue(const std::string& games, const std::string& name, const std::string& page,
                          const std::string& download) {
  return "[GAMES.CFG]\r\ngames=" + games + "\r\ngame_name=" + name + "\r\ngame_url=" + page +
         "\r\ngame_download=" + download + "\r\n";
}

std::string UpdateCatalogue(int program, const std::string& distributive) {
  return "[GAMES.CFG]\r\ngames=1\r\nprogram=" + std::to_string(program) + "\r\nwrapper_distrib=" + distributive +
         "\r\nautobuild_script=" + server::Url("/report") + "\r\n";
}

class CatalogueE2ETest : public DownloadTest {
 protected:
  size_t CountRequests(const std::string& line) {
    size_t n = 0;
    for (const std::string& request : server::Requests()) n += request == line ? 1 : 0;
    return n;
  }
  bool WaitForRequests(const std::string& line, size_t count, DWORD ms) {
    return harness::WaitUntil([&] { return CountRequests(line) >= count; }, ms);
  }
  std::string LoggedRequests() {
    std::string text;
    for (const std::string& request : server::Requests()) text += "  " + request + "\n";
    return text;
  }

  harness::RegValue ProductValue(const std::wstring& name) {
    return harness::ReadValue(harness::kProductKeyPath, name);
  }
  // The start-up check has fetched `line` and counted the start: what is left
  // of it takes no time, and a wait makes sure it has ended.
  bool WaitForStartCheck(const std::string& line) {
    bool done = WaitForRequests(line, 1, 10000) &&
                harness::WaitUntil([&] { return ProductValue(L"GAMES_VERSION").exists; }, 5000);
    Sleep(500);
    return done;
  }
  // Runs a periodic check as the timers do; true when it fetched `line`.
  bool RunPeriodicCheck(HWND window, const std::string& line) {
    size_t before = CountRequests(line);
    PostMessageW(window, WM_TIMER, kStartDelayTimer, 0);
    PostMessageW(window, WM_TIMER, kCatalogueTimer, 0);
    return WaitForRequests(line, before + 1, 5000);
  }
  // Time for a check that has fetched its catalogue to act on it.
  static void LetItAct() { Sleep(1000); }

  std::vector<HWND> Popups(const harness::Process& manager) {
    return harness::TopLevelWindows(manager.id, kPopupClass);
  }
  HWND WaitForPopup(const harness::Process& manager, DWORD ms = 5000) {
    return harness::WaitForWindow(kPopupClass, manager.id, ms);
  }
  // The pop-up as it is shown once it has faded in.
  ScreenShot ShownPopup(HWND popup) {
    EXPECT_TRUE(harness::WaitUntil([&] { return harness::LayeredAlpha(popup) == 255; }, 3000));
    Sleep(200);
    return harness::CaptureWindow(popup);
  }
  void Dismiss(HWND popup) {
    ClickAt(popup, kCloseSpot.x, kCloseSpot.y);
    EXPECT_TRUE(harness::WaitUntil([&] { return IsWindow(popup) == FALSE; }, 3000));
  }

  std::vector<std::string> UpdateLog() { return SplitLines(harness::ReadBytes(updateLog_)); }
  bool UpdateEnded() {
    std::vector<std::string> log = UpdateLog();
    return !log.empty() && log.back() == "end";
  }
  // The update program served at /files/update.exe; its bytes.
  std::string ServeUpdate() {
    std::wstring served = Join(server::Root(), L"files\\update.exe");
    CopyFileW(SupportExe(L"testupdate.exe").c_str(), served.c_str(), FALSE);
    return harness::ReadBytes(served);
  }
  // Where the manager puts its own update: the game folder's "Download".
  static std::string UpdateFolderA(const std::wstring& folder) {
    return harness::ToCodePage(Join(folder, L"Download"), CP_ACP);
  }
  // A list file written before the manager starts.
  void WriteList(const std::string& bytes) {
    harness::MakeDirs(Join(DataFolder(), L"Download"));
    harness::WriteBytes(InDownloads(L"downloads.txt"), bytes);
  }
  // Waits for the update's news, checking on the way that it does not come
  // while the update program still runs. Null when no pop-up came.
  HWND WaitForNewsAfterUpdate(const harness::Process& manager) {
    HWND popup = nullptr;
    bool early = false;
    harness::WaitUntil(
        [&] {
          std::vector<HWND> shown = Popups(manager);
          popup = shown.empty() ? nullptr : shown[0];
          early = early || (popup != nullptr && !UpdateEnded());  // the log is read after the window
          return popup != nullptr;
        },
        15000);
    EXPECT_FALSE(early) << "news while the update program still ran";
    return popup;
  }
};

// --- the request ---

TEST_F(CatalogueE2ETest, TheRequestNamesThePartnerCodesNumberOrAsksTheScriptAndAForcedAddressWins) {
  const std::string folderForm = server::Url("/catalogue/");
  const std::string scriptForm = server::Url("/cat.php");
  const std::string key = "key=" + Hex8(kDrmId);
  struct Case {
    const char* what;
    std::wstring idpostfix;
    std::string affiliate;
    std::string gamesurl;
    const wchar_t* forcedName;  // written when not null
    std::string forcedValue;
    std::string expected;
  } cases[] = {
      {"number", L"17", "", folderForm, nullptr, "", "/catalogue/17.txt"},
      {"not a number", L"abc", "", folderForm, nullptr, "", "/catalogue/0.txt"},
      {"number before letters", L"17abc", "", folderForm, nullptr, "", "/catalogue/17.txt"},
      {"affiliate.txt before idpostfix", L"17", "25", folderForm, nullptr, "", "/catalogue/25.txt"},
      {"folder ending in a backslash", L"17", "", server::Url("/catalogue\\"), nullptr, "", "/catalogue/17.txt"},
      {"script", L"17x", "", scriptForm, nullptr, "", "/cat.php?" + key + "&postfix=17x"},
      {"script, no partner code", L"", "", scriptForm, nullptr, "", "/cat.php?" + key + "&postfix="},
      {"forced folder over a script", L"17", "", scriptForm, L"FORCED_URL_17", server::Url("/forced/"),
       "/forced/17.txt"},
      {"forced script over a folder", L"", "25", folderForm, L"FORCED_URL_25", server::Url("/forced.php"),
       "/forced.php?" + key + "&postfix=25"},
      {"forced for another number", L"17", "", folderForm, L"FORCED_URL_0", server::Url("/forced/"),
       "/catalogue/17.txt"},
  };
  int id = 301;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    server::Control("clearlog");
    SampleGame game{L"game" + std::to_wstring(id), id, L"http://site.example/?", c.idpostfix, c.affiliate};
    std::wstring folder = MakeGameFolder(game);
    harness::WriteWrapperConfig(folder, harness::FromUtf8(c.gamesurl));
    harness::SetDword(harness::kProductKeyPath, L"DRM_ID", kDrmId);
    if (c.forcedName != nullptr) {
      harness::SetString(harness::kProductKeyPath, c.forcedName, harness::FromUtf8(c.forcedValue));
    }
    harness::Process manager;
    ASSERT_NE(StartShown(folder, id++, &manager), nullptr);
    EXPECT_TRUE(WaitForRequests(Line(c.expected), 1, 10000)) << LoggedRequests();
    EXPECT_EQ(server::Requests().size(), 1u) << LoggedRequests();
    std::vector<server::Request> requests = server::RequestsFor(c.expected.substr(0, c.expected.find('?')));
    ASSERT_FALSE(requests.empty());
    EXPECT_EQ(requests[0].Header("User-Agent"), "IE6");
    EXPECT_EQ(RequestExit(manager), 0u);
  }
}

TEST_F(CatalogueE2ETest, TheScriptIsAskedWithTheInstallationIdTheManagerMade) {
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::WriteWrapperConfig(folder, harness::FromUtf8(server::Url("/cat.php")));
  harness::Process manager;
  ASSERT_NE(StartShown(folder, 101, &manager), nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return !server::Requests().empty(); }, 10000));
  harness::RegValue id = ProductValue(L"DRM_ID");
  ASSERT_TRUE(id.exists);
  EXPECT_EQ(id.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(server::Requests(), std::vector<std::string>{Line("/cat.php?key=" + Hex8(id.AsDword()) + "&postfix=")});
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(CatalogueE2ETest, AForcedAddressFromTheCatalogueIsStoredForThePartnerCodesNumberAndAskedNextTime) {
  struct Case {
    const char* what;
    std::wstring idpostfix;
    std::string file;  // what the configured address asks for
    const wchar_t* valueName;
    bool restart;  // the next check after a restart, else a periodic one
  } cases[] = {
      {"number, then a periodic check", L"17", "17.txt", L"FORCED_URL_17", false},
      {"not a number, then a restart", L"abc", "0.txt", L"FORCED_URL_0", true},
  };
  const std::string moved = server::Url("/moved/");
  int id = 311;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    server::Control("clearlog");
    SampleGame game{L"game" + std::to_wstring(id), id, L"http://site.example/?", c.idpostfix};
    std::wstring folder = MakeServedGame(game);
    ServeCatalogue("[GAMES.CFG]\r\ngames=1\r\nforced_cfg_url=" + moved + "\r\n", c.file);
    harness::Process manager;
    HWND window = StartShown(folder, id, &manager);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStartCheck(Line("/catalogue/" + c.file))) << LoggedRequests();
    harness::RegValue forced = ProductValue(c.valueName);
    EXPECT_TRUE(forced.exists);
    EXPECT_EQ(forced.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(harness::ToUtf8(forced.AsString()), moved);

    if (c.restart) {
      EXPECT_EQ(RequestExit(manager), 0u);
      window = StartShown(folder, id, &manager);
      ASSERT_NE(window, nullptr);
      EXPECT_TRUE(WaitForRequests(Line("/moved/" + c.file), 1, 10000)) << LoggedRequests();
    } else {
      EXPECT_TRUE(RunPeriodicCheck(window, Line("/moved/" + c.file))) << LoggedRequests();
    }
    EXPECT_EQ(CountRequests(Line("/catalogue/" + c.file)), 1u) << "the configured address is not asked again";
    EXPECT_EQ(RequestExit(manager), 0u);
    ++id;
  }
}

TEST_F(CatalogueE2ETest, TheWholeAnswerIsReadHoweverItArrivesUpToItsLargestSize) {
  const std::string moved = server::Url("/moved/");
  const std::string forcedLine = "forced_cfg_url=" + moved + "\r\n";
  // A catalogue of `size` bytes whose forced address starts at `at`.
  auto catalogue = [&](size_t size, size_t at) {
    std::string text = "[GAMES.CFG]\r\ngames=1\r\n";
    while (text.size() + 80 < at) text += "promoComment=" + std::string(64, 'x') + "\r\n";
    text += "note=" + std::string(at - text.size() - 7, 'y') + "\r\n";
    text += forcedLine;
    text += std::string(size - text.size(), 'z');
    return text;
  };
  const size_t largest = 65535;
  struct Case {
    const char* what;
    std::string rule;  // options of the catalogue's rule
    size_t size;
    size_t at;
    bool stored;
  } cases[] = {
      {"slowly", "rate=20000", 60000, 60000 - forcedLine.size(), true},
      {"in pieces, without a length", "no_content_length=1&rate=40000", 60000, 60000 - forcedLine.size(), true},
      {"the largest size", "", largest, largest - forcedLine.size(), true},
      {"longer: the rest is not read", "", largest + 100, largest + 2, false},
      {"longer, without a length", "no_content_length=1", largest + 100, largest + 2, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    server::Control("reset");
    server::Control("clearlog");
    std::string text = catalogue(c.size, c.at);
    ASSERT_EQ(text.size(), c.size);
    ASSERT_EQ(text.find(forcedLine), c.at);
    ServeCatalogue(text);
    if (!c.rule.empty()) server::Control("set?path=/catalogue/0.txt&" + c.rule);
    std::wstring folder = MakeServedGame(kServedGarden);
    harness::Process manager;
    ASSERT_NE(StartShown(folder, 101, &manager), nullptr);
    ASSERT_TRUE(WaitForStartCheck(Line("/catalogue/0.txt")));
    harness::RegValue forced = ProductValue(L"FORCED_URL_0");
    EXPECT_EQ(forced.exists, c.stored);
    if (c.stored) {
      EXPECT_EQ(harness::ToUtf8(forced.AsString()), moved);
    }
    EXPECT_EQ(CountRequests(Line("/catalogue/0.txt")), 1u);
    EXPECT_EQ(RequestExit(manager), 0u);
  }
}

TEST_F(CatalogueE2ETest, ARequestThatGotNoAnswerIsTriedAgainAfterGrowingPauses) {
  const std::string request = Line("/catalogue/0.txt");
  ServeCatalogue("[GAMES.CFG]\r\ngames=1\r\n");
  std::wstring folder = MakeServedGame(kServedGarden);
  // The server closes the first three connections without a byte, or answers
  // them with a passing failure of its own.
  for (const char* failure : {"hangup=1", "status=503"}) {
    SCOPED_TRACE(failure);
    harness::DeleteValue(harness::kProductKeyPath, L"GAMES_VERSION");
    server::Control("clearlog");
    server::Control(std::string("set?path=/catalogue/0.txt&times=3&") + failure);
    harness::Process manager;
    ASSERT_NE(StartShown(folder, 101, &manager), nullptr);
    // When each request arrived, as seen by polling the log.
    std::vector<int64_t> arrivals;
    auto arrived = [&](size_t count, DWORD ms) {
      return harness::WaitUntil(
          [&] {
            while (arrivals.size() < CountRequests(request)) arrivals.push_back(harness::NowMs());
            return arrivals.size() >= count;
          },
          ms);
    };
    ASSERT_TRUE(arrived(1, 10000));
    ASSERT_TRUE(arrived(2, 3000)) << "no second request; GAMES_VERSION "
                                  << (ProductValue(L"GAMES_VERSION").exists ? "written" : "not written");
    ASSERT_TRUE(arrived(4, 10000)) << LoggedRequests();
    const int64_t pauses[] = {1000, 2000, 4000};
    for (size_t i = 0; i < 3; ++i) {
      int64_t gap = arrivals[i + 1] - arrivals[i];
      EXPECT_GE(gap, pauses[i] - 100) << "pause " << i;
      EXPECT_LE(gap, pauses[i] + 1000) << "pause " << i;
    }
    EXPECT_TRUE(harness::WaitUntil([&] { return ProductValue(L"GAMES_VERSION").exists; }, 5000))
        << "the fourth answer was read";
    Sleep(1500);
    EXPECT_EQ(CountRequests(request), 4u);
    EXPECT_EQ(RequestExit(manager), 0u);
  }
}

// --- the count of games and the news ---

TEST_F(CatalogueE2ETest, TheStartOnlyCountsAndEachPeriodicCheckAnnouncesAHigherNumberOnce) {
  const std::string page = "http://site.example/sea?from=news";
  const std::string download = server::Url("/files/sea.bin");
  const std::string longName = "Sea Quest and the Lighthouse of the Northern Islands";
  ServeCatalogue(NewsCatalogue("3", longName, page, download));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  const std::string request = Line("/catalogue/0.txt");
  ASSERT_TRUE(WaitForStartCheck(request));
  harness::RegValue version = ProductValue(L"GAMES_VERSION");
  EXPECT_EQ(version.type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(version.AsDword(), 1u) << "the start counts from 1";
  LetItAct();
  EXPECT_TRUE(Popups(manager).empty()) << "no news at the start";

  ASSERT_TRUE(RunPeriodicCheck(window, request));
  HWND popup = WaitForPopup(manager);
  ASSERT_NE(popup, nullptr) << "games=3 is news against 1";
  ScreenShot named = ShownPopup(popup);
  EXPECT_STREQ(Name(KindOf(named)), Name(PopupKind::kTwoButtons));
  EXPECT_TRUE(harness::WaitUntil([&] { return ProductValue(L"GAMES_VERSION").AsDword() == 3; }, 3000));
  Dismiss(popup);

  ASSERT_TRUE(RunPeriodicCheck(window, request));
  LetItAct();
  EXPECT_TRUE(Popups(manager).empty()) << "the same catalogue again";
  EXPECT_EQ(ProductValue(L"GAMES_VERSION").AsDword(), 3u);

  // The known number as the registry has it between checks; compared signed.
  struct Case {
    const char* what;
    bool known;
    DWORD version;
    std::string games;
    bool news;
    DWORD after;
  } cases[] = {
      {"equal", true, 5, "5", false, 5},
      {"lower", true, 5, "4", false, 5},
      {"not a number", true, 5, "many", false, 5},
      {"higher", true, 5, "6", true, 6},
      {"above a negative known number", true, 0xFFFFFFFF, "0", true, 0},
      {"no known number: counted from 1", false, 0, "2", true, 2},
  };
  ScreenShot unnamed;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.known) {
      harness::SetDword(harness::kProductKeyPath, L"GAMES_VERSION", c.version);
    } else {
      harness::DeleteValue(harness::kProductKeyPath, L"GAMES_VERSION");
    }
    ServeCatalogue(NewsCatalogue(c.games, "", page, download));
    ASSERT_TRUE(RunPeriodicCheck(window, request));
    if (c.news) {
      popup = WaitForPopup(manager);
      ASSERT_NE(popup, nullptr);
      unnamed = ShownPopup(popup);
      EXPECT_STREQ(Name(KindOf(unnamed)), Name(PopupKind::kTwoButtons));
      EXPECT_TRUE(harness::WaitUntil([&] { return ProductValue(L"GAMES_VERSION").AsDword() == c.after; }, 3000));
      Dismiss(popup);
    } else {
      LetItAct();
      EXPECT_TRUE(Popups(manager).empty());
    }
    EXPECT_EQ(ProductValue(L"GAMES_VERSION").AsDword(), c.after);
  }

  // "<news> - <name>" runs to more lines than the news alone.
  harness::Ink withName = harness::InkIn(named, 12, 39, 237, 130);
  harness::Ink without = harness::InkIn(unnamed, 12, 39, 237, 130);
  EXPECT_NE(without.top, -1) << "the news text is shown";
  EXPECT_GT(withName.bottom, without.bottom + 10) << "the game's name follows the news";
  EXPECT_TRUE(ListFile().empty()) << "news downloads nothing by itself";
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(CatalogueE2ETest, AnAnswerThatIsNotACatalogueOnlyCountsTheStart) {
  const std::string notMarked = "\r\n[GAMES.CFG]\r\ngames=3\r\ngame_name=Sea\r\nforced_cfg_url=" +
                                server::Url("/moved/") + "\r\nprogram=5\r\nwrapper_distrib=" +
                                server::Url("/files/update.exe") + "\r\n";
  struct Case {
    const char* what;
    std::string body;
    bool counted;  // GAMES_VERSION written
  } cases[] = {
      {"empty answer", "", false},
      {"a blank line before the mark", notMarked, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    harness::RemoveTree(DataFolder());
    server::Control("clearlog");
    ServeCatalogue(c.body);
    std::wstring folder = MakeServedGame(kServedGarden);
    harness::Process manager;
    HWND window = StartShown(folder, 101, &manager);
    ASSERT_NE(window, nullptr);
    const std::string request = Line("/catalogue/0.txt");
    ASSERT_TRUE(WaitForRequests(request, 1, 10000));
    if (c.counted) {
      ASSERT_TRUE(WaitForStartCheck(request));
      EXPECT_EQ(ProductValue(L"GAMES_VERSION").AsDword(), 1u);
    } else {
      LetItAct();
      EXPECT_FALSE(ProductValue(L"GAMES_VERSION").exists);
    }
    ASSERT_TRUE(RunPeriodicCheck(window, request));
    LetItAct();
    EXPECT_TRUE(Popups(manager).empty());
    EXPECT_FALSE(ProductValue(L"FORCED_URL_0").exists);
    EXPECT_EQ(ProductValue(L"GAMES_VERSION").exists, c.counted);
    if (c.counted) {
      EXPECT_EQ(ProductValue(L"GAMES_VERSION").AsDword(), 1u);
    }
    EXPECT_TRUE(ListFile().empty()) << DescribeList(ListFile());
    EXPECT_EQ(server::Requests(), (std::vector<std::string>{request, request})) << "nothing else was fetched";
    EXPECT_EQ(RequestExit(manager), 0u);
  }
}

TEST_F(CatalogueE2ETest, TheNewsButtonsFetchTheAnnouncedGameInTheBackgroundOrOpenItsPage) {
  const std::string page = "http://site.example/sea?from=news";
  const std::string download = server::Url("/files/sea.bin");
  std::string bytes = server::ServeFile(L"files\\sea.bin", 300000, 7);
  server::Control("set?path=/files/sea.bin&hangup=1");  // held back until the list is seen
  ServeCatalogue(NewsCatalogue("3", "Sea Quest", page, download));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  const std::string request = Line("/catalogue/0.txt");
  ASSERT_TRUE(WaitForStartCheck(request));

  ASSERT_TRUE(RunPeriodicCheck(window, request));
  HWND popup = WaitForPopup(manager);
  ASSERT_NE(popup, nullptr);
  ShownPopup(popup);
  ClickAt(popup, kLeftButton.x, kLeftButton.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindow(popup) == FALSE; }, 3000));
  std::string d = DownloadFolderA();
  std::string entry = ListEntry(download, d + "\\sea.bin.part", d + "\\sea.bin", false);
  EXPECT_TRUE(harness::WaitUntil([&] { return ListFile() == entry; }, 5000))
      << "list file:\n" << DescribeList(ListFile()) << "expected:\n" << DescribeList(entry);
  EXPECT_TRUE(WaitForRequests(Line("/files/sea.bin"), 1, 5000)) << "the download thread has it";
  server::Control("reset");
  ASSERT_TRUE(WaitForBytes(InDownloads(L"sea.bin"), bytes, 20000));
  EXPECT_EQ(harness::Sha256Hex(harness::ReadBytes(InDownloads(L"sea.bin"))), harness::Sha256Hex(bytes));
  EXPECT_TRUE(harness::WaitUntil([&] { return ListFile().empty(); }, 5000)) << DescribeList(ListFile());
  EXPECT_TRUE(RecordedOpens().empty()) << "the left button opens nothing";
  size_t fetches = CountRequests(Line("/files/sea.bin"));

  // The same news once more: the right button opens the game's page.
  harness::SetDword(harness::kProductKeyPath, L"GAMES_VERSION", 1);
  ASSERT_TRUE(RunPeriodicCheck(window, request));
  popup = WaitForPopup(manager);
  ASSERT_NE(popup, nullptr);
  ShownPopup(popup);
  ClickAt(popup, kRightButton.x, kRightButton.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return !RecordedOpens().empty(); }, 5000));
  EXPECT_EQ(RecordedOpens(), std::vector<std::string>{page});
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindow(popup) == FALSE; }, 3000));
  Sleep(500);
  EXPECT_TRUE(ListFile().empty()) << "the right button downloads nothing";
  EXPECT_EQ(CountRequests(Line("/files/sea.bin")), fetches) << "nothing fetched again";
  EXPECT_EQ(RequestExit(manager), 0u);
}

// --- the manager's own update ---

TEST_F(CatalogueE2ETest, AHigherProgramNumberQueuesTheUpdateOnceAndItsNewsComesAfterItRan) {
  const std::string distributive = server::Url("/files/update.exe");
  std::string program = ServeUpdate();
  server::Control("set?path=/files/update.exe&hangup=1");  // held back until the list is seen
  SetEnvironmentVariableW(L"ZARN_UPDATE_SLEEPMS", L"2000");
  ServeCatalogue(UpdateCatalogue(4, distributive));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  const std::string request = Line("/catalogue/0.txt");
  ASSERT_TRUE(WaitForStartCheck(request));

  ASSERT_TRUE(RunPeriodicCheck(window, request));
  LetItAct();
  EXPECT_TRUE(ListFile().empty()) << "program=4 is this version";

  ServeCatalogue(UpdateCatalogue(5, distributive));
  ASSERT_TRUE(RunPeriodicCheck(window, request));
  ASSERT_TRUE(harness::WaitUntil([&] { return ListFile().size() == 785; }, 5000)) << DescribeList(ListFile());
  std::string list = ListFile();
  std::string partPrefix = UpdateFolderA(folder) + "\\WrapperUpdate.part";
  std::string part(list.data() + 264);  // the second text, up to its NUL
  ASSERT_EQ(part.size(), partPrefix.size() + 3) << part;
  EXPECT_EQ(part.substr(0, partPrefix.size()), partPrefix);
  for (char letter : part.substr(partPrefix.size())) {
    EXPECT_TRUE(letter >= 'A' && letter <= 'Z') << part;
  }
  std::string finalPath = UpdateFolderA(folder) + "\\ZarnWrapper.exe";
  std::string entry = ListEntry(distributive, part, finalPath, false);
  EXPECT_TRUE(list == entry) << "list file:\n" << DescribeList(list) << "expected:\n" << DescribeList(entry);

  ASSERT_TRUE(WaitForRequests(Line("/files/update.exe"), 1, 5000)) << "the download thread has it";
  server::Control("reset");
  ASSERT_TRUE(harness::WaitUntil([&] { return !UpdateLog().empty(); }, 20000)) << "the update program ran";
  EXPECT_EQ(UpdateLog()[0], "start " + harness::ToUtf8(Join(folder, L"Download\\ZarnWrapper.exe")));
  EXPECT_TRUE(Popups(manager).empty()) << "no news while it runs";
  HWND popup = WaitForNewsAfterUpdate(manager);
  ASSERT_NE(popup, nullptr);
  ScreenShot news = ShownPopup(popup);
  EXPECT_STREQ(Name(KindOf(news)), Name(PopupKind::kTextOnly));
  EXPECT_NE(harness::InkIn(news, 12, 39, 237, 188).top, -1) << "the update's text";
  EXPECT_EQ(UpdateLog(), (std::vector<std::string>{UpdateLog()[0], "end"}));
  EXPECT_EQ(harness::Sha256Hex(harness::ReadBytes(Join(folder, L"Download\\ZarnWrapper.exe"))),
            harness::Sha256Hex(program));
  EXPECT_TRUE(ListFile().empty()) << DescribeList(ListFile());
  EXPECT_EQ(CountRequests(Line("/report")), 0u) << "an update is no installation";
  Dismiss(popup);

  // The list is empty now, and this process has queued its update.
  size_t fetches = CountRequests(Line("/files/update.exe"));
  ASSERT_TRUE(RunPeriodicCheck(window, request));
  LetItAct();
  EXPECT_TRUE(ListFile().empty()) << DescribeList(ListFile());
  Sleep(1000);
  EXPECT_EQ(CountRequests(Line("/files/update.exe")), fetches);
  EXPECT_EQ(UpdateLog().size(), 2u);
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(CatalogueE2ETest, AnUpdateRestoredFromTheListIsTheOnlyOneOfTheProcess) {
  const std::string distributive = server::Url("/files/update.exe");
  std::string program = ServeUpdate();
  server::Control("set?path=/files/update.exe&hangup=1");
  ServeCatalogue(UpdateCatalogue(5, distributive));
  std::wstring folder = MakeServedGame(kServedGarden);
  std::string entry = ListEntry(distributive, UpdateFolderA(folder) + "\\WrapperUpdate.partQRS",
                                UpdateFolderA(folder) + "\\ZarnWrapper.exe", false);
  WriteList(entry);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  const std::string request = Line("/catalogue/0.txt");
  ASSERT_TRUE(WaitForStartCheck(request));
  ASSERT_TRUE(RunPeriodicCheck(window, request));
  LetItAct();
  EXPECT_TRUE(ListFile() == entry) << "list file:\n" << DescribeList(ListFile());

  // Once it has run the list is empty, and still nothing is queued.
  server::Control("reset");
  HWND popup = WaitForNewsAfterUpdate(manager);
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(UpdateLog(), (std::vector<std::string>{
                             "start " + harness::ToUtf8(Join(folder, L"Download\\ZarnWrapper.exe")), "end"}));
  Dismiss(popup);
  EXPECT_TRUE(ListFile().empty()) << DescribeList(ListFile());
  ASSERT_TRUE(RunPeriodicCheck(window, request));
  LetItAct();
  EXPECT_TRUE(ListFile().empty()) << DescribeList(ListFile());
  EXPECT_EQ(UpdateLog().size(), 2u);
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(CatalogueE2ETest, AScreenLoadWaitsWhileTheUpdateProgramRuns) {
  const std::string distributive = server::Url("/files/update.exe");
  ServeUpdate();
  server::Control("set?path=/files/update.exe&hangup=1");
  SetEnvironmentVariableW(L"ZARN_UPDATE_SLEEPMS", L"3000");
  std::wstring folder = MakeServedGame(kServedGarden);
  WriteList(ListEntry(distributive, UpdateFolderA(folder) + "\\WrapperUpdate.partQRS",
                      UpdateFolderA(folder) + "\\ZarnWrapper.exe", false));
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForRequests(Line("/files/update.exe"), 1, 10000));
  ASSERT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  Sleep(500);
  ASSERT_NE(ScreenPixel(window, kBackToGame.x, kBackToGame.y), kBackToGameGreen);

  server::Control("reset");
  ASSERT_TRUE(harness::WaitUntil([&] { return !UpdateLog().empty(); }, 20000)) << "the update program ran";
  ClickAt(window, kMyGamesLink.x, kMyGamesLink.y);
  Sleep(1000);
  ASSERT_FALSE(UpdateEnded()) << "the update program ran too briefly to show anything";
  EXPECT_NE(ScreenPixel(window, kBackToGame.x, kBackToGame.y), kBackToGameGreen) << "the game list came early";

  bool early = false;
  EXPECT_TRUE(harness::WaitUntil(
      [&] {
        bool shown = ScreenPixel(window, kBackToGame.x, kBackToGame.y) == kBackToGameGreen;
        early = early || (shown && !UpdateEnded());
        return shown;
      },
      15000))
      << "the game list is shown after the update";
  EXPECT_FALSE(early) << "the game list came while the update program ran";
  HWND popup = WaitForPopup(manager);
  EXPECT_NE(popup, nullptr);
  EXPECT_EQ(RequestExit(manager), 0u);
}

// --- while the server cannot be reached ---

TEST_F(CatalogueE2ETest, WaitingForAnUnreachableServerTakesLittleProcessorTimeAndTheWindowAnswers) {
  // The game folder's catalogue address is a closed port.
  std::wstring folder = MakeGameFolder(kServedGarden);
  CreateProductKey();
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SendDownload(window, "http://127.0.0.1:9/files/game.exe"));
  Sleep(2000);  // past the start

  int64_t before = harness::ThreadTimes100ns(manager.id);
  ASSERT_GT(before, 0) << "processor times are measured";
  LARGE_INTEGER frequency, start, now;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int unanswered = 0, asked = 0;
  double slowestMs = 0;
  do {
    LARGE_INTEGER sent, answered;
    QueryPerformanceCounter(&sent);
    DWORD_PTR result = 0;
    if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result) == 0) ++unanswered;
    QueryPerformanceCounter(&answered);
    double ms = 1000.0 * static_cast<double>(answered.QuadPart - sent.QuadPart) / frequency.QuadPart;
    slowestMs = ms > slowestMs ? ms : slowestMs;
    ++asked;
    Sleep(250);
    QueryPerformanceCounter(&now);
  } while (now.QuadPart - start.QuadPart < 60 * frequency.QuadPart);
  int64_t used = harness::ThreadTimes100ns(manager.id) - before;
  double seconds = static_cast<double>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
  double share = 100.0 * (static_cast<double>(used) / 1e7) / seconds;
  std::printf("processor time over %.1f s: %.3f s (%.2f %%); %d of %d WM_NULL unanswered, slowest %.1f ms\n",
              seconds, static_cast<double>(used) / 1e7, share, unanswered, asked, slowestMs);
  RecordProperty("processor_percent", std::to_string(share));
  EXPECT_LT(share, 2.0);
  EXPECT_EQ(unanswered, 0);
  EXPECT_LT(slowestMs, 100.0);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
