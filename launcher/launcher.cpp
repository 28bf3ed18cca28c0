// ZarnLauncher: the entry program of every game folder. It asks running
// managers to exit and waits until none has a window left, copies "run.dat"
// (the manager as shipped) to "run.exe" in the per-user data folder and starts
// it with the launcher's own command line, so the manager's argv[1] is this
// program's path and its argv[2] this program's first argument.
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

#include "core/path_text.h"

namespace {

constexpr char kExitRequestMessage[] = "WM_NEED_TO_RESELECT_GAME_ZARNSOFT";
constexpr char kManagerWindowClass[] = "ZarnWrapperWindow";
constexpr DWORD kFirstWaitMs = 100;
constexpr DWORD kRepeatWaitMs = 3000;

#if defined(__i386__)
static_assert(sizeof(SHELLEXECUTEINFOA) == 60, "record size of the 32-bit shell call");
#endif

// Copies src into dst[size]; false (dst untouched past its old text) when it
// does not fit, since a cut path would name another file.
bool AppendPath(char* dst, size_t size, const char* src) {
  size_t used = std::strlen(dst);
  size_t extra = std::strlen(src);
  if (used + extra + 1 > size) return false;
  std::memcpy(dst + used, src, extra + 1);
  return true;
}

// The recipients variable is shared by all broadcasts: each call may change
// it and the next one passes it on as it was left.
void BroadcastExitRequest(UINT message, DWORD* recipients) {
  BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_FORCEIFHUNG, recipients, message, 0, 0);
}

// The launcher's folder from argv[0]; without a backslash in it, the current
// directory.
void LauncherFolder(char (&folder)[MAX_PATH]) {
  folder[0] = '\0';
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc > 0) {
    char path[MAX_PATH * 2] = {};
    if (WideCharToMultiByte(CP_ACP, 0, argv[0], -1, path, sizeof path - 1, nullptr, nullptr) > 0) {
      FolderOfPath(path, folder, sizeof folder);
    }
  }
  LocalFree(argv);
  if (folder[0] == '\0') GetCurrentDirectoryA(sizeof folder, folder);
}

bool IsVistaOrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwMajorVersion >= 6;
}

// Where "run.exe" goes: the game folder before Vista, else the per-user local
// application-data folder followed by "\ZarnSoft" (created here).
bool TargetFolder(const char* launcherFolder, char (&target)[MAX_PATH]) {
  target[0] = '\0';
  if (!IsVistaOrLater()) return AppendPath(target, sizeof target, launcherFolder);
  wchar_t appData[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    return false;
  }
  char converted[MAX_PATH * 2] = {};
  WideCharToMultiByte(CP_ACP, 0, appData, -1, converted, sizeof converted - 1, nullptr, nullptr);
  if (!AppendPath(target, sizeof target, converted) ||
      !AppendPath(target, sizeof target, "\\ZarnSoft")) {
    return false;
  }
  CreateDirectoryA(target, nullptr);
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  UINT exitRequest = RegisterWindowMessageA(kExitRequestMessage);
  DWORD recipients = BSM_ALLCOMPONENTS;
  BroadcastExitRequest(exitRequest, &recipients);
  Sleep(kFirstWaitMs);
  // A manager that runs a game exits only after the game, so there is no time
  // limit: wait as long as a manager window exists.
  while (FindWindowA(kManagerWindowClass, nullptr) != nullptr) {
    Sleep(kRepeatWaitMs);
    BroadcastExitRequest(exitRequest, &recipients);
  }

  char folder[MAX_PATH];
  LauncherFolder(folder);
  SetCurrentDirectoryA(folder);

  char runExe[MAX_PATH];
  if (!TargetFolder(folder, runExe) || !AppendPath(runExe, sizeof runExe, "\\run.exe")) return 0;
  DeleteFileA(runExe);
  CopyFileA("run.dat", runExe, FALSE);

  SHELLEXECUTEINFOA start = {};
  start.cbSize = sizeof start;
  start.fMask = 0;
  start.hwnd = nullptr;
  start.lpVerb = "open";
  start.lpFile = runExe;
  start.lpParameters = GetCommandLineA();
  start.lpDirectory = folder;
  start.nShow = SW_SHOWNORMAL;
  ShellExecuteExA(&start);
  return 0;
}
