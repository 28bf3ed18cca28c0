// The UI string table. The file is configuration text in the ANSI code page;
// the "wstring_"/"wstr_" texts are converted to UTF-16 with that code page.
#include "ui/ui_strings.h"

#include <windows.h>

#include <cwchar>

#include "config/config_text.h"
#include "config/file_cache.h"
#include "core/app_state.h"
#include "core/text.h"

namespace {

UiStrings gStrings{};

// A value is looked up into scratch as wide as the file allows, then converted
// and cut to its field.
template <size_t N>
void LookupWide(wchar_t (&field)[N], const char* text, const char* key) {
  char scratch[1024];
  ConfigValue(scratch, text, key);
  AnsiToWide(scratch, field);
}

}  // namespace

const UiStrings& Strings() { return gStrings; }

void LoadUiStrings() {
  gStrings = UiStrings{};
  // Start-up calls this before any worker thread exists, so the current
  // directory can be changed without the working-directory lock.
  if (!SetCurrentDirectoryA(App().gameFolder)) return;
  int32_t size = 0;
  char* text = FileCacheLoad("html\\strings.txt", &size);
  if (text == nullptr) return;
  if (size > 0) text[size - 1] = '\0';  // the file's last byte gives way to the terminator

  ConfigValue(gStrings.string_no_games_header, text, "string_no_games_header=");
  ConfigValue(gStrings.string_no_games, text, "string_no_games=");
  LookupWide(gStrings.wstring_new_game, text, "wstring_new_game=");
  LookupWide(gStrings.wstring_game_installed, text, "wstring_game_installed=");
  LookupWide(gStrings.wstring_update, text, "wstring_update=");
  LookupWide(gStrings.wstring_download_failed, text, "wstring_download_failed=");
  LookupWide(gStrings.wstring_play, text, "wstring_play=");
  LookupWide(gStrings.wstr_download_in_progress, text, "wstr_download_in_progress=");
  LookupWide(gStrings.wstr_download, text, "wstr_download=");
  LookupWide(gStrings.wstr_info, text, "wstr_info=");
  LookupWide(gStrings.wstr_play, text, "wstr_play=");
  FileCacheRelease(text);
  // Game folders made before this text existed still say something.
  if (gStrings.wstring_download_failed[0] == L'\0') {
    std::wcsncpy(gStrings.wstring_download_failed,
                 L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430 \x043d\x0435 \x0443\x0434\x0430\x043b\x0430\x0441\x044c: "
                 L"\x0444\x0430\x0439\x043b \x043f\x043e\x0432\x0440\x0435\x0436\x0434\x0451\x043d.",
                 127);
  }
}
