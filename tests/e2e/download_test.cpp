// Downloads end to end: the real manager against the local server, from the
// banner's download button to the installed game, the list file that keeps
// unfinished downloads across restarts, and the cancel button.
#include <windows.h>

#include <string>

#include "download_fixture.h"

namespace e2e {
namespace {

using harness::Join;




// Places on the test screen (client coordinates).
constexpr POINT kDownloadButton = {520, 220};
constexpr POINT kProgressArea = {570, 220};
constexpr POINT kCancelButton = {620, 220};
constexpr POINT kWaitingNotice = {670, 220};
constexpr uint32_t kYellow = 0xFFFF00, kMagenta = 0xFF00FF, kCyan = 0x00FFFF;

std::string Catalogue(const std::string& download, int promotedId = 202) {
  return "[GAMES.CFG]\r\ngames=1\r\npromoID0=" + std::to_string(promotedId) +
         "\r\npromoName0=Puzzle\r\npromoDescription0=A puzzle\r\npromoBanner0=" +
         server::Url("/files/banner.jpg") + "\r\npromoDownload0=" + download + "\r\nautobuild_script=" +
         server::Url("/report?installed=1") + "\r\n";
}

class DownloadE2ETest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    if (IsSkipped()) return;
    harness::WriteColourPicture(Join(server::Root(), L"files\\banner.jpg"), 0x3366cc);
  }
  // The list file has exactly these bytes; shown entry by entry when not.
  void ExpectList(const std::string& expected) {
    std::string actual = ListFile();
    EXPECT_TRUE(actual == expected) << "list file:\n" << DescribeList(actual) << "expected:\n" << DescribeList(expected);
  }
  std::vector<std::string> InstallerLog() { return SplitLines(harness::ReadBytes(installerLog_)); }
  bool SawRequest(const std::string& line) {
    for (const std::string& request : server::Requests()) {
      if (request == line) return true;
    }
    return false;
  }
  bool WaitForRequest(const std::string& line, DWORD ms) {
    return harness::WaitUntil([&] { return SawRequest(line); }, ms);
  }
  size_t CountRequests(const std::string& prefix) {
    size_t n = 0;
    for (const std::string& request : server::Requests()) n += request.rfind(prefix, 0) == 0;
    return n;
  }
};

