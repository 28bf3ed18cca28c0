#include "config/game_table.h"

#include <cstdlib>
#include <cstring>
#include <mutex>

#include "config/config_text.h"

namespace {

std::mutex gGamesLock;  // guards gGames
std::vector<GameRecord> gGames;

std::mutex gCurrentGameLock;  // guards writes of gCurrentGame and cross-thread reads
CurrentGame gCurrentGame;

}  // namespace

void ReplaceInstalledGames(std::vector<GameRecord> games) {
  std::lock_guard<std::mutex> lock(gGamesLock);
  gGames.swap(games);
  // the old table is freed here, under the lock, which is harmless
}

std::vector<GameRecord> InstalledGames() {
  std::lock_guard<std::mutex> lock(gGamesLock);
  return gGames;
}

size_t InstalledGameCount() {
  std::lock_guard<std::mutex> lock(gGamesLock);
  return gGames.size();
}

std::vector<int32_t> InstalledProductIds() {
  std::lock_guard<std::mutex> lock(gGamesLock);
  std::vector<int32_t> ids;
  ids.reserve(gGames.size());
  for (const GameRecord& game : gGames) ids.push_back(LeadingNumber(game.productId.c_str()));
  return ids;
}

CurrentGame& CurrentGameRef() { return gCurrentGame; }

CurrentGame CurrentGameCopy() {
  std::lock_guard<std::mutex> lock(gCurrentGameLock);
  CurrentGame copy = gCurrentGame;
  copy.settingsText = nullptr;
  return copy;
}

std::mutex& CurrentGameLock() { return gCurrentGameLock; }

void CopyRecordToCurrentGame(const GameRecord& record, CurrentGame& game) {
  CopyText(game.displayName, record.displayName.c_str());
  CopyText(game.folder, record.folder.c_str());
  CopyText(game.productId, record.productId.c_str());
  CopyText(game.partnerCode, record.partnerCode.c_str());
}

void BuildSiteAddress(const CurrentGame& game, char* out, size_t outSize) {
  CopyText(out, outSize, game.siteAddress);
  size_t length = std::strlen(out);
  if (length > 0 && (out[length - 1] == '-' || out[length - 1] == '?')) {
    CopyText(out + length, outSize - length, game.partnerCode);
  }
}
