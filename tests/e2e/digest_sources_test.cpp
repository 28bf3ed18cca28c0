// The digests of the two downloads that no banner starts: the game the
// catalogue's news announces, fetched when the user asks for it on the news
// pop-up, and the manager's own update, queued by a periodic check. A file
// that matches its digest runs; one that does not is fetched a second time
// from byte 0, deleted, never run, and the user is told.
#include <windows.h>

#include <ostream>
#include <string>

#include "download_fixture.h"
#include "popup_look.h"

namespace e2e {
namespace {

using harness::Join;

constexpr WPARAM kCatalogueTimer = 1;
constexpr WPARAM kStartDelayTimer = 2;
constexpr wchar_t kPopupClass[] = L"infoname";
constexpr POINT kNewsDownloadButton = {67, 158};  // the news pop-up's left button

struct Source {
  const char* name;
  bool update;    // the manager's update, else the announced game
  bool matching;  // the catalogue names the file's own digest
};

void PrintTo(const Source& source, std::ostream* out) { *out << source.name; }

bool AnyFile(const std::wstring& pattern) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

class OtherSourcesDigestE2ETest : public DownloadTest, public testing::WithParamInterface<Source> {
 protected:
  // The catalogue that offers `url` with `digest` as the source's file.
  static std::string Catalogue(bool update, const std::string& url, const std::string& digest) {
    if (update) {
      return "[GAMES.CFG]\r\ngames=1\r\nprogram=5\r\nwrapper_distrib=" + url + "\r\nwrapper_distrib_sha256=" +
             digest + "\r\n";
    }
    return "[GAMES.CFG]\r\ngames=3\r\ngame_name=Puzzle\r\ngame_download=" + url + "\r\ngame_download_sha256=" +
           digest + "\r\n";
  }
  // The served test update; its bytes.
  static std::string ServeUpdate() {
    std::wstring served = Join(server::Root(), L"files\\update.exe");
    CopyFileW(SupportExe(L"testupdate.exe").c_str(), served.c_str(), FALSE);
    return harness::ReadBytes(served);
  }
  // Once the start-up check has read the catalogue (it only counts the
  // games), a check as the window's timers start one acts on it.
  static bool RunPeriodicCheck(HWND window) {
    if (!harness::WaitUntil(
            [] { return harness::ReadValue(harness::kProductKeyPath, L"GAMES_VERSION").exists; }, 10000)) {
      return false;
    }
    Sleep(500);  // the start-up check's thread ends
    PostMessageW(window, WM_TIMER, kStartDelayTimer, 0);
    PostMessageW(window, WM_TIMER, kCatalogueTimer, 0);
    return true;
  }
  // The user asks for the announced game on the news pop-up. The file at
  // `path` is held back until the pop-up has faded out, so that what the
  // download has to say comes in a pop-up of its own.
  void ClickNewsDownload(const harness::Process& manager, const std::string& path) {
    server::Control("set?path=" + path + "&hangup=1");
    HWND news = harness::WaitForWindow(kPopupClass, manager.id, 5000);
    ASSERT_NE(news, nullptr) << "the news";
    ASSERT_TRUE(harness::WaitUntil([&] { return harness::LayeredAlpha(news) == 255; }, 3000));
    ClickAt(news, kNewsDownloadButton.x, kNewsDownloadButton.y);
    ASSERT_TRUE(harness::WaitUntil([&] { return IsWindow(news) == FALSE; }, 3000));
    server::Control("reset");
  }
};

TEST_P(OtherSourcesDigestE2ETest, RunsOnlyWhenItMatchesElseIsFetchedTwiceDroppedAndReported) {
  const Source& source = GetParam();
  const std::string path = source.update ? "/files/update.exe" : "/files/Puzzle.exe";
  std::string bytes = source.update ? ServeUpdate() : ServePuzzleInstaller(L"Puzzle.exe");
  std::string digest = harness::Sha256Hex(source.matching ? bytes : bytes + "x");
  ServeCatalogue(Catalogue(source.update, server::Url(path), digest));
  std::wstring folder = MakeServedGame(kServedGarden);
  const std::wstring log = source.update ? updateLog_ : installerLog_;
  const std::wstring final = source.update ? Join(folder, L"Download\\ZarnWrapper.exe") : InDownloads(L"Puzzle.exe");
  const std::wstring parts = source.update ? Join(folder, L"Download\\WrapperUpdate.part*") : final + L".part";

  harness::Process manager;
  HWND window = StartShown(folder, 101, &manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(RunPeriodicCheck(window));
  if (!source.update) ClickNewsDownload(manager, path);
  if (HasFatalFailure()) return;

  if (source.matching) {
    ASSERT_TRUE(harness::WaitUntil([&] { return !harness::ReadBytes(log).empty(); }, 20000)) << "it ran";
    EXPECT_EQ(SplitLines(harness::ReadBytes(log))[0], "start " + harness::ToUtf8(final));
    EXPECT_EQ(FetchesFromStart(path), 1u);
  } else {
    ASSERT_NE(harness::WaitForWindow(kPopupClass, manager.id, 30000), nullptr)
        << "the user is told; fetched " << FetchesFromStart(path) << " times; list:\n"
        << DescribeList(ListFile()) << "digests: " << harness::ReadBytes(InDownloads(L"digests.txt"));
    EXPECT_EQ(FetchesFromStart(path), 2u) << "fetched twice, each time from byte 0";
    Sleep(1000);
    EXPECT_EQ(harness::ReadBytes(log), "") << "nothing ran";
    EXPECT_FALSE(harness::FileExists(final));
    EXPECT_FALSE(AnyFile(parts));
    EXPECT_EQ(ListFile(), "") << "dropped: " << DescribeList(ListFile());
    EXPECT_EQ(harness::ReadBytes(InDownloads(L"digests.txt")), "");
    EXPECT_EQ(FetchesFromStart(path), 2u) << "and not fetched again";
  }
  EXPECT_EQ(RequestExit(manager), 0u);
}

INSTANTIATE_TEST_SUITE_P(Sources, OtherSourcesDigestE2ETest,
                         testing::Values(Source{"AnnouncedGameWithItsDigest", false, true},
                                         Source{"AnnouncedGameWithAnotherDigest", false, false},
                                         Source{"ManagerUpdateWithItsDigest", true, true},
                                         Source{"ManagerUpdateWithAnotherDigest", true, false}),
                         [](const testing::TestParamInfo<Source>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace e2e
