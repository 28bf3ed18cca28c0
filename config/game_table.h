// The installed-games table and the current game. Portable data; the registry
// walk and the selection live in game_catalogue (Win32). The table is rebuilt
// only on the user-interface thread and replaced whole under its lock, so that
// a reader on another thread never sees it in the middle of a rebuild.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

struct GameRecord {
  std::string folder;       // "Dir" of the game's registry subkey
  std::string productId;    // "productid=", decimal text
  std::string partnerCode;  // affiliate.txt whole, else "idpostfix="
  std::string displayName;  // "namerus=", else "productname="
};

// Fixed-width copy of the selected game and what selecting it reads.
struct CurrentGame {
  char displayName[128];
  char folder[260];
  char productId[16];
  char partnerCode[16];
  char* settingsText;  // whole settings.txt text (heap), until the next selection
  char siteAddress[256];
};

void ReplaceInstalledGames(std::vector<GameRecord> games);
std::vector<GameRecord> InstalledGames();
size_t InstalledGameCount();
std::vector<int32_t> InstalledProductIds();  // each product id read as a number

// The current game. Written only on the user-interface thread, which may read
// it directly; other threads take CurrentGameCopy (settingsText is null there).
CurrentGame& CurrentGameRef();
CurrentGame CurrentGameCopy();
// Held by the user-interface thread while it writes the current game.
std::mutex& CurrentGameLock();

// Copies fields of `record` into `game`, each cut to its width.
void CopyRecordToCurrentGame(const GameRecord& record, CurrentGame& game);

// The site address rule: the game's site address, with its partner code
// appended when the address ends with "-" or "?".
void BuildSiteAddress(const CurrentGame& game, char* out, size_t outSize);
