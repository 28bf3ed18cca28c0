// The UI texts of html\strings.txt: read once at start-up, read-only after.
#pragma once

struct UiStrings {
  char string_no_games_header[64];
  char string_no_games[64];
  wchar_t wstring_new_game[128];
  wchar_t wstring_game_installed[128];
  wchar_t wstring_update[128];
  wchar_t wstring_download_failed[128];  // a download did not match its digest; a default when absent
  wchar_t wstring_play[128];
  wchar_t wstr_download_in_progress[128];
  wchar_t wstr_download[128];
  wchar_t wstr_info[128];
  wchar_t wstr_play[128];
};

const UiStrings& Strings();

// Reads html\strings.txt of the game folder; a missing file or key leaves the
// text empty. Called once by start-up, before any window or thread exists.
void LoadUiStrings();
