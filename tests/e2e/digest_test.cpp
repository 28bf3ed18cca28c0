// Downloads checked against the digest their catalogue names: a file that
// matches runs, one that does not is deleted before anything renames or runs
// it, is fetched once more from byte 0 and is then dropped with a word to the
// user; the digest and its count survive a restart.
#include <windows.h>

#include <string>

#include "download_fixture.h"

namespace e2e {
namespace {

using harness::Join;

constexpr POINT kDownloadButton = {520, 220};

class DigestE2ETest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    if (IsSkipped()) return;
    harness::WriteColourPicture(Join(server::Root(), L"files\\banner.jpg"), 0x3366cc);
    installer_ = ServePuzzleInstaller(L"Puzzle.exe");
    folder_ = MakeServedGame(kServedGarden);
  }
  // The catalogue promotes the installer with this digest.
  void ServeWithDigest(const std::string& digest) {
    ServeCatalogue("[GAMES.CFG]\r\ngames=1\r\npromoID0=202\r\npromoName0=Puzzle\r\npromoBanner0=" +
                   server::Url("/files/banner.jpg") + "\r\npromoDownload0=" + server::Url("/files/Puzzle.exe") +
                   "\r\npromoSha256" + "0=" + digest + "\r\n");
  }
  // Starts the manager and clicks the banner's download button once the
  // banner is there.
  HWND StartAndClickDownload(harness::Process* manager) {
    HWND window = StartShown(folder_, 101, manager);
    if (window == nullptr) return nullptr;
    EXPECT_TRUE(harness::WaitUntil([] { return !server::RequestsFor("/files/banner.jpg").empty(); }, 10000));
    Sleep(300);
    ClickAt(window, kDownloadButton.x, kDownloadButton.y);
    return window;
  }
  std::vector<std::string> InstallerLog() { return SplitLines(harness::ReadBytes(installerLog_)); }
  size_t Fetches() {
    size_t n = 0;
    for (const server::Request& request : server::RequestsFor("/files/Puzzle.exe")) n += request.Header("Range") == "bytes=0-";
    return n;
  }
  std::string installer_;
  std::wstring folder_;
};

TEST_F(DigestE2ETest, AFileWithItsDigestRunsInUpperOrLowerCase) {
  for (bool upper : {false, true}) {
    SCOPED_TRACE(upper ? "upper case" : "lower case");
    std::string digest = harness::Sha256Hex(installer_);
    if (upper) {
      for (char& c : digest) c = static_cast<char>(toupper(c));
    }
    ServeWithDigest(digest);
    server::Control("clearlog");
    DeleteFileW(installerLog_.c_str());
    harness::Process manager;
    ASSERT_NE(StartAndClickDownload(&manager), nullptr);
    ASSERT_TRUE(harness::WaitUntil([&] { return InstallerLog().size() >= 2; }, 20000)) << "the installer ran";
    EXPECT_EQ(InstallerLog()[0], "start " + harness::ToUtf8(InDownloads(L"Puzzle.exe")));
    EXPECT_EQ(Fetches(), 1u);
    EXPECT_EQ(RequestExit(manager), 0u);
    harness::DeleteKeyTree(std::wstring(harness::kProductKeyPath) + L"\\Puzzle");
    harness::RemoveTree(Join(DataFolder(), L"Download"));
  }
}

TEST_F(DigestE2ETest, AFileThatDoesNotMatchIsFetchedOnceMoreThenDroppedAndNothingRuns) {
  ServeWithDigest(harness::Sha256Hex(installer_ + "x"));
  harness::Process manager;
  HWND window = StartAndClickDownload(&manager);
  ASSERT_NE(window, nullptr);
  HWND popup = harness::WaitForWindow(L"infoname", manager.id, 30000);
  ASSERT_NE(popup, nullptr) << "the user is told";
  EXPECT_EQ(Fetches(), 2u) << "fetched twice, each time from byte 0";
  Sleep(1000);
  // The picture in docs/downloads.md.
  EXPECT_TRUE(SaveScreenshot(popup, harness::Join(ZARN_BUILD_DIR, L"popup-download-failed.png")));
  EXPECT_TRUE(InstallerLog().empty()) << "nothing ran";
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Puzzle.exe")));
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Puzzle.exe.part")));
  EXPECT_EQ(ListFile(), "") << "dropped";
  EXPECT_EQ(harness::ReadBytes(InDownloads(L"digests.txt")), "");
  EXPECT_EQ(Fetches(), 2u) << "and not fetched again";
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DigestE2ETest, TheDigestAndItsFirstMismatchSurviveARestart) {
  std::string wrong = harness::Sha256Hex(installer_ + "x");
  ServeWithDigest(wrong);
  // Each fetch takes about a second: time to see the first mismatch and end
  // the manager during the second fetch.
  server::Control("set?path=/files/Puzzle.exe&rate=" + std::to_string(installer_.size()));
  harness::Process manager;
  ASSERT_NE(StartAndClickDownload(&manager), nullptr);
  std::string url = server::Url("/files/Puzzle.exe");
  std::string counted = wrong + " 1 " + url + "\n";
  ASSERT_TRUE(harness::WaitUntil([&] { return harness::ReadBytes(InDownloads(L"digests.txt")) == counted; }, 20000))
      << harness::ReadBytes(InDownloads(L"digests.txt"));
  Kill(manager);
  EXPECT_EQ(harness::ReadBytes(InDownloads(L"digests.txt")), counted);
  std::string d = DownloadFolderA();
  EXPECT_EQ(ListFile(), ListEntry(url, d + "\\Puzzle.exe.part", d + "\\Puzzle.exe", true))
      << "the list keeps its format; the digest lies beside it";
  EXPECT_TRUE(InstallerLog().empty());

  server::Control("reset");
  harness::Process again;
  ASSERT_NE(StartShown(folder_, 101, &again), nullptr);
  ASSERT_NE(harness::WaitForWindow(L"infoname", again.id, 30000), nullptr) << "the second mismatch drops it";
  Sleep(1000);
  EXPECT_TRUE(InstallerLog().empty()) << "nothing ran";
  EXPECT_EQ(ListFile(), "");
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Puzzle.exe")));
  EXPECT_EQ(RequestExit(again), 0u);
}

}  // namespace
}  // namespace e2e
