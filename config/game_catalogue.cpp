// The installed games are the subkeys of the installed-games key, in the order
// the registry enumerates them; each names its folder in "Dir", and a game
// counts only when its settings.txt can be read there.
#include "config/game_catalogue.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <vector>

#include "config/config_text.h"
#include "config/game_table.h"
#include "config/product_config.h"
#include "core/app_state.h"
#include "core/locks.h"
#include "core/text.h"

namespace {

// "Dir" of one subkey as an ANSI path; false when absent, not a text, or too
// long for a 260-byte path (a cut path would name another folder).
bool ReadGameDir(HKEY games, const wchar_t* subkeyName, char (&dir)[MAX_PATH]) {
  HKEY subkey = nullptr;
  if (RegOpenKeyExW(games, subkeyName, 0, KEY_QUERY_VALUE, &subkey) != ERROR_SUCCESS) return false;
  wchar_t value[MAX_PATH + 1] = {};
  DWORD type = 0;
  DWORD size = sizeof value - sizeof(wchar_t);
  bool ok = RegQueryValueExW(subkey, L"Dir", nullptr, &type, reinterpret_cast<BYTE*>(value),
                             &size) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ);
  RegCloseKey(subkey);
  if (!ok) return false;
  value[size / sizeof(wchar_t)] = L'\0';
  char wide[MAX_PATH * 2];
  WideToAnsi(value, wide);
  if (std::strlen(wide) >= sizeof dir) return false;
  CopyText(dir, wide);
  return dir[0] != '\0';
}

// Reads the game in `dir` into a record; false when its settings.txt cannot be
// read there.
bool ReadGameRecord(const char* dir, GameRecord& record) {
  char* settings = nullptr;
  char affiliate[260];
  bool haveAffiliate = false;
  {
    WorkDirLock lock;
    if (SetCurrentDirectoryA(dir)) {
      settings = ReadSettingsFile();
      if (settings != nullptr) haveAffiliate = ReadAffiliateFile(affiliate);
    }
  }
  if (settings == nullptr) return false;

  char value[MAX_PATH];
  record.folder = dir;
  ConfigValue(value, settings, "productid=");
  record.productId = value;
  if (haveAffiliate) {
    record.partnerCode = affiliate;
  } else {
    ConfigValue(value, settings, "idpostfix=");
    record.partnerCode = value;
  }
  ConfigValue(value, settings, "namerus=");
  if (value[0] == '\0') ConfigValue(value, settings, "productname=");
  record.displayName = value;
  std::free(settings);
  return true;
}

}  // namespace

void ScanInstalledGames() {
  std::vector<GameRecord> games;
  HKEY key = nullptr;
  if (ProductConfigRef().haveKeys &&
      RegOpenKeyExW(HKEY_CURRENT_USER, kInstalledGamesKey, 0,
                    KEY_ENUMERATE_SUB_KEYS | KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
    for (DWORD index = 0;; ++index) {
      wchar_t name[257];
      DWORD nameLength = 257;
      if (RegEnumKeyExW(key, index, name, &nameLength, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS) {
        break;
      }
      char dir[MAX_PATH];
      GameRecord record;
      if (ReadGameDir(key, name, dir) && ReadGameRecord(dir, record)) games.push_back(record);
    }
    RegCloseKey(key);
  }
  ReplaceInstalledGames(std::move(games));
  WorkDirLock lock;
  SetCurrentDirectoryA(App().gameFolder);
}

void ClearInstalledGames() {
  ReplaceInstalledGames({});
  std::lock_guard<std::mutex> lock(CurrentGameLock());
  std::free(CurrentGameRef().settingsText);
  CurrentGameRef().settingsText = nullptr;
}

void SelectGame(int32_t id) {
  std::vector<GameRecord> games = InstalledGames();
  if (games.empty()) return;
  const GameRecord* chosen = nullptr;
  for (const GameRecord& game : games) {
    if (LeadingNumber(game.productId.c_str()) == id) {
      chosen = &game;
      break;
    }
  }
  bool foundById = chosen != nullptr;
  if (!foundById) chosen = &games.front();

  {
    std::lock_guard<std::mutex> lock(CurrentGameLock());
    CopyRecordToCurrentGame(*chosen, CurrentGameRef());
  }
  if (foundById) StoreGlobalPartnerCode(chosen->partnerCode.c_str());

  char* settings = nullptr;
  {
    WorkDirLock dir;
    // Only the game's own settings.txt: a folder that cannot be entered gives
    // no settings text rather than the one of the current directory.
    if (SetCurrentDirectoryA(chosen->folder.c_str())) settings = ReadSettingsFile();
  }
  {
    std::lock_guard<std::mutex> lock(CurrentGameLock());
    CurrentGame& current = CurrentGameRef();
    std::free(current.settingsText);
    current.settingsText = settings;
    if (settings != nullptr) ConfigValue(current.siteAddress, settings, "visitus=");
  }
  StoreLastGameId(LeadingNumber(chosen->productId.c_str()));
}
