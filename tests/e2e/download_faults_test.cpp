// Downloads against a server that misbehaves, and a manager that is killed:
// whatever happens, a finished file is byte-identical to the server's, the
// list file stays readable, and nothing repeats in a hot loop.
#include <windows.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>

#include "download_fixture.h"

namespace e2e {
namespace {

using harness::Join;


class DownloadFaultTest : public DownloadTest {
 protected:
  void SetUp() override {
    DownloadTest::SetUp();
    if (IsSkipped()) return;
    folder_ = MakeServedGame(kServedGarden);
  }
  // A download of /files/<name> waiting in the list file, with its partial
  // file holding `part`, as an earlier run of the manager left them.
  std::string SeedDownload(const std::string& name, const std::string& part) {
    harness::MakeDirs(Join(DataFolder(), L"Download"));
    std::wstring wide = harness::FromUtf8(name);
    std::string entry = ListEntry(server::Url("/files/" + name), DownloadFolderA() + "\\" + name + ".part",
                                  DownloadFolderA() + "\\" + name, true);
    harness::WriteBytes(InDownloads(L"downloads.txt"), entry);
    harness::WriteBytes(InDownloads(wide + L".part"), part);
    return entry;
  }
  HWND Start(harness::Process* process = nullptr) { return StartShown(folder_, 101, process); }
  // The Range header of each ranged request for the file, in order.
  std::vector<std::string> Ranges(const std::string& name) {
    std::vector<std::string> ranges;
    for (const server::Request& request : server::RequestsFor("/files/" + name)) {
      std::string range = request.Header("Range");
      if (!range.empty()) ranges.push_back(range);
    }
    return ranges;
  }
  int64_t FileSize(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<int64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  std::vector<std::string> InstallerLog() { return SplitLines(harness::ReadBytes(installerLog_)); }
  std::wstring folder_;
};

TEST_F(DownloadFaultTest, ResumesEveryTimeTheServerDropsTheConnection) {
  std::string source = server::ServeFile(L"files\\big.bin", 1000000, 7);
  server::Control("set?path=/files/big.bin&drop_after=65536");
  harness::Process manager;
  HWND window = Start(&manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SendDownload(window, server::Url("/files/big.bin")));
  ASSERT_TRUE(WaitForBytes(InDownloads(L"big.bin"), source, 60000));
  EXPECT_EQ(harness::Sha256Hex(harness::ReadBytes(InDownloads(L"big.bin"))), harness::Sha256Hex(source));
  // Each attempt asks for the bytes after those it has: 64 KiB further each time.
  std::vector<std::string> ranges = Ranges("big.bin");
  ASSERT_EQ(ranges.size(), 16u);
  for (size_t i = 0; i < ranges.size(); ++i) EXPECT_EQ(ranges[i], "bytes=" + std::to_string(i * 65536) + "-");
  EXPECT_FALSE(harness::FileExists(InDownloads(L"big.bin.part")));
  EXPECT_EQ(ListFile(), "");
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadFaultTest, AManagerKilledMidTransferResumesAfterItsRestart) {
  std::string source = server::ServeFile(L"files\\slow.bin", 2000000, 8);
  server::Control("set?path=/files/slow.bin&rate=400000");
  harness::Process manager;
  HWND window = Start(&manager);
  ASSERT_NE(window, nullptr);
  std::string url = server::Url("/files/slow.bin");
  ASSERT_TRUE(SendDownload(window, url));
  std::wstring part = InDownloads(L"slow.bin.part");
  ASSERT_TRUE(harness::WaitUntil([&] { return FileSize(part) >= 600000; }, 20000));
  Kill(manager);
  int64_t kept = FileSize(part);
  ASSERT_GT(kept, 0);
  ASSERT_LT(kept, 2000000);
  EXPECT_EQ(harness::ReadBytes(part), source.substr(0, static_cast<size_t>(kept)));
  EXPECT_EQ(ListFile(), ListEntry(url, DownloadFolderA() + "\\slow.bin.part", DownloadFolderA() + "\\slow.bin", true));

  server::Control("reset");
  server::Control("clearlog");
  window = Start(&manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForBytes(InDownloads(L"slow.bin"), source, 30000));
  EXPECT_EQ(harness::Sha256Hex(harness::ReadBytes(InDownloads(L"slow.bin"))), harness::Sha256Hex(source));
  std::vector<std::string> ranges = Ranges("slow.bin");
  ASSERT_FALSE(ranges.empty());
  EXPECT_EQ(ranges[0], "bytes=" + std::to_string(kept) + "-") << "resumed from the partial file";
  EXPECT_EQ(RequestExit(manager), 0u);
}

// A partial file of the first 1000 bytes, and a server that answers in one
// of its ways: the file always ends byte-identical to the source.
TEST_F(DownloadFaultTest, APartialFileEndsWholeWhateverTheServersWayOfAnswering) {
  struct Case {
    const char* what;
    const char* rule;       // "" for none
    size_t partBytes;
    const char* range;      // the ranged request's header
  } cases[] = {
      {"ranges honoured", "", 1000, "bytes=1000-"},
      {"no Accept-Ranges: from byte 0", "no_accept_ranges=1", 1000, "bytes=0-"},
      {"claims ranges, sends the whole file", "ignore_range=1", 1000, "bytes=1000-"},
      {"no Content-Length: ends with the data", "no_content_length=1", 1000, "bytes=1000-"},
      {"partial file already whole: 416", "", 50000, "bytes=50000-"},
      {"partial file longer than the file: from byte 0", "", 50001, "bytes=0-"},
  };
  int seed = 20;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string source = server::ServeFile(L"files\\case.bin", 50000, ++seed);
    std::string part = source.substr(0, std::min(c.partBytes, source.size()));
    part.resize(c.partBytes, 'x');
    server::Control("reset");
    server::Control("clearlog");
    if (*c.rule != '\0') server::Control(std::string("set?path=/files/case.bin&") + c.rule);
    SeedDownload("case.bin", part);
    harness::Process manager;
    ASSERT_NE(Start(&manager), nullptr);
    EXPECT_TRUE(WaitForBytes(InDownloads(L"case.bin"), source, 20000));
    EXPECT_FALSE(harness::FileExists(InDownloads(L"case.bin.part")));
    EXPECT_EQ(ListFile(), "");
    std::vector<std::string> ranges = Ranges("case.bin");
    EXPECT_EQ(ranges, std::vector<std::string>{c.range});
    EXPECT_EQ(RequestExit(manager), 0u);
    DeleteFileW(InDownloads(L"case.bin").c_str());
  }
}

TEST_F(DownloadFaultTest, AnErrorAnswerWritesNothingAndIsRetriedWithGrowingPauses) {
  struct Case {
    const char* status;
  } cases[] = {{"404"}, {"500"}, {"403"}};
  int seed = 40;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    std::string source = server::ServeFile(L"files\\err.bin", 30000, ++seed);
    server::Control("reset");
    server::Control("clearlog");
    server::Control(std::string("set?path=/files/err.bin&status=") + c.status +
                    "&content_type=application/octet-stream&body=ERRORPAGEBYTES");
    std::string entry = SeedDownload("err.bin", source.substr(0, 1000));
    harness::Process manager;
    ASSERT_NE(Start(&manager), nullptr);
    Sleep(6500);
    // Attempts at about 0, 1, 3 and 7 s: far from a loop.
    size_t attempts = server::RequestsFor("/files/err.bin").size();
    EXPECT_GE(attempts, 2u);
    EXPECT_LE(attempts, 5u);
    EXPECT_EQ(harness::ReadBytes(InDownloads(L"err.bin.part")), source.substr(0, 1000)) << "nothing appended";
    EXPECT_FALSE(harness::FileExists(InDownloads(L"err.bin")));
    EXPECT_EQ(ListFile(), entry) << "still to be fetched";
    // The server mends: the next attempt finishes the file.
    server::Control("reset");
    EXPECT_TRUE(WaitForBytes(InDownloads(L"err.bin"), source, 20000));
    EXPECT_EQ(RequestExit(manager), 0u);
    DeleteFileW(InDownloads(L"err.bin").c_str());
  }
}

TEST_F(DownloadFaultTest, AServerThatNeverLetsTheFileGrowIsNotAskedInALoop) {
  // It ignores ranges and drops after 64 KiB: every attempt brings bytes, but
  // the file never gets further than the first attempt took it.
  std::string source = server::ServeFile(L"files\\never.bin", 300000, 50);
  server::Control("set?path=/files/never.bin&ignore_range=1&drop_after=65536");
  harness::Process manager;
  HWND window = Start(&manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SendDownload(window, server::Url("/files/never.bin")));
  Sleep(7000);
  size_t ranged = Ranges("never.bin").size();
  EXPECT_GE(ranged, 2u);
  EXPECT_LE(ranged, 5u) << "attempts at about 0, 0, 1, 3 s: pauses, no loop";
  EXPECT_EQ(harness::ReadBytes(InDownloads(L"never.bin.part")), source.substr(0, 65536))
      << "the file holds the server's first bytes, never more or other";
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadFaultTest, APageInPlaceOfTheFileIsDeletedAndNothingRuns) {
  CopyFileW(SupportExe(L"testinstaller.exe").c_str(), Join(server::Root(), L"files\\Game.exe").c_str(), FALSE);
  server::Control("set?path=/files/Game.exe&content_type=text/html");
  harness::Process manager;
  HWND window = Start(&manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(SendDownload(window, server::Url("/files/Game.exe")));
  ASSERT_TRUE(harness::WaitUntil([&] { return ListFile().empty(); }, 20000)) << "the download ended";
  Sleep(1500);
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Game.exe")));
  EXPECT_FALSE(harness::FileExists(InDownloads(L"Game.exe.part")));
  EXPECT_TRUE(InstallerLog().empty()) << "nothing ran";
  EXPECT_TRUE(harness::TopLevelWindows(manager.id, L"infoname").empty());
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadFaultTest, AutoRussianInstallersTakeTheStoredPartnerCodeIntoTheirName) {
  struct Case {
    const wchar_t* partnerCode;
    const wchar_t* runAs;
  } cases[] = {
      {L"17", L"Game_17_auto_rus.exe"},
      {L"", L"Game_auto_rus.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(harness::ToUtf8(c.runAs));
    harness::DeleteKeyTree(harness::kCompanyKeyPath);
    harness::RemoveTree(Join(kRoot, L"garden"));
    DeleteFileW(installerLog_.c_str());
    SampleGame game = kServedGarden;
    game.idpostfix = c.partnerCode;
    folder_ = MakeServedGame(game);
    CopyFileW(SupportExe(L"testinstaller.exe").c_str(), Join(server::Root(), L"files\\Game_auto_rus.exe").c_str(),
              FALSE);
    harness::Process manager;
    HWND window = Start(&manager);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(SendDownload(window, server::Url("/files/Game_auto_rus.exe")));
    ASSERT_TRUE(harness::WaitUntil([&] { return InstallerLog().size() >= 2; }, 20000));
    EXPECT_EQ(InstallerLog()[0], "start " + harness::ToUtf8(InDownloads(c.runAs)));
    EXPECT_EQ(RequestExit(manager), 0u);
    harness::RemoveTree(Join(DataFolder(), L"Download"));
  }
}

TEST_F(DownloadFaultTest, ADamagedListFileGivesItsGoodRecordsAndOnlyAnEmptyOneClearsPartialFiles) {
  std::string source = server::ServeFile(L"files\\good.bin", 20000, 60);
  std::string d = DownloadFolderA();
  std::string good = ListEntry(server::Url("/files/good.bin"), d + "\\good.bin.part", d + "\\good.bin", true);
  std::string other = ListEntry(server::Url("/files/other.bin"), d + "\\other.bin.part", d + "\\other.bin", true);
  std::string unterminated = other;
  std::fill(unterminated.begin() + 4, unterminated.begin() + 264, 'u');
  std::string wrongLength = other;
  wrongLength[0] = '\x0c';
  struct Case {
    const char* what;
    std::string file;
    bool strayKept;  // a partial file that no record names
  } cases[] = {
      {"a good record, then a cut one", good + other.substr(0, 300), true},
      {"a record without terminator, then a good one", unterminated + good, true},
      {"a good record, then a wrong length", good + wrongLength, true},
      {"an empty file: no list", "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    harness::MakeDirs(Join(DataFolder(), L"Download"));
    harness::WriteBytes(InDownloads(L"downloads.txt"), c.file);
    harness::WriteBytes(InDownloads(L"stray.bin.part"), "left by nobody");
    harness::Process manager;
    ASSERT_NE(Start(&manager), nullptr);
    if (!c.file.empty()) {
      EXPECT_TRUE(WaitForBytes(InDownloads(L"good.bin"), source, 20000)) << "the good record was fetched";
      EXPECT_TRUE(harness::WaitUntil([&] { return ListFile().empty(); }, 5000)) << "and the list rewritten";
    } else {
      Sleep(1000);
    }
    EXPECT_EQ(harness::FileExists(InDownloads(L"stray.bin.part")), c.strayKept);
    EXPECT_EQ(RequestExit(manager), 0u);
    harness::RemoveTree(Join(DataFolder(), L"Download"));
  }
}

TEST_F(DownloadFaultTest, AKillDuringSavesLeavesAWholeList) {
  server::Control("set?path=/files/k.bin&hangup=1");
  std::mt19937 random(12345);
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE(round);
    harness::RemoveTree(Join(DataFolder(), L"Download"));
    harness::Process manager;
    HWND window = Start(&manager);
    ASSERT_NE(window, nullptr);
    std::atomic<int> sent{0};
    std::thread sender([&] {
      for (int i = 0; i < 200; ++i) {
        if (!SendDownload(window, server::Url("/files/k.bin?n=" + std::to_string(i)))) break;
        sent = i + 1;
      }
    });
    Sleep(std::uniform_int_distribution<int>(20, 400)(random));
    Kill(manager);
    sender.join();
    std::string file = ListFile();
    ASSERT_EQ(file.size() % 785, 0u) << DescribeList(file);
    size_t records = file.size() / 785;
    EXPECT_LE(records, static_cast<size_t>(sent) + 1);
    for (size_t i = 0; i < records; ++i) {
      std::string url = server::Url("/files/k.bin?n=" + std::to_string(i));
      std::string name = "k.bin_n=" + std::to_string(i);
      EXPECT_EQ(file.substr(i * 785, 785), ListEntry(url, DownloadFolderA() + "\\" + name + ".part",
                                                     DownloadFolderA() + "\\" + name, true))
          << "record " << i;
    }
  }
  // The next start clears what an interrupted save left beside the list.
  harness::Process manager;
  ASSERT_NE(Start(&manager), nullptr);
  Sleep(500);
  EXPECT_FALSE(harness::FileExists(InDownloads(L"downloads.txt.new")));
  EXPECT_EQ(RequestExit(manager), 0u);
}

TEST_F(DownloadFaultTest, TheInstallationReportNeverHoldsUpTheWindow) {
  server::Control("set?path=/report&delay=5");
  ServeCatalogue("[GAMES.CFG]\r\nautobuild_script=" + server::Url("/report") + "\r\n");
  harness::Process manager;
  HWND window = Start(&manager);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(harness::WaitUntil([&] { return !server::RequestsFor("/catalogue/0.txt").empty(); }, 10000));
  Sleep(500);
  PostMessageW(window, WM_USER + 16, 0, 0);  // an installer has ended
  ASSERT_TRUE(harness::WaitUntil([&] { return !server::RequestsFor("/report").empty(); }, 5000));
  DWORD_PTR result = 0;
  DWORD before = GetTickCount();
  EXPECT_NE(SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 100, &result), 0)
      << "the window answers while the report waits for the server";
  EXPECT_LT(GetTickCount() - before, 200u);
  EXPECT_EQ(RequestExit(manager), 0u);
}

}  // namespace
}  // namespace e2e
