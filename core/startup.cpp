// Start-up, in order: random seed, registered messages, game folder from
// argv[1], UI strings, data folder, site mode ("OpenUrl"), exit request to
// other managers, configuration and installed games, game selection, main
// window, "version", message loop; then shutdown.
#include "core/startup.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

#include "config/config_text.h"
#include "config/game_catalogue.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "config/promotion.h"
#include "core/app_state.h"
#include "core/launching.h"
#include "core/main_window.h"
#include "core/path_text.h"
#include "core/text.h"
#include "core/tray.h"
#include "download/download_file.h"
#include "download/download_list.h"
#include "download/download_thread.h"
#include "resources/resource_ids.h"
#include "ui/download_area.h"
#include "ui/popup.h"
#include "ui/ui_strings.h"

namespace {

constexpr char kSiteModeArgument[] = "OpenUrl";

// The command line split by the shell's rules; owns the LocalAlloc'ed array.
struct Arguments {
  LPWSTR* argv = nullptr;
  int argc = 0;
  ~Arguments() { LocalFree(argv); }
};

// The game folder from argv[1]: its folder part made the current directory,
// then read back, which turns a relative argument into an absolute one. A
// folder that cannot be entered is kept as given (nothing is read from it:
// every later step enters it first and skips its files when that fails).
void SettleGameFolder(const wchar_t* launcherPath) {
  AppState& app = App();
  char path[MAX_PATH * 2];
  WideToAnsi(launcherPath, path);
  char folder[MAX_PATH];
  if (!FolderOfPath(path, folder, sizeof folder)) {
    // No backslash at all (a bare file name): the launcher lies in the
    // current directory. A folder too long for a path cannot be entered.
    if (std::strchr(path, '\\') == nullptr) GetCurrentDirectoryA(sizeof folder, folder);
  }
  if (folder[0] != '\0' && SetCurrentDirectoryA(folder)) {
    GetCurrentDirectoryA(sizeof app.gameFolder, app.gameFolder);
  } else {
    CopyText(app.gameFolder, folder);
  }
}

bool SystemIsVistaOrLater() {
  OSVERSIONINFOA version = {};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwMajorVersion >= 6;
}

// Lets processes of lower integrity send the two registered messages, where
// the system has a message filter (looked up at run time: XP has none).
void AllowMessagesFromLowerIntegrity() {
  char system[MAX_PATH];
  UINT length = GetSystemDirectoryA(system, sizeof system);
  if (length == 0 || length >= sizeof system) return;
  char path[MAX_PATH];
  JoinText(path, system, "\\user32.dll");
  HMODULE user32 = LoadLibraryA(path);
  if (user32 == nullptr) return;
  using FilterFunction = BOOL(WINAPI*)(UINT, DWORD);
  auto filter = reinterpret_cast<FilterFunction>(
      reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")));
  if (filter != nullptr) {
    filter(App().reselectGameMessage, 1);  // MSGFLT_ADD
    filter(App().downloadGameMessage, 1);
  }
  FreeLibrary(user32);
}

// The data folder: the game folder before Vista; from Vista on the user's local
// application data followed by "\ZarnSoft\", made with its "Download" and
// "html" folders. No worker thread runs yet, so no lock is taken.
void SettleDataFolder() {
  AppState& app = App();
  app.isVistaOrLater = SystemIsVistaOrLater();
  if (!app.isVistaOrLater) {
    CopyText(app.dataFolder, app.gameFolder);
    return;
  }
  AllowMessagesFromLowerIntegrity();
  wchar_t appData[MAX_PATH] = {};
  char converted[MAX_PATH * 2];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData))) {
    CopyText(app.dataFolder, app.gameFolder);
    return;
  }
  WideToAnsi(appData, converted);
  JoinText(app.dataFolder, converted, "\\ZarnSoft\\");
  CreateDirectoryA(app.dataFolder, nullptr);
  if (SetCurrentDirectoryA(app.dataFolder)) {
    CreateDirectoryA("Download", nullptr);
    CreateDirectoryA("html", nullptr);
  }
  SetCurrentDirectoryA(app.gameFolder);
}

// Reads the configuration and the installed games, in the order every mode
// needs them.
void LoadConfiguration() {
  LoadWrapperConfig();
  ScanInstalledGames();
  EnsureInstallationId();
}

// "OpenUrl": open the current game's site address and end, leaving any
// running manager alone.
int RunSiteMode() {
  LoadConfiguration();
  SelectGame(ReadLastGameId());
  char address[256];
  BuildSiteAddress(CurrentGameRef(), address, sizeof address);
  OpenWithShell(address);
  ClearInstalledGames();
  return 0;
}

void BroadcastExitRequest() {
  DWORD recipients = BSM_APPLICATIONS;
  BroadcastSystemMessageA(BSF_POSTMESSAGE | BSF_IGNORECURRENTTASK, &recipients,
                          App().reselectGameMessage, 0, 0);
}

int RunMessageLoop() {
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

int Shutdown(int exitCode) {
  AppState& app = App();
  SaveDownloadList();
  if (app.catalogueTimer != 0) KillTimer(app.mainWindow, app.catalogueTimer);
  if (app.startDelayTimer != 0) KillTimer(app.mainWindow, app.startDelayTimer);
  app.transferStop = true;
  WakeDownloadThread();
  RemoveTrayIcon();
  ClearInstalledGames();
  return exitCode;
}

}  // namespace

int RunManager(HINSTANCE instance) {
  AppState& app = App();
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  app.autostartEnabled = true;
  app.lastPopupWasInstall = true;
  app.reselectGameMessage = RegisterWindowMessageA(kReselectGameMessageName);
  app.downloadGameMessage = RegisterWindowMessageA(kDownloadGameMessageName);

  Arguments args;
  args.argv = CommandLineToArgvW(GetCommandLineW(), &args.argc);
  if (args.argv == nullptr || args.argc < 2) return 0;

  SettleGameFolder(args.argv[1]);
  LoadUiStrings();
  SettleDataFolder();

  char gameId[64] = "";
  bool haveGameId = args.argc > 2;
  if (haveGameId) WideToAnsi(args.argv[2], gameId);
  if (haveGameId && std::strcmp(gameId, kSiteModeArgument) == 0) return RunSiteMode();

  BroadcastExitRequest();
  LoadConfiguration();
  if (InstalledGameCount() == 0) {
    MessageBoxA(nullptr, Strings().string_no_games, Strings().string_no_games_header, MB_ICONERROR);
    return 0;
  }
  if (haveGameId) {
    SelectGame(LeadingNumber(gameId));
    app.windowVisible = true;
  } else {
    SelectGame(ReadLastGameId());
    app.windowVisible = false;
  }

  // A new promotion is drawn on the user-interface thread.
  SetPromotionSources(PromotionSources{DownloadUrls, RequestDownloadAreaRefresh});

  // The entry is rewritten at every start, whatever the menu said last time.
  DeleteAutostartEntry();
  WriteAutostartEntry();

  LoadDownloadList();
  StartDownloadThread();

  // The icon's menu is ready before the icon exists: a right click on a
  // fresh icon may arrive while the window is still being set up.
  HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(kTrayMenu));
  app.trayMenu = menu != nullptr ? GetSubMenu(menu, 0) : nullptr;
  if (!RegisterMainWindowClass(instance) || !RegisterPopupClass(instance) ||
      CreateMainWindow(instance) == nullptr) {
    ClearInstalledGames();
    return 0;
  }
  // "version" is written by the window once it has been drawn (with the
  // notification-area icon), as the first message of the loop.
  return Shutdown(RunMessageLoop());
}
