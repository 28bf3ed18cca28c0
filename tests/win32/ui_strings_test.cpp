// The UI string table from html\strings.txt (code page 1251).
#include "ui/ui_strings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/app_state.h"
#include "core/text.h"
#include "harness.h"

namespace {

const std::wstring kFolder = L"C:\\zarn-tests\\strings";

class UiStringsTest : public testing::Test {
 protected:
  void SetUp() override {
    harness::RemoveTree(kFolder);
    harness::MakeDirs(Join(kFolder, L"html"));
    WideToAnsi(kFolder.c_str(), App().gameFolder);
  }
  void TearDown() override {
    SetCurrentDirectoryW(L"C:\\");
    harness::RemoveTree(kFolder);
  }
  static std::wstring Join(const std::wstring& a, const wchar_t* b) { return harness::Join(a, b); }
  static void Write(const std::string& bytes) {
    harness::WriteBytes(Join(kFolder, L"html\\strings.txt"), bytes);
  }
};

TEST_F(UiStringsTest, ReadsEveryKeyAndConvertsTheWideOnes) {
  Write(harness::ToCodePage(
      L"string_no_games_header=\x0418\x0433\x0440\x044b\r\n"
      L"string_no_games_header_extra=wrong\r\n"
      L"string_no_games=\x041d\x0435\x0442 \x0438\x0433\x0440\n"
      L"wstring_new_game=\x041d\x043e\x0432\x0430\x044f \x0451\r\n"
      L"wstring_game_installed=installed\r\n"
      L"wstring_update=update\r\n"
      L"wstring_play=play tip\r\n"
      L"wstr_download_in_progress=\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430\r\n"
      L"wstr_download=download\r\n"
      L"wstr_info=info\r\n"
      L"wstr_play=play",  // no line break after the last value
      1251));
  LoadUiStrings();
  const UiStrings& s = Strings();
  EXPECT_STREQ(s.string_no_games_header, "\xc8\xe3\xf0\xfb");
  EXPECT_STREQ(s.string_no_games, "\xcd\xe5\xf2 \xe8\xe3\xf0");
  EXPECT_STREQ(s.wstring_new_game, L"\x041d\x043e\x0432\x0430\x044f \x0451") << "0xB8 is yo";
  EXPECT_STREQ(s.wstring_game_installed, L"installed");
  EXPECT_STREQ(s.wstring_update, L"update");
  EXPECT_STREQ(s.wstring_play, L"play tip");
  EXPECT_STREQ(s.wstr_download_in_progress, L"\x0417\x0430\x0433\x0440\x0443\x0437\x043a\x0430");
  EXPECT_STREQ(s.wstr_download, L"download") << "not the line of wstr_download_in_progress=";
  EXPECT_STREQ(s.wstr_info, L"info");
  EXPECT_STREQ(s.wstr_play, L"pla") << "the file's last byte gives way to the terminator";
}

TEST_F(UiStringsTest, FirstOccurrenceWinsEvenInsideAnotherValue) {
  Write("wstr_info=see wstr_play=inner\r\nwstr_play=outer\r\n");
  LoadUiStrings();
  EXPECT_STREQ(Strings().wstr_play, L"inner");
}

TEST_F(UiStringsTest, MissingFileLeavesEveryTextEmpty) {
  Write("wstr_info=x\r\n");
  LoadUiStrings();
  EXPECT_STREQ(Strings().wstr_info, L"x");
  DeleteFileW(Join(kFolder, L"html\\strings.txt").c_str());
  LoadUiStrings();
  EXPECT_STREQ(Strings().wstr_info, L"");
  EXPECT_STREQ(Strings().string_no_games, "");
}

TEST_F(UiStringsTest, LongValuesAreCutToTheirFields) {
  Write("string_no_games=" + std::string(300, 'a') + "\r\nwstr_info=" + std::string(300, '\xe9') +
        "\r\n");
  LoadUiStrings();
  EXPECT_EQ(std::string(Strings().string_no_games), std::string(63, 'a'));
  EXPECT_EQ(std::wstring(Strings().wstr_info), std::wstring(127, L'\x0439'));
}

}  // namespace
