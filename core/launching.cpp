#include "core/launching.h"

#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "config/game_table.h"
#include "core/locks.h"

#if defined(__i386__)
static_assert(sizeof(STARTUPINFOA) == 68, "STARTUPINFOA of the 32-bit build");
#endif

void RunGame() {
  char gameDir[MAX_PATH + 8];
  {
    std::lock_guard<std::mutex> lock(CurrentGameLock());
    std::snprintf(gameDir, sizeof gameDir, "%s\\game", CurrentGameRef().folder);
  }
  WorkDirLock dir;
  // Only the current game's own program: when its folder cannot be entered,
  // a relative "zsgame.dat" would name another folder's program.
  if (!SetCurrentDirectoryA(gameDir)) return;
  char withSlash[MAX_PATH + 8];
  std::snprintf(withSlash, sizeof withSlash, "%s\\", gameDir);
  // The game finds its DLLs through PATH; the new PATH stays for the rest of
  // the run and is inherited by every later child.
  SetEnvironmentVariableA("PATH", withSlash);
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (CreateProcessA("zsgame.dat", nullptr, nullptr, nullptr, FALSE, 0, nullptr, withSlash, &startup,
                     &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

void OpenWithShell(const char* text) {
  if (text == nullptr || text[0] == '\0') return;
  ShellExecuteA(nullptr, "open", text, "", "", SW_SHOWNORMAL);
}

void OpenWithShellWide(const wchar_t* text) {
  if (text == nullptr || text[0] == L'\0') return;
  // Converted whole: an address cut to a fixed buffer would open another page.
  int needed = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return;
  std::string converted(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, &converted[0], needed, nullptr, nullptr);
  OpenWithShell(converted.c_str());
}
