// The end-to-end fixture: a clean registry, data folder and game folders for
// every test, helpers that lay out game folders like the publisher ships them,
// and the programs' paths.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"

namespace e2e {

constexpr wchar_t kRoot[] = L"C:\\zarn-e2e";
constexpr wchar_t kWindowClass[] = L"ZarnWrapperWindow";
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::wstring ManagerExe();   // build/x86_64/ZarnWrapper.exe
std::wstring LauncherExe();  // build/x86_64/ZarnLauncher.exe
std::wstring SupportExe(const wchar_t* name);
std::wstring DataFolder();   // local application data\ZarnSoft
std::wstring Quote(const std::wstring& s);
// The lines of a text (a program's log), without their line breaks.
std::vector<std::string> SplitLines(const std::string& text);
// "LAST_ID" of the product key: the game the manager last selected.
DWORD LastId();

struct SampleGame {
  std::wstring name;  // folder name under kRoot and registry subkey
  int id;
  std::wstring visitus;
  std::wstring idpostfix;
  std::string affiliate;  // written when not empty
  uint32_t thumbColour = 0;  // 0xRRGGBB of a one-colour "thumb.jpg"; 0: none
  std::wstring displayName;  // "namerus="; "Game <id>" when empty
};

class E2ETest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A game folder as shipped: html\wrapper.cfg, html\strings.txt (the sample's),
  // the test screens (tests/screens, every element at a fixed place),
  // thumbnails\default.jpg (grey), settings.txt, game\zsgame.dat (the test
  // game), ZarnLauncher.exe and run.dat (the manager unless given).
  // Registered as installed unless `install` is false. Returns the folder.
  std::wstring MakeGameFolder(const SampleGame& game, bool install = true,
                              const std::wstring& runDat = L"");
  // The product registry key exists (the games' installers create it).
  void CreateProductKey();

  // Starts the manager with the given arguments after argv[0].
  harness::Process StartManager(const std::wstring& arguments, const std::wstring& directory = L"");
  // Starts the launcher of a game folder with arguments.
  harness::Process StartLauncher(const std::wstring& folder, const std::wstring& arguments);
  // The manager's main window, once it exists (null after timeoutMs).
  HWND WaitForMainWindow(const harness::Process& process, DWORD timeoutMs = 10000);
  // Asks the process's main window to exit as a starting launcher does, and
  // waits for the process to end. Its exit code.
  DWORD RequestExit(const harness::Process& process);

  std::vector<std::string> RecordedOpens();
  // Lines the test game wrote: start, current directory, PATH per run.
  std::vector<std::string> GameRuns();

 public:
  // Mouse clicks at client coordinates of the window, as the user makes them.
  void ClickAt(HWND window, int x, int y);
  // The colour (0xRRGGBB) at client coordinates of a shown window, read from
  // the screen.
  uint32_t ScreenPixel(HWND window, int x, int y);
  // Saves the window's client area from the screen as a PNG.
  bool SaveScreenshot(HWND window, const std::wstring& path);

 protected:
  // The test game: its log (ZARN_GAME_LOG) and the event that ends it.
  std::wstring gameLog_;
  HANDLE gameEnd_ = nullptr;

  std::vector<harness::Process> processes_;
  std::wstring openLog_;
};

}  // namespace e2e
