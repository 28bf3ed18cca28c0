// The list of installed games on "screen_gamelist.htm": one row per game,
// built into the screen's "gamelistframe" element. The row's structure and
// ids are what the screen's style sheet and the main window's click handling
// rely on:
//
//   li#gametab<id> > table#listtable > tr#tablerow >
//     td#firstcol[valign=top] > div#borderous > img#tabpic[src=thumbnail]
//     td#secondcol[valign=middle] > b#tabtext (name), i#tabtext (empty)
//     td#thirdcol[valign=middle]
//     td#fourthcol[valign=middle] > div.bbutton#buttsmallplay[title]
#pragma once

#include "ui/engine/win32/htmlayout.h"

// A new, detached row for a game.
HELEMENT BuildGameRow(const char* displayName, const char* secondLine, const char* productId);

// Rebuilds the whole list inside the container, in installed-games order.
void BuildGameList(HELEMENT container);
