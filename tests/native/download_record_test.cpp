#include "download/download_record.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "config/config_text.h"
#include "download/download_list.h"

namespace {

DownloadRecord Record(const char* url, const char* part, const char* final, uint8_t show) {
  DownloadRecord record;
  // Bytes after each NUL carry no meaning: fill them to show they travel as they are.
  std::memset(&record, 0x5a, sizeof record);
  CopyText(record.url, url);
  CopyText(record.partPath, part);
  CopyText(record.finalPath, final);
  record.showProgress = show;
  return record;
}

const uint8_t* Bytes(const std::string& s) { return reinterpret_cast<const uint8_t*>(s.data()); }

TEST(DownloadListFile, EntriesAreLengthThenTheRecordImage) {
  DownloadRecord a = Record("http://h/a.exe", "C:\\d\\a.exe.part", "C:\\d\\a.exe", 1);
  DownloadRecord b = Record("http://h/b.exe", "C:\\d\\b.exe.part", "C:\\d\\b.exe", 0);
  std::string image = DownloadListImage({a, b});
  ASSERT_EQ(image.size(), 2u * 785u);
  for (size_t entry : {0u, 785u}) {
    EXPECT_EQ(image.substr(entry, 4), std::string("\x0d\x03\x00\x00", 4));
  }
  EXPECT_EQ(0, std::memcmp(image.data() + 4, &a, 781));
  EXPECT_EQ(image.substr(4, 15), std::string("http://h/a.exe\0", 15));
  EXPECT_EQ(image.substr(4 + 260, 16), std::string("C:\\d\\a.exe.part\0", 16));
  EXPECT_EQ(image[4 + 780], '\x01');
  EXPECT_EQ(image[785 + 4 + 780], '\x00');
  EXPECT_EQ(DownloadListImage({}), "");

  std::vector<DownloadRecord> back = ParseDownloadList(Bytes(image), image.size());
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(0, std::memcmp(&back[0], &a, sizeof a));
  EXPECT_EQ(0, std::memcmp(&back[1], &b, sizeof b));
}

TEST(DownloadListFile, DamagedEntriesKeepTheGoodRecordsBeforeThem) {
  DownloadRecord good = Record("http://h/g.exe", "p", "f", 1);
  DownloadRecord next = Record("http://h/n.exe", "p2", "f2", 0);
  std::string one = DownloadListImage({good});
  std::string two = DownloadListImage({next});
  std::string unterminated = two;
  std::memset(&unterminated[4 + 520], 'x', 260);  // finalPath without its NUL

  struct Case {
    const char* name;
    std::string image;
    std::vector<std::string> urls;
  } cases[] = {
      {"cut inside the second record", one + two.substr(0, 500), {"http://h/g.exe"}},
      {"cut inside the second length", one + two.substr(0, 2), {"http://h/g.exe"}},
      {"length 780", one + std::string("\x0c\x03\x00\x00", 4) + two.substr(4), {"http://h/g.exe"}},
      {"length 2^32-1 stops reading", one + std::string("\xff\xff\xff\xff", 4) + two.substr(4) + two,
       {"http://h/g.exe"}},
      {"a record without terminator is left out, the next still loads", one + unterminated + two,
       {"http://h/g.exe", "http://h/n.exe"}},
      {"a bad first entry loads nothing", std::string("\x0d\x03\x00\x01", 4) + one.substr(4), {}},
  };
  for (const Case& c : cases) {
    std::vector<DownloadRecord> records = ParseDownloadList(Bytes(c.image), c.image.size());
    std::vector<std::string> urls;
    for (const DownloadRecord& r : records) urls.emplace_back(r.url);
    EXPECT_EQ(urls, c.urls) << c.name;
  }
}

TEST(UrlFileNameTest, NamesAreOneSafeFileName) {
  struct Case {
    const char* url;
    const char* name;
  } cases[] = {
      {"http://host/path/Game.exe", "Game.exe"},
      {"no-slash-at-all.exe", "no-slash-at-all.exe"},
      {"http://host/get.exe?id=5&x=y", "get.exe_id=5&x=y"},  // the query stays, made writable
      {"http://host/..", "__"},
      {"http://host/a\\..\\..\\evil.exe", "a_______evil.exe"},
      {"http://host/c:evil.exe", "c_evil.exe"},
      {"http://host/a<b>c|d\"e*f.exe", "a_b_c_d_e_f.exe"},
      {"http://host/tab\there.exe", "tab_here.exe"},
      {"http://host/name. . ", "name____"},
      {"http://host/", "download"},
      {"http://host/con", "_con"},
      {"http://host/COM1.exe", "_COM1.exe"},
      {"http://host/Lpt9", "_Lpt9"},
      {"http://host/COM10.exe", "COM10.exe"},
      {"http://host/console.exe", "console.exe"},
  };
  for (const Case& c : cases) {
    char name[260];
    ASSERT_TRUE(UrlFileName(c.url, name, 200)) << c.url;
    EXPECT_STREQ(name, c.name) << c.url;
  }
}

TEST(UrlFileNameTest, LongNamesAreCutKeepingTheExtension) {
  std::string url = "http://host/" + std::string(300, 'a') + ".exe";
  char name[260];
  ASSERT_TRUE(UrlFileName(url.c_str(), name, 20));
  EXPECT_STREQ(name, "aaaaaaaaaaaaaaaa.exe");
  url = "http://host/" + std::string(300, 'b') + ".verylongextension";
  ASSERT_TRUE(UrlFileName(url.c_str(), name, 10));
  EXPECT_STREQ(name, "bbbbbbbbbb");
  url = "http://host/x" + std::string(30, '.') + ".exe";
  ASSERT_TRUE(UrlFileName(url.c_str(), name, 12));
  EXPECT_EQ(std::strlen(name), 12u);
  EXPECT_NE(name[std::strlen(name) - 1], '.');
  // A cut that joins a dot of the stem to the extension's, or leaves a device.
  url = "http://host/" + std::string(11, 'r') + "." + std::string(20, 'q') + ".exe";
  ASSERT_TRUE(UrlFileName(url.c_str(), name, 16));
  EXPECT_STREQ(name, "rrrrrrrrrrr_.exe");
  ASSERT_TRUE(UrlFileName("http://host/COM1xxxxxxxx.exe", name, 8));
  EXPECT_STREQ(name, "_COM.exe") << "no device, cut to fit";
  EXPECT_FALSE(UrlFileName("http://host/a.exe", name, 7));
}

TEST(MakeGameDownloadTest, PathsLieInTheDataFoldersDownloadFolder) {
  DownloadRecord record;
  ASSERT_TRUE(MakeGameDownload("C:\\Users\\u\\AppData\\Local\\ZarnSoft\\", "http://h/x/Puzzle.exe", true, &record));
  EXPECT_STREQ(record.url, "http://h/x/Puzzle.exe");
  EXPECT_STREQ(record.finalPath, "C:\\Users\\u\\AppData\\Local\\ZarnSoft\\Download\\Puzzle.exe");
  EXPECT_STREQ(record.partPath, "C:\\Users\\u\\AppData\\Local\\ZarnSoft\\Download\\Puzzle.exe.part");
  EXPECT_EQ(record.showProgress, 1);
  ASSERT_TRUE(MakeGameDownload("C:\\Games\\One", "HTTPS://h/b.exe", false, &record));
  EXPECT_STREQ(record.finalPath, "C:\\Games\\One\\Download\\b.exe");
  EXPECT_EQ(record.showProgress, 0);
}

TEST(MakeGameDownloadTest, RefusesWhatCannotBeFetchedOrDoesNotFit) {
  std::string longest = "http://h/" + std::string(250, 'a');  // 259 characters: fits
  std::string tooLong = longest + "a";
  std::string deepFolder = "C:\\" + std::string(230, 'f');
  struct Case {
    std::string folder;
    std::string url;
    bool made;
  } cases[] = {
      {"C:\\d", longest, true},        {"C:\\d", tooLong, false},
      {"C:\\d", "", false},            {"C:\\d", "http://", false},
      {"C:\\d", "ftp://h/a.exe", false}, {"C:\\d", "file:///C:/a.exe", false},
      {"C:\\d", "C:\\Windows\\a.exe", false}, {deepFolder, "http://h/a.exe", true},
      {deepFolder + std::string(13, 'g'), "http://h/a.exe", false},
  };
  for (const Case& c : cases) {
    DownloadRecord record;
    std::memset(&record, 0x11, sizeof record);
    bool made = MakeGameDownload(c.folder.c_str(), c.url.c_str(), true, &record);
    EXPECT_EQ(made, c.made) << c.url.substr(0, 40) << " in " << c.folder.size();
    if (made) {
      EXPECT_LT(std::strlen(record.partPath), 260u);
      EXPECT_EQ(std::string(record.partPath), std::string(record.finalPath) + ".part");
    } else {
      EXPECT_EQ(static_cast<unsigned char>(record.url[0]), 0x11u);  // untouched
    }
  }
}

TEST(DownloadListTest, OrderRemovalByAddressAndQueuedUpdates) {
  ReplaceDownloads({});
  AppendDownload(Record("http://h/a", "pa", "fa", 1));
  AppendDownload(Record("http://h/b", "pb", "fb", 0));
  AppendDownload(Record("http://h/a", "pa2", "fa2", 1));  // duplicates are kept
  EXPECT_EQ(DownloadCount(), 3u);
  EXPECT_EQ(RemoveDownloadByUrl("http://h/a"), 0);  // only the earlier one
  EXPECT_STREQ(DownloadAt(1).partPath, "pa2");
  EXPECT_EQ(RemoveDownloadByUrl("http://h/none"), -1);
  EXPECT_THROW(DownloadAt(2), std::invalid_argument);
  EXPECT_FALSE(AppendDownloadUnlessQueued(Record("http://h/other", "p", "fb", 0)));
  EXPECT_TRUE(AppendDownloadUnlessQueued(Record("http://h/other", "p", "FB", 0)));  // exact bytes
  RemoveFirstDownload();
  DownloadRecord first;
  ASSERT_TRUE(FirstDownload(&first));
  EXPECT_STREQ(first.partPath, "pa2");
  EXPECT_EQ(DownloadUrls(), (std::vector<std::string>{"http://h/a", "http://h/other"}));
  ReplaceDownloads({});
  EXPECT_FALSE(FirstDownload(&first));
}

}  // namespace
