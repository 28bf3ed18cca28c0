// Helpers for the Win32 and end-to-end tests: this build's paths, the
// registry, files, processes and windows of the test prefix. UTF-16 paths
// throughout, so that texts are independent of the code page under test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "test_paths.h"

namespace harness {

// --- registry (HKEY_CURRENT_USER unless a root is given) ---
constexpr wchar_t kProductKeyPath[] = L"Software\\\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft\\products";
constexpr wchar_t kCompanyKeyPath[] = L"Software\\\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft";
constexpr wchar_t kCompanyName[] = L"\x0418\x0433\x0440\x044b \x043e\x0442 ZarnSoft";

bool KeyExists(const std::wstring& path, HKEY root = HKEY_CURRENT_USER);
void CreateKey(const std::wstring& path, HKEY root = HKEY_CURRENT_USER);
void DeleteKeyTree(const std::wstring& path, HKEY root = HKEY_CURRENT_USER);
void SetString(const std::wstring& path, const std::wstring& name, const std::wstring& value,
               HKEY root = HKEY_CURRENT_USER);
void SetDword(const std::wstring& path, const std::wstring& name, DWORD value,
              HKEY root = HKEY_CURRENT_USER);
void DeleteValue(const std::wstring& path, const std::wstring& name, HKEY root = HKEY_CURRENT_USER);

struct RegValue {
  bool exists = false;
  DWORD type = 0;
  std::vector<BYTE> data;
  DWORD AsDword() const;
  std::wstring AsString() const;  // REG_SZ without its terminator
};
RegValue ReadValue(const std::wstring& path, const std::wstring& name, HKEY root = HKEY_CURRENT_USER);

// --- files ---
void WriteBytes(const std::wstring& path, const std::string& bytes);
std::string ReadBytes(const std::wstring& path);  // empty when missing
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
void MakeDirs(const std::wstring& path);
// Copies a folder and everything below it (making the folders).
void CopyTree(const std::wstring& from, const std::wstring& to);
void RemoveTree(const std::wstring& path);
std::wstring LocalAppData();  // CSIDL_LOCAL_APPDATA
std::wstring Join(const std::wstring& a, const std::wstring& b);

// --- text ---
std::wstring FromUtf8(const std::string& s);
std::string ToUtf8(const std::wstring& s);
std::string ToCodePage(const std::wstring& s, UINT codePage);  // e.g. 1251
std::wstring FromCodePage(const std::string& s, UINT codePage);

// --- installed games ---
struct GameFixture {
  std::wstring subkey;         // name of the subkey under the installed-games key
  std::wstring folder;         // its "Dir"; the folder is made with the files below
  std::wstring settings;       // settings text after the header (written in code page 1251)
  bool writeSettings = true;
  bool writeDir = true;
  std::string affiliate;       // bytes of affiliate.txt
  bool writeAffiliate = false;
  std::string header = std::string("\x01\x00", 2);
};
void InstallGame(const GameFixture& game);
// A settings text for a game with this product id and name.
std::wstring SettingsText(int productId, const std::wstring& name, const std::wstring& visitus = L"",
                          const std::wstring& idpostfix = L"");

// Writes html\wrapper.cfg and html\strings.txt (code page 1251) into folder.
void WriteWrapperConfig(const std::wstring& folder, const std::wstring& gamesurl = L"http://127.0.0.1:1/",
                        const std::wstring& company = kCompanyName);
void WriteStrings(const std::wstring& folder, const std::wstring& text);

// --- processes ---
struct Process {
  HANDLE handle = nullptr;
  DWORD id = 0;
};
// Starts a program; commandLine is the whole command line (program included).
Process Start(const std::wstring& program, const std::wstring& commandLine,
              const std::wstring& directory = L"");
// Exit code, or STILL_ACTIVE when it did not end within timeoutMs.
DWORD WaitExit(const Process& process, DWORD timeoutMs);
void Close(Process& process);
// Ends every process that has a top-level window of this class (test cleanup).
void EndWindowsOfClass(const wchar_t* className);

// --- windows ---
std::vector<HWND> TopLevelWindows(DWORD processId, const wchar_t* className = nullptr);
// Polls until a top-level window of the class (of the process, unless 0)
// exists; null on timeout.
HWND WaitForWindow(const wchar_t* className, DWORD processId, DWORD timeoutMs);
std::wstring WindowText(HWND window);
SIZE ClientSize(HWND window);
// The texts of a message box: its caption and the text of its message.
struct MessageBoxTexts {
  std::wstring caption;
  std::wstring text;
  bool hasErrorIcon = false;
};
MessageBoxTexts ReadMessageBox(HWND dialog);

// Polls `condition` every 20 ms until it holds or timeoutMs pass.
template <typename F>
bool WaitUntil(F condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  for (;;) {
    if (condition()) return true;
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(20);
  }
}

// A 2 x 2 picture of one colour (0xRRGGBB), written as PNG whatever the
// file's name says (the imaging component reads pictures by their content).
void WriteColourPicture(const std::wstring& path, uint32_t rgb);
// Pixels of a rectangle of the screen as it is shown (composited), as
// 0xRRGGBB row by row.
struct ScreenShot {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const;
};
ScreenShot CaptureScreen(const RECT& area);
bool SavePng(const ScreenShot& shot, const std::wstring& path);
// The window's client area as it is on the screen, saved as a PNG.
bool SaveClientArea(HWND window, const std::wstring& path);

// Real pointer input, as the user makes it (screen coordinates).
void MovePointer(int x, int y);
void PressLeft();
void ReleaseLeft();

// System time in milliseconds, comparable across processes.
int64_t NowMs();
// Processor time (user + kernel, 100 ns units) of the process's threads that
// exist now, summed thread by thread: Wine's GetProcessTimes counts only a
// part of it.
int64_t ThreadTimes100ns(DWORD processId);

}  // namespace harness