TEST_F(DownloadE2ETest, TheBannersDownloadButtonEndsWithTheGameInstalledAndAnnounced) {
  std::string installer = ServePuzzleInstaller(L"Puzzle.exe");
  // Slow enough to see the progress area on the screen.
  server::Control("set?path=/files/Puzzle.exe&rate=" + std::to_string(installer.size() / 2));
  ServeCatalogue(Catalogue(server::Url("/files/Puzzle.exe")));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForRequest("GET /catalogue/0.txt HTTP/1.1", 10000));
  ASSERT_TRUE(WaitForRequest("GET /files/banner.jpg HTTP/1.1", 10000)) << "the banner shows the promoted game";
  EXPECT_NE(ScreenPixel(window, kProgressArea.x, kProgressArea.y), kYellow);

  ClickAt(window, kDownloadButton.x, kDownloadButton.y);
  std::string url = server::Url("/files/Puzzle.exe");
  std::string part = DownloadFolderA() + "\\Puzzle.exe.part";
  ASSERT_TRUE(harness::WaitUntil([&] { return ListFile() == ListEntry(url, part, DownloadFolderA() + "\\Puzzle.exe", true); },
                                 5000))
      << "the click appended and saved the download";
  EXPECT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kProgressArea.x, kProgressArea.y) == kYellow; }, 5000))
      << "progress shown";
  EXPECT_EQ(ScreenPixel(window, kCancelButton.x, kCancelButton.y), kMagenta) << "cancel shown";
  EXPECT_NE(ScreenPixel(window, kWaitingNotice.x, kWaitingNotice.y), kCyan) << "connected";

  ASSERT_TRUE(harness::WaitUntil([&] { return InstallerLog().size() >= 2; }, 20000)) << "the installer ran";
  EXPECT_EQ(InstallerLog()[0], "start " + harness::ToUtf8(InDownloads(L"Puzzle.exe")));
  EXPECT_EQ(harness::Sha256Hex(harness::ReadBytes(InDownloads(L"Puzzle.exe"))), harness::Sha256Hex(installer));
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Puzzle.exe.part")));
  ExpectList("");

  HWND popup = harness::WaitForWindow(L"infoname", manager.id, 10000);
  ASSERT_NE(popup, nullptr) << "the new game is announced";
  EXPECT_TRUE(WaitForRequest("GET /report?installed=1 HTTP/1.1", 5000)) << "the installation was reported";
  EXPECT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kProgressArea.x, kProgressArea.y) != kYellow; }, 5000))
      << "the progress area went away";

  // The pop-up's button selects the new game: it is in the manager's list.
  ClickAt(popup, 125, 158);
  EXPECT_TRUE(harness::WaitUntil([] { return LastId() == 202; }, 10000));
  SetEvent(gameEnd_);
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadE2ETest, WhileTheServerIsAwayTheWaitingNoticeShowsAndTheDownloadEndsWhenItIsBack) {
  std::string source = server::ServeFile(L"files\\game.bin", 400000, 3);
  ServeCatalogue(Catalogue(server::Url("/files/game.bin")));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForRequest("GET /files/banner.jpg HTTP/1.1", 10000));
  Sleep(300);
  server::Control("down");
  ClickAt(window, kDownloadButton.x, kDownloadButton.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kWaitingNotice.x, kWaitingNotice.y) == kCyan; }, 5000))
      << "waiting for the internet";
  EXPECT_EQ(ScreenPixel(window, kProgressArea.x, kProgressArea.y), kYellow);
  Sleep(3000);
  EXPECT_FALSE(harness::FileExists(InDownloads(L"game.bin")));
  server::Control("up");
  EXPECT_TRUE(WaitForBytes(InDownloads(L"game.bin"), source, 20000));
  EXPECT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kWaitingNotice.x, kWaitingNotice.y) != kCyan; }, 5000));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadE2ETest, ThreeDownloadsComeStrictlyOneAfterTheOther) {
  std::string files[3];
  for (int i = 0; i < 3; ++i) {
    files[i] = server::ServeFile(L"files\\f" + std::to_wstring(i) + L".bin", 300000, i + 1);
    server::Control("set?path=/files/f" + std::to_string(i) + ".bin&rate=600000");
  }
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(SendDownload(window, server::Url("/files/f" + std::to_string(i) + ".bin")));
  EXPECT_EQ(ListFile().size(), 3u * 785u);
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(WaitForBytes(InDownloads(L"f" + std::to_wstring(i) + L".bin"), files[i], 20000)) << i;
  }
  // Each file's requests (probe, ranged request) all come before the next file's.
  std::vector<std::string> order;
  for (const std::string& request : server::Requests()) {
    size_t at = request.find("/files/f");
    if (at != std::string::npos) order.push_back(request.substr(at + 8, 1));
  }
  ASSERT_EQ(order.size(), 6u);
  EXPECT_EQ(order, (std::vector<std::string>{"0", "0", "1", "1", "2", "2"}));
  ExpectList("");
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadE2ETest, TheListFileIsKeptByteForByteThroughCancelsAndARestart) {
  // The files never come: the list changes only by our hand.
  for (const char* name : {"a", "b", "c"}) server::Control(std::string("set?path=/files/") + name + ".exe&hangup=1");
  std::wstring folder = MakeServedGame(kServedGarden);
  std::string d = DownloadFolderA();
  std::string a = server::Url("/files/a.exe"), b = server::Url("/files/b.exe"), c = server::Url("/files/c.exe");
  ServeCatalogue(Catalogue(b));
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SendDownload(window, a));
  ASSERT_TRUE(SendDownload(window, b));
  ASSERT_TRUE(SendDownload(window, c));
  std::string entryA = ListEntry(a, d + "\\a.exe.part", d + "\\a.exe", true);
  std::string entryB = ListEntry(b, d + "\\b.exe.part", d + "\\b.exe", true);
  std::string entryC = ListEntry(c, d + "\\c.exe.part", d + "\\c.exe", true);
  ExpectList(entryA + entryB + entryC);

  // Cancel acts on the promoted game's address: b, behind the first record.
  ASSERT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kCancelButton.x, kCancelButton.y) == kMagenta; }, 10000));
  ClickAt(window, kCancelButton.x, kCancelButton.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return ListFile() == entryA + entryC; }, 5000));
  ExpectList(entryA + entryC);
  EXPECT_EQ(RequestExit(manager), 0u);
  ExpectList(entryA + entryC);

  // After a restart the promoted game is the first record: cancel removes it.
  ServeCatalogue(Catalogue(a));
  window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ExpectList(entryA + entryC);
  ASSERT_TRUE(SendDownload(window, a));
  ASSERT_TRUE(harness::WaitUntil([&] { return ScreenPixel(window, kCancelButton.x, kCancelButton.y) == kMagenta; }, 10000));
  ClickAt(window, kCancelButton.x, kCancelButton.y);
  EXPECT_TRUE(harness::WaitUntil([&] { return ListFile() == entryC + entryA; }, 5000))
      << "the earlier of two records with the address goes";
  ExpectList(entryC + entryA);
  EXPECT_EQ(RequestExit(manager), 0u);
  ExpectList(entryC + entryA);
}

