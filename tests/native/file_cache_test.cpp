// The whole-file cache: loading, finding by folded name, order and release.
#include "config/file_cache.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

void WriteFile(const char* name, const std::string& bytes) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

class FileCache : public testing::Test {
 protected:
  void TearDown() override {
    while (FileCacheCount() > 0) FileCacheRelease(FileCacheAt(0)->data);
  }
};

TEST_F(FileCache, LoadsTheWholeFileAndFindsItInAnyLetterCase) {
  WriteFile("cache_a.txt", std::string("a=1\nb=\0x\n", 9));
  int32_t size = -1;
  char* data = FileCacheLoad("cache_a.txt", &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 9);
  EXPECT_EQ(std::string(data, 9), std::string("a=1\nb=\0x\n", 9));

  FileCacheEntry* entry = FileCacheFind("CACHE_A.TXT");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->data, data);
  EXPECT_STREQ(entry->name, "CACHE_A.TXT");
  EXPECT_TRUE(entry->owned);
}

TEST_F(FileCache, FindsCyrillicNamesFolded) {
  ASSERT_TRUE(FileCacheAdd("\xef\xf0\xe8\xec\xe5\xf0.txt", 0, nullptr, false));  // "пример"
  EXPECT_NE(FileCacheFind("\xcf\xd0\xc8\xcc\xc5\xd0.TXT"), nullptr);               // "ПРИМЕР"
}

TEST_F(FileCache, SecondLoadReturnsTheSameBlockWithoutReadingTheDisk) {
  WriteFile("cache_b.txt", "first");
  char* first = FileCacheLoad("cache_b.txt", nullptr);
  ASSERT_NE(first, nullptr);
  WriteFile("cache_b.txt", "changed on disk");
  int32_t size = 0;
  char* second = FileCacheLoad("Cache_B.TXT", &size);
  EXPECT_EQ(second, first);
  EXPECT_EQ(size, 5);
  EXPECT_EQ(std::string(second, 5), "first");
  EXPECT_EQ(FileCacheCount(), 1);
  ASSERT_TRUE(FileCacheRelease(first));
  char* reread = FileCacheLoad("cache_b.txt", &size);
  ASSERT_NE(reread, nullptr);
  EXPECT_EQ(std::string(reread, size), "changed on disk");
}

TEST_F(FileCache, ReleaseKeepsTheOrderOfTheOthers) {
  WriteFile("cache_1.txt", "1");
  WriteFile("cache_2.txt", "2");
  WriteFile("cache_3.txt", "3");
  char* one = FileCacheLoad("cache_1.txt", nullptr);
  char* two = FileCacheLoad("cache_2.txt", nullptr);
  char* three = FileCacheLoad("cache_3.txt", nullptr);
  ASSERT_TRUE(one && two && three);
  EXPECT_TRUE(FileCacheRelease(two));
  ASSERT_EQ(FileCacheCount(), 2);
  EXPECT_EQ(FileCacheAt(0)->data, one);
  EXPECT_EQ(FileCacheAt(1)->data, three);
  EXPECT_FALSE(FileCacheRelease(two)) << "already released";
  int unknown = 0;
  EXPECT_FALSE(FileCacheRelease(reinterpret_cast<char*>(&unknown)));
  EXPECT_EQ(FileCacheCount(), 2);
}

TEST_F(FileCache, MissingFileGivesNullAndAddsNothing) {
  int32_t size = 77;
  EXPECT_EQ(FileCacheLoad("no_such_file.txt", &size), nullptr);
  EXPECT_EQ(size, 77);
  EXPECT_EQ(FileCacheCount(), 0);
}

TEST_F(FileCache, EmptyFileIsAnEmptyTerminatedBlock) {
  WriteFile("cache_empty.txt", "");
  int32_t size = -1;
  char* data = FileCacheLoad("cache_empty.txt", &size);
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_EQ(data[0], '\0');
}

TEST_F(FileCache, OverwritingTheLastByteTerminatesTheText) {
  // The users' pattern: the last byte (normally the final LF) becomes the NUL.
  WriteFile("cache_c.txt", "k=value");
  int32_t size = 0;
  char* data = FileCacheLoad("cache_c.txt", &size);
  ASSERT_NE(data, nullptr);
  data[size - 1] = '\0';
  EXPECT_STREQ(data, "k=valu");
}

TEST_F(FileCache, FullTableRefusesFurtherEntries) {
  for (int i = 0; i < kFileCacheCapacity; ++i) ASSERT_TRUE(FileCacheAdd("x", 0, nullptr, false));
  EXPECT_FALSE(FileCacheAdd("y", 0, nullptr, false));
  WriteFile("cache_full.txt", "data");
  EXPECT_EQ(FileCacheLoad("cache_full.txt", nullptr), nullptr);
  EXPECT_EQ(FileCacheCount(), kFileCacheCapacity);
}

TEST_F(FileCache, LongNamesAreComparedOnTheirFirst63Bytes) {
  std::string name(100, 'n');
  ASSERT_TRUE(FileCacheAdd(name.c_str(), 0, nullptr, false));
  EXPECT_EQ(std::string(FileCacheAt(0)->name), std::string(63, 'N'));
  EXPECT_NE(FileCacheFind((std::string(63, 'n') + "different tail").c_str()), nullptr);
}

}  // namespace
