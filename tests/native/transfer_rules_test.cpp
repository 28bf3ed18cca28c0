#include "download/transfer_rules.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(JudgeAnswerTest, WhatAnAnswerMeansForThePartialFile) {
  struct Case {
    int status;
    int32_t from;
    int32_t total;
    int64_t rangeStart;
    AnswerUse use;
    const char* why;
  } cases[] = {
      {206, 1000, 5000, 1000, AnswerUse::kAppend, "the range asked for"},
      {206, 1000, 5000, -1, AnswerUse::kAppend, "no Content-Range: trusted"},
      {206, 1000, 5000, 0, AnswerUse::kFailAndEmpty, "a range from elsewhere"},
      {200, 0, 5000, -1, AnswerUse::kAppend, "a fresh file"},
      {200, 1000, 5000, -1, AnswerUse::kFromStart, "range ignored: the whole file again"},
      {200, 0, -1, -1, AnswerUse::kAppend, "no length"},
      {416, 5000, 5000, -1, AnswerUse::kComplete, "already whole"},
      {416, 0, 0, -1, AnswerUse::kComplete, "an empty file"},
      {416, 1000, 5000, -1, AnswerUse::kFailAndEmpty, "not satisfiable in the middle"},
      {416, 1000, -1, -1, AnswerUse::kFailAndEmpty, "not satisfiable, length unknown"},
      {404, 0, 5000, -1, AnswerUse::kFail, "not found"},
      {500, 1000, 5000, -1, AnswerUse::kFail, "server error"},
      {302, 0, 5000, -1, AnswerUse::kFail, "a redirect WinInet did not follow"},
      {0, 0, 5000, -1, AnswerUse::kFail, "no status"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(JudgeAnswer(c.status, c.from, c.total, c.rangeStart), c.use) << c.why;
  }
}

TEST(ContentRangeStartTest, FirstBytePosition) {
  EXPECT_EQ(ContentRangeStart("bytes 100-199/200"), 100);
  EXPECT_EQ(ContentRangeStart("bytes 0-0/1"), 0);
  EXPECT_EQ(ContentRangeStart(" bytes  7-9/*"), 7);
  EXPECT_EQ(ContentRangeStart("bytes */200"), -1);
  EXPECT_EQ(ContentRangeStart(""), -1);
  EXPECT_EQ(ContentRangeStart("items 1-2/3"), -1);
  EXPECT_EQ(ContentRangeStart("bytes 12"), -1);
  EXPECT_EQ(ContentRangeStart("bytes 99999999999999999999-1/2"), -1) << "overflow is no position";
}

TEST(WritableBytesTest, NeverPastTheTotal) {
  EXPECT_EQ(WritableBytes(5000, 1000, 4096), 4000u);
  EXPECT_EQ(WritableBytes(5000, 4000, 4096), 1000u);
  EXPECT_EQ(WritableBytes(5000, 5000, 4096), 0u);
  EXPECT_EQ(WritableBytes(5000, 6000, 4096), 0u);
  EXPECT_EQ(WritableBytes(-1, 1 << 30, 4096), 4096u);
}

TEST(NextRetryPauseTest, DoublesFromOneSecondToAMinute) {
  uint32_t pause = 0;
  std::vector<uint32_t> pauses;
  for (int i = 0; i < 9; ++i) pauses.push_back(pause = NextRetryPauseMs(pause));
  EXPECT_EQ(pauses, (std::vector<uint32_t>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000}));
}

TEST(CatalogueRequestAddressTest, FolderAndScriptForms) {
  char out[2048];
  CatalogueRequestAddress("http://s/cat/", 17, 0xab, "17", out, sizeof out);
  EXPECT_STREQ(out, "http://s/cat/17.txt");
  CatalogueRequestAddress("http://s/cat\\", 0, 0xab, "x", out, sizeof out);
  EXPECT_STREQ(out, "http://s/cat\\0.txt");
  CatalogueRequestAddress("http://s/get.php", 17, 0xab, "17abc", out, sizeof out);
  EXPECT_STREQ(out, "http://s/get.php?key=000000ab&postfix=17abc");
  CatalogueRequestAddress("http://s/get.php", 0, 0xDEADBEEF, "", out, sizeof out);
  EXPECT_STREQ(out, "http://s/get.php?key=deadbeef&postfix=");
  CatalogueRequestAddress("http://s/get.php", 0, 1, "", out, 20);
  EXPECT_STREQ(out, "");  // never a cut address
}

}  // namespace
