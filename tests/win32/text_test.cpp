// Bounded conversions between the ANSI code page (1251 here) and UTF-16.
#include "core/text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(Text, WideToAnsiUsesTheCodePageAndCutsAtTheField) {
  char out[8];
  WideToAnsi(L"\x0418\x0433\x0440\x044b", out);  // Игры
  EXPECT_STREQ(out, "\xc8\xe3\xf0\xfb");

  WideToAnsi(L"0123456789", out);
  EXPECT_STREQ(out, "0123456");

  char sentinel[12];
  std::memset(sentinel, '#', sizeof sentinel);
  WideToAnsi(std::wstring(300, L'x').c_str(), sentinel, 8);
  EXPECT_EQ(std::string(sentinel, 7), std::string(7, 'x'));
  EXPECT_EQ(sentinel[7], '\0');
  EXPECT_EQ(sentinel[8], '#') << "wrote past the field";
}

TEST(Text, AnsiToWideUsesTheCodePageAndCutsAtTheField) {
  wchar_t out[5];
  AnsiToWide("\xc8\xe3\xf0\xfb \xee\xf2", out);
  EXPECT_STREQ(out, L"\x0418\x0433\x0440\x044b");
  AnsiToWide("", out);
  EXPECT_STREQ(out, L"");
  AnsiToWide(nullptr, out);
  EXPECT_STREQ(out, L"");
}

TEST(Text, JoinTextCutsAtTheField) {
  char out[10];
  JoinText(out, "C:\\Games", "\\run.exe");
  EXPECT_STREQ(out, "C:\\Games\\");
  JoinText(out, "0123456789abc", "x");
  EXPECT_STREQ(out, "012345678");
}

}  // namespace
