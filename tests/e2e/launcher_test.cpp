// The launcher: it waits for running managers to go, places run.exe and starts
// it with its own command line.
#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_fixture.h"

namespace e2e {
namespace {

using harness::Join;

const SampleGame kGarden{L"garden", 101, L"http://site.example/garden?", L"1001", ""};

// What the start probe (standing in for run.dat) wrote when it started.
struct ProbeRecord {
  int64_t startMs = 0;
  std::string path;
  std::string directory;
  std::string commandLine;
};

class LauncherTest : public E2ETest {
 protected:
  void SetUp() override {
    E2ETest::SetUp();
    probeLog_ = Join(kRoot, L"probe.log");
    SetEnvironmentVariableW(L"ZARN_PROBE_LOG", probeLog_.c_str());
  }
  bool WaitForProbe(DWORD timeoutMs) {
    return harness::WaitUntil([&] { return SplitLines(harness::ReadBytes(probeLog_)).size() >= 4; }, timeoutMs);
  }
  ProbeRecord Probe() {
    ProbeRecord record;
    std::vector<std::string> lines = SplitLines(harness::ReadBytes(probeLog_));
    if (lines.size() < 4) return record;
    record.startMs = static_cast<int64_t>(std::strtoull(lines[0].c_str(), nullptr, 10) / 10000);
    record.path = lines[1];
    record.directory = lines[2];
    record.commandLine = lines[3];
    return record;
  }
  std::wstring probeLog_;
};

std::string Ansi(const std::wstring& s) { return harness::ToCodePage(s, 1251); }

TEST_F(LauncherTest, PlacesRunExeInTheDataFolderAndStartsItWithItsCommandLine) {
  std::wstring folder = MakeGameFolder(kGarden, true, SupportExe(L"startprobe.exe"));
  int64_t launched = harness::NowMs();
  harness::Process launcher = StartLauncher(folder, L"12 \"two words\"");
  EXPECT_EQ(harness::WaitExit(launcher, 10000), 0u);
  ASSERT_TRUE(WaitForProbe(10000));
  ProbeRecord probe = Probe();

  std::wstring runExe = Join(DataFolder(), L"run.exe");
  EXPECT_EQ(harness::ReadBytes(runExe), harness::ReadBytes(Join(folder, L"run.dat")));
  EXPECT_EQ(probe.path, Ansi(runExe));
  EXPECT_EQ(probe.directory, Ansi(folder));
  // The manager's parameters are the launcher's complete command line.
  std::string launcherLine = Ansi(Quote(Join(folder, L"ZarnLauncher.exe")) + L" 12 \"two words\"");
  ASSERT_GE(probe.commandLine.size(), launcherLine.size());
  EXPECT_EQ(probe.commandLine.substr(probe.commandLine.size() - launcherLine.size()), launcherLine)
      << probe.commandLine;
  // About 100 ms after the launcher's start (a process start under Wine adds
  // a few hundred milliseconds).
  int64_t delay = probe.startMs - launched;
  EXPECT_GE(delay, 100);
  EXPECT_LE(delay, 1500);
}

TEST_F(LauncherTest, WindowsXpPutsRunExeIntoTheGameFolder) {
  harness::SetString(L"Software\\Wine\\AppDefaults\\ZarnLauncher.exe", L"Version", L"winxp");
  std::wstring folder = MakeGameFolder(kGarden, true, SupportExe(L"startprobe.exe"));
  harness::Process launcher = StartLauncher(folder, L"");
  EXPECT_EQ(harness::WaitExit(launcher, 10000), 0u);
  ASSERT_TRUE(WaitForProbe(10000));
  EXPECT_EQ(Probe().path, Ansi(Join(folder, L"run.exe")));
  EXPECT_FALSE(harness::FileExists(Join(DataFolder(), L"run.exe")));
}

TEST_F(LauncherTest, RepeatsTheExitRequestEveryThreeSecondsWhileAManagerWindowExists) {
  std::wstring folder = MakeGameFolder(kGarden, true, SupportExe(L"startprobe.exe"));
  std::wstring windowLog = Join(kRoot, L"window.log");
  SetEnvironmentVariableW(L"ZARN_PROBE_LOG", windowLog.c_str());
  // A window of the manager's class that ignores the requests for 7 s, like a
  // manager that waits for a running game.
  harness::Process busy = harness::Start(SupportExe(L"stubbornwindow.exe"), L"stubbornwindow.exe 7000");
  processes_.push_back(busy);
  ASSERT_TRUE(harness::WaitUntil([&] { return harness::ReadBytes(windowLog).find("ready") != std::string::npos; },
                                 10000));
  SetEnvironmentVariableW(L"ZARN_PROBE_LOG", probeLog_.c_str());
  harness::Process launcher = StartLauncher(folder, L"");
  EXPECT_EQ(harness::WaitExit(launcher, 20000), 0u);
  ASSERT_TRUE(WaitForProbe(5000));

  std::vector<int64_t> requests;
  int64_t gone = 0;
  for (const std::string& line : SplitLines(harness::ReadBytes(windowLog))) {
    int64_t at = static_cast<int64_t>(std::strtoull(line.c_str() + line.find(' ') + 1, nullptr, 10) / 10000);
    if (line.rfind("request", 0) == 0) requests.push_back(at);
    if (line.rfind("gone", 0) == 0) gone = at;
  }
  ASSERT_GE(requests.size(), 3u) << "the first request and one every 3 s during 7 s";
  for (size_t i = 1; i < requests.size(); ++i) {
    EXPECT_NEAR(static_cast<double>(requests[i] - requests[i - 1]), 3000.0, 400.0);
  }
  ASSERT_NE(gone, 0);
  int64_t after = Probe().startMs - gone;
  EXPECT_GE(after, 0) << "started only after the window had gone";
  EXPECT_LE(after, 3000 + 1000) << "within about 3 s of the window's end";
}

TEST_F(LauncherTest, HiddenManagerExitsAndTheNewOneStartsWithTheGameId) {
  std::wstring folder = MakeGameFolder(kGarden);
  MakeGameFolder(SampleGame{L"other", 7, L"", L"", ""});
  harness::Process old = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")));
  ASSERT_NE(WaitForMainWindow(old), nullptr);

  int64_t launched = harness::NowMs();
  harness::Process launcher = StartLauncher(folder, L"7");
  EXPECT_EQ(harness::WaitExit(old, 10000), 0u) << "the hidden manager obeys the exit request";
  EXPECT_EQ(harness::WaitExit(launcher, 10000), 0u);
  EXPECT_LE(harness::NowMs() - launched, 3000 + 1500) << "went on within about 3 s";

  // The new manager runs from the data folder and shows game 7.
  HWND window = harness::WaitForWindow(kWindowClass, 0, 10000);
  ASSERT_NE(window, nullptr);
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  EXPECT_NE(id, old.id);
  EXPECT_TRUE(harness::WaitUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
  EXPECT_TRUE(harness::WaitUntil(
      [] { return harness::ReadValue(harness::kProductKeyPath, L"LAST_ID").AsDword() == 7; }, 5000));
  EXPECT_TRUE(harness::FileExists(Join(DataFolder(), L"run.exe")));
}

TEST_F(LauncherTest, OpenUrlReachesTheManagerWhichOpensTheSiteAndEnds) {
  std::wstring folder = MakeGameFolder(kGarden);
  harness::Process launcher = StartLauncher(folder, L"OpenUrl");
  EXPECT_EQ(harness::WaitExit(launcher, 10000), 0u);
  EXPECT_TRUE(harness::WaitUntil([&] { return !RecordedOpens().empty(); }, 10000));
  EXPECT_EQ(RecordedOpens(), std::vector<std::string>{"http://site.example/garden?1001"});
  EXPECT_TRUE(harness::TopLevelWindows(0, kWindowClass).empty());
}

}  // namespace
}  // namespace e2e
