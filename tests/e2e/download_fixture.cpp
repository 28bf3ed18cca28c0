#include "download_fixture.h"

#include <cstdio>
#include <cstring>

namespace e2e {

using harness::Join;

std::string ListEntry(const std::string& url, const std::string& partPath, const std::string& finalPath,
                      bool showProgress) {
  std::string entry("\x0d\x03\x00\x00", 4);
  for (const std::string* text : {&url, &partPath, &finalPath}) {
    std::string field = *text;
    field.resize(260, '\0');
    entry += field;
  }
  entry += showProgress ? '\x01' : '\x00';
  return entry;
}

std::string DescribeList(const std::string& bytes) {
  std::string text;
  size_t at = 0;
  for (; at + 785 <= bytes.size(); at += 785) {
    const char* entry = bytes.data() + at;
    char length[16];
    std::snprintf(length, sizeof length, "%02x%02x%02x%02x", entry[0] & 0xff, entry[1] & 0xff,
                  entry[2] & 0xff, entry[3] & 0xff);
    text += std::string(length) + " " + std::string(entry + 4, strnlen(entry + 4, 260)) + " | " +
            std::string(entry + 264, strnlen(entry + 264, 260)) + " | " +
            std::string(entry + 524, strnlen(entry + 524, 260)) + " | " + std::to_string(entry[784]) + "\n";
  }
  if (at != bytes.size()) text += "+" + std::to_string(bytes.size() - at) + " bytes\n";
  return text;
}

void DownloadTest::SetUp() {
  E2ETest::SetUp();
  if (!server::Available()) GTEST_SKIP() << "no test HTTP server (tools/test.sh starts one)";
  server::Control("reset");
  server::Control("up");
  server::Control("clearlog");
  harness::MakeDirs(Join(server::Root(), L"catalogue"));
  harness::MakeDirs(Join(server::Root(), L"files"));
  installerLog_ = Join(kRoot, L"installer.log");
  updateLog_ = Join(kRoot, L"update.log");
  SetEnvironmentVariableW(L"ZARN_INSTALLER_LOG", installerLog_.c_str());
  SetEnvironmentVariableW(L"ZARN_UPDATE_LOG", updateLog_.c_str());
  SetEnvironmentVariableW(L"ZARN_INSTALLER_PLAN", nullptr);
  SetEnvironmentVariableW(L"ZARN_UPDATE_SLEEPMS", nullptr);
}

void DownloadTest::TearDown() {
  E2ETest::TearDown();
  if (server::Available()) {
    server::Control("up");
    server::Control("reset");
  }
}

std::wstring DownloadTest::MakeServedGame(const SampleGame& game) {
  std::wstring folder = MakeGameFolder(game);
  harness::WriteWrapperConfig(folder, harness::FromUtf8(server::Url("/catalogue/")));
  CreateProductKey();
  return folder;
}

std::string DownloadTest::ServePuzzleInstaller(const std::wstring& name) {
  std::wstring plan = Join(kRoot, L"plan.txt");
  harness::WriteBytes(plan, "id=202\r\nname=Puzzle\r\nfolder=" + harness::ToUtf8(Join(kRoot, L"puzzle")) + "\r\n");
  SetEnvironmentVariableW(L"ZARN_INSTALLER_PLAN", plan.c_str());
  std::wstring served = Join(server::Root(), L"files\\" + name);
  CopyFileW(SupportExe(L"testinstaller.exe").c_str(), served.c_str(), FALSE);
  return harness::ReadBytes(served);
}

void DownloadTest::ServeCatalogue(const std::string& text, const std::string& file) {
  harness::WriteBytes(Join(server::Root(), L"catalogue\\" + harness::FromUtf8(file)), text);
}

HWND DownloadTest::StartShown(const std::wstring& folder, int gameId, harness::Process* process) {
  harness::Process started = StartManager(Quote(Join(folder, L"ZarnLauncher.exe")) + L" " + std::to_wstring(gameId));
  if (process != nullptr) *process = started;
  return WaitForMainWindow(started);
}

std::string DownloadTest::DownloadFolderA() { return harness::ToCodePage(Join(DataFolder(), L"Download"), CP_ACP); }

std::wstring DownloadTest::InDownloads(const std::wstring& name) { return Join(Join(DataFolder(), L"Download"), name); }

std::string DownloadTest::ListFile() { return harness::ReadBytes(InDownloads(L"downloads.txt")); }

bool DownloadTest::SendDownload(HWND window, const std::string& address) {
  COPYDATASTRUCT data = {};
  data.dwData = RegisterWindowMessageW(L"WM_NEED_TO_DOWNLOAD_GAME");
  data.cbData = static_cast<DWORD>(address.size() + 1);
  data.lpData = const_cast<char*>(address.c_str());
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000, &result);
  return result != 0;
}

size_t DownloadTest::FetchesFromStart(const std::string& path) {
  size_t n = 0;
  for (const server::Request& request : server::RequestsFor(path)) n += request.Header("Range") == "bytes=0-";
  return n;
}

bool DownloadTest::WaitForBytes(const std::wstring& path, const std::string& bytes, DWORD timeoutMs) {
  return harness::WaitUntil([&] { return harness::FileExists(path) && harness::ReadBytes(path) == bytes; },
                            timeoutMs);
}

void DownloadTest::Kill(harness::Process& process) {
  TerminateProcess(process.handle, 9);
  WaitForSingleObject(process.handle, 10000);
}

}  // namespace e2e
