// Game list rows. The thumbnail is the game's own "thumb.jpg" or the game
// folder's "thumbnails\default.jpg".
#include "ui/game_list.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "config/game_table.h"
#include "core/app_state.h"
#include "core/locks.h"
#include "core/text.h"
#include "ui/ui_strings.h"

namespace {

HELEMENT Append(HELEMENT parent, const char* tag, const wchar_t* text = L"") {
  HELEMENT element = nullptr;
  HTMLayoutCreateElement(tag, text, &element);
  HTMLayoutInsertElement(element, parent, 0x7FFFFFFF);
  return element;
}

void Set(HELEMENT element, const char* name, const wchar_t* value) {
  HTMLayoutSetAttributeByName(element, name, value);
}

// Thumbnail of the game with this product id (text compared exactly; the
// first game when none has it).
std::wstring ThumbnailFor(const char* productId) {
  std::vector<GameRecord> games = InstalledGames();
  const GameRecord* game = games.empty() ? nullptr : &games.front();
  for (const GameRecord& record : games) {
    if (record.productId == productId) {
      game = &record;
      break;
    }
  }
  char path[MAX_PATH * 2] = "";
  {
    WorkDirLock dir;
    if (game != nullptr && SetCurrentDirectoryA(game->folder.c_str()) &&
        GetFileAttributesA("thumb.jpg") != INVALID_FILE_ATTRIBUTES) {
      std::snprintf(path, sizeof path, "%s\\thumb.jpg", game->folder.c_str());
    } else {
      std::snprintf(path, sizeof path, "%s\\thumbnails\\default.jpg", App().gameFolder);
    }
  }
  wchar_t wide[520];
  AnsiToWide(path, wide);
  return wide;
}

}  // namespace

HELEMENT BuildGameRow(const char* displayName, const char* secondLine, const char* productId) {
  std::wstring thumbnail = ThumbnailFor(productId);
  wchar_t name[520], second[520], id[520];
  AnsiToWide(displayName, name);
  AnsiToWide(secondLine, second);
  wchar_t idText[520];
  AnsiToWide(productId, idText);
  std::swprintf(id, 520, L"gametab%ls", idText);

  HELEMENT row = nullptr;
  HTMLayoutCreateElement("li", L"", &row);
  Set(row, "id", id);
  HELEMENT table = Append(row, "table");
  Set(table, "id", L"listtable");
  HELEMENT tableRow = Append(table, "tr");
  Set(tableRow, "id", L"tablerow");

  HELEMENT first = Append(tableRow, "td");
  Set(first, "valign", L"top");
  Set(first, "id", L"firstcol");
  HELEMENT frame = Append(first, "div");
  Set(frame, "id", L"borderous");
  HELEMENT picture = Append(frame, "img");
  Set(picture, "src", thumbnail.c_str());
  Set(picture, "id", L"tabpic");

  HELEMENT secondCol = Append(tableRow, "td");
  Set(secondCol, "valign", L"middle");
  Set(secondCol, "id", L"secondcol");
  Set(Append(secondCol, "b", name), "id", L"tabtext");
  Set(Append(secondCol, "i", second), "id", L"tabtext");

  HELEMENT third = Append(tableRow, "td");
  Set(third, "valign", L"middle");
  Set(third, "id", L"thirdcol");

  HELEMENT fourth = Append(tableRow, "td");
  Set(fourth, "valign", L"middle");
  Set(fourth, "id", L"fourthcol");
  HELEMENT play = Append(fourth, "div");
  Set(play, "class", L"bbutton");
  Set(play, "id", L"buttsmallplay");
  Set(play, "title", Strings().wstring_play);
  return row;
}

void BuildGameList(HELEMENT container) {
  UINT count = 0;
  HTMLayoutGetChildrenCount(container, &count);
  for (UINT i = count; i > 0; --i) {
    HELEMENT child = nullptr;
    HTMLayoutGetNthChild(container, i - 1, &child);
    HTMLayoutDeleteElement(child);
  }
  std::vector<GameRecord> games = InstalledGames();
  for (size_t i = 0; i < games.size(); ++i) {
    HELEMENT row = BuildGameRow(games[i].displayName.c_str(), "", games[i].productId.c_str());
    HTMLayoutInsertElement(row, container, static_cast<UINT>(i));
  }
  HTMLayoutUpdateElement(container, TRUE);
}
