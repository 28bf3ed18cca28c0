// Building the installed-games table from the registry and the game folders,
// and selecting the current game. User-interface thread only.
#pragma once

#include <cstdint>

void ScanInstalledGames();
void ClearInstalledGames();
void SelectGame(int32_t id);
