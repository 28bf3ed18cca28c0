// Publishers' https:// servers: the manager fetches the catalogue, the banner
// and the promoted game over TLS from a server whose certificate an authority
// of the prefix's roots signed, checks the game's digest and runs it; a
// server whose certificate no trusted authority signed gets no request at
// all, and nothing of it runs. The test server's TLS side makes a new
// authority for each run; a test trusts it only while it runs.
#include <windows.h>

#include <string>

#include "download_fixture.h"

namespace e2e {
namespace {

using harness::Join;

constexpr POINT kDownloadButton = {520, 220};

class HttpsE2ETest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    if (IsSkipped()) return;
    tls_ = server::StartTls();
    ASSERT_FALSE(tls_.base.empty()) << "the test server's TLS side: " << tls_.error;
    harness::WriteColourPicture(Join(server::Root(), L"files\\banner.jpg"), 0x3366cc);
    installer_ = ServePuzzleInstaller(L"Puzzle.exe");
  }
  void TearDown() override {
    if (!tls_.authority.empty()) server::DistrustAuthority(tls_.authority);
    DownloadTest::TearDown();
  }
  // The catalogue promotes the banner from `bannerBase` and the installer,
  // with its digest, from `gameBase`.
  void ServePromotion(const std::string& bannerBase, const std::string& gameBase) {
    ServeCatalogue("[GAMES.CFG]\r\ngames=1\r\npromoID0=202\r\npromoName0=Puzzle\r\npromoBanner0=" + bannerBase +
                   "/files/banner.jpg\r\npromoDownload0=" + gameBase + "/files/Puzzle.exe\r\npromoSha256" +
                   "0=" + harness::Sha256Hex(installer_) + "\r\n");
  }
  // Starts the manager and clicks the banner's download button once the
  // banner has been fetched.
  void StartAndClickDownload(const std::wstring& folder, harness::Process* manager) {
    HWND window = StartShown(folder, 101, manager);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(harness::WaitUntil([] { return !server::RequestsFor("/files/banner.jpg").empty(); }, 10000));
    Sleep(300);
    ClickAt(window, kDownloadButton.x, kDownloadButton.y);
  }
  std::vector<std::string> InstallerLog() { return SplitLines(harness::ReadBytes(installerLog_)); }

  server::Tls tls_;
  std::string installer_;
};

TEST_F(HttpsE2ETest, TheCatalogueBannerAndGameComeOverTlsAndTheGameIsCheckedAndRun) {
  ASSERT_TRUE(server::TrustAuthority(tls_.authority));
  std::wstring folder = MakeServedGame(kServedGarden);
  harness::WriteWrapperConfig(folder, harness::FromUtf8(tls_.base + "/catalogue/"));
  ServePromotion(tls_.base, tls_.base);
  harness::Process manager;
  StartAndClickDownload(folder, &manager);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(harness::WaitUntil([&] { return InstallerLog().size() >= 2; }, 20000)) << "the installer ran";
  EXPECT_EQ(InstallerLog()[0], "start " + harness::ToUtf8(InDownloads(L"Puzzle.exe")));
  EXPECT_EQ(FetchesFromStart("/files/Puzzle.exe"), 1u);
  const std::string tlsHost = tls_.base.substr(std::string("https://").size());
  for (const char* path : {"/catalogue/0.txt", "/files/banner.jpg", "/files/Puzzle.exe"}) {
    SCOPED_TRACE(path);
    std::vector<server::Request> requests = server::RequestsFor(path);
    ASSERT_FALSE(requests.empty());
    for (const server::Request& request : requests) EXPECT_EQ(request.Header("Host"), tlsHost) << "over TLS";
  }
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(HttpsE2ETest, AServerWhoseCertificateNoTrustedAuthoritySignedGetsNoRequestAndNothingRuns) {
  std::wstring folder = MakeServedGame(kServedGarden);  // the catalogue and banner over http
  ServePromotion(server::Base(), tls_.base);
  int before = server::TlsConnections();
  harness::Process manager;
  StartAndClickDownload(folder, &manager);
  if (HasFatalFailure()) return;
  ASSERT_TRUE(harness::WaitUntil([&] { return server::TlsConnections() >= before + 2; }, 10000))
      << "two attempts";
  Sleep(500);
  EXPECT_TRUE(server::RequestsFor("/files/Puzzle.exe").empty()) << "not asked over a connection it does not trust";
  EXPECT_TRUE(InstallerLog().empty()) << "nothing ran";
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Puzzle.exe")));
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