TEST_F(DownloadE2ETest, AddressesFromOtherProgramsAreCheckedAndNamedSafely) {
  server::Control("down");
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  std::string d = DownloadFolderA();
  UINT id = RegisterWindowMessageW(L"WM_NEED_TO_DOWNLOAD_GAME");
  auto send = [&](const void* bytes, DWORD size, ULONG_PTR dwData) {
    COPYDATASTRUCT data = {dwData, size, const_cast<void*>(bytes)};
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result);
    return result != 0;
  };
  std::string unterminated = "http://h/x.exe";
  std::string tooLong = "http://h/" + std::string(300, 'a') + ".exe";
  EXPECT_FALSE(send(unterminated.data(), static_cast<DWORD>(unterminated.size()), id)) << "no NUL within its size";
  EXPECT_FALSE(send(tooLong.c_str(), static_cast<DWORD>(tooLong.size() + 1), id)) << "longer than an address";
  EXPECT_FALSE(send("ftp://h/a.exe", 14, id)) << "not an HTTP address";
  EXPECT_FALSE(send("http://h/a.exe", 15, id + 1)) << "another dwData";
  EXPECT_FALSE(send(nullptr, 0, id));
  // In-process form with a pointer that means nothing here: ignored, no crash.
  PostMessageW(window, id, 0x10, 0);
  PostMessageW(window, id, static_cast<WPARAM>(-4096), 0);
  // Nor does a click message whose id and element pointers are not its own.
  PostMessageW(window, WM_USER + 10, 0x10, 0x20);
  PostMessageW(window, WM_USER + 10, static_cast<WPARAM>(-4096), static_cast<LPARAM>(-8192));
  ExpectList("");

  struct Case {
    std::string url;
    std::string name;
  } cases[] = {
      {server::Url("/files/..%5C..%5Cevil.exe"), "__%5C__%5Cevil.exe"},
      {"http://h/x/..\\..\\..\\evil.exe", "_________evil.exe"},
      {"http://h/get.exe?id=5", "get.exe_id=5"},
      {"http://h/a/..", "__"},
      {"http://h/con", "_con"},
      {"http://h/", "download"},
  };
  std::string expected;
  for (const Case& c : cases) {
    ASSERT_TRUE(SendDownload(window, c.url)) << c.url;
    expected += ListEntry(c.url, d + "\\" + c.name + ".part", d + "\\" + c.name, true);
  }
  ExpectList(expected);
  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
