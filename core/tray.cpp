// Notification-area icon and start-with-Windows entry.
#include "core/tray.h"

#include <shellapi.h>

#include <cstring>

#include "config/config_text.h"
#include "core/app_state.h"
#include "core/text.h"
#include "resources/resource_ids.h"

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kWinlogonKey[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon";
constexpr char kAutostartValue[] = "ZarnDRM";
// Read, set value and create subkey: what the entry's writer asks for.
constexpr REGSAM kRunKeyAccess = 0x2001F;

// "Shell" of the Winlogon key under root, lower-cased; false when unreadable.
bool ReadLogonShell(HKEY root, char (&shell)[256]) {
  shell[0] = '\0';
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, kWinlogonKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD type = 0;
  DWORD size = sizeof shell - 1;
  bool ok = RegQueryValueExA(key, "Shell", nullptr, &type, reinterpret_cast<BYTE*>(shell), &size) ==
            ERROR_SUCCESS;
  RegCloseKey(key);
  shell[ok ? size : 0] = '\0';
  for (char* c = shell; *c != '\0'; ++c) {
    if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
  }
  return ok;
}

// argv[1] of this run's command line, as the launcher passed it.
void LauncherPath(char (&path)[512]) {
  path[0] = '\0';
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv != nullptr && argc > 1) WideToAnsi(argv[1], path);
  LocalFree(argv);
}

HKEY RunRoot() { return App().isVistaOrLater ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

}  // namespace

void AddTrayIcon(HWND window) {
  AppState& app = App();
  char iconPath[MAX_PATH];
  JoinText(iconPath, app.gameFolder, "\\small.ico");
  app.trayIcon = static_cast<HICON>(LoadImageA(nullptr, iconPath, IMAGE_ICON, 0, 0, LR_LOADFROMFILE));
  NOTIFYICONDATAW& data = app.trayData;
  data = NOTIFYICONDATAW{};
  data.cbSize = sizeof data;
  data.hWnd = window;
  data.uID = kTrayIconId;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = app.trayIcon;
  wcscpy(data.szTip, L"Playshelf");
  Shell_NotifyIconW(NIM_ADD, &data);
  // Version 3: the shell reports the mouse event in the low word of lParam.
  data.uVersion = NOTIFYICON_VERSION;
  Shell_NotifyIconW(NIM_SETVERSION, &data);
}

void RestoreTrayIcon() {
  AppState& app = App();
  if (app.trayData.hWnd == nullptr) return;
  Shell_NotifyIconW(NIM_ADD, &app.trayData);
  Shell_NotifyIconW(NIM_SETVERSION, &app.trayData);
}

void RemoveTrayIcon() {
  AppState& app = App();
  if (app.trayData.hWnd != nullptr) Shell_NotifyIconW(NIM_DELETE, &app.trayData);
  if (app.trayIcon != nullptr) DestroyIcon(app.trayIcon);
  app.trayIcon = nullptr;
  app.trayData.hWnd = nullptr;
}

void ShowTrayMenu(HWND window) {
  POINT cursor;
  GetCursorPos(&cursor);
  // The foreground window and the null message after the menu make it close
  // when the user clicks elsewhere.
  SetForegroundWindow(window);
  TrackPopupMenu(App().trayMenu, 0, cursor.x, cursor.y, 0, window, nullptr);
  PostMessageA(window, WM_NULL, 0, 0);
}

std::string AutostartCommand(const char* launcherPath, const char* machineShell,
                             const char* userShell) {
  bool replacedShell = false;
  for (const char* shell : {machineShell, userShell}) {
    if (shell != nullptr && shell[0] != '\0' && std::strstr(shell, "explorer.exe") == nullptr) {
      replacedShell = true;
    }
  }
  std::string command = replacedShell ? "cmd /c \"" : "\"";
  command += launcherPath;
  command += '"';
  return command;
}

void WriteAutostartEntry() {
  char machineShell[256];
  char userShell[256];
  bool haveMachine = ReadLogonShell(HKEY_LOCAL_MACHINE, machineShell);
  bool haveUser = ReadLogonShell(HKEY_CURRENT_USER, userShell);
  char launcher[512];
  LauncherPath(launcher);
  std::string command = AutostartCommand(launcher, haveMachine ? machineShell : nullptr,
                                         haveUser ? userShell : nullptr);
  HKEY key = nullptr;
  if (RegOpenKeyExA(RunRoot(), kRunKey, 0, kRunKeyAccess, &key) != ERROR_SUCCESS) return;
  RegSetValueExA(key, kAutostartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(command.c_str()),
                 static_cast<DWORD>(command.size() + 1));
  RegCloseKey(key);
}

void DeleteAutostartEntry() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(RunRoot(), kRunKey, 0, kRunKeyAccess, &key) != ERROR_SUCCESS) return;
  RegDeleteValueA(key, kAutostartValue);
  RegCloseKey(key);
}

void ToggleAutostart() {
  AppState& app = App();
  app.autostartEnabled = !app.autostartEnabled;
  CheckMenuItem(app.trayMenu, kMenuAutostart,
                MF_BYCOMMAND | (app.autostartEnabled ? MF_CHECKED : MF_UNCHECKED));
  if (app.autostartEnabled) {
    WriteAutostartEntry();
  } else {
    DeleteAutostartEntry();
  }
}
