#include "download/sha256.h"

#include <gtest/gtest.h>

#include <string>

#include "download/digests.h"

namespace {

std::string HexOf(const std::string& bytes, size_t piece) {
  Sha256 hash;
  Sha256Start(hash);
  for (size_t at = 0; at < bytes.size(); at += piece) {
    Sha256Add(hash, bytes.data() + at, std::min(piece, bytes.size() - at));
  }
  uint8_t digest[32];
  Sha256Finish(hash, digest);
  char hex[65];
  Sha256Hex(digest, hex);
  return hex;
}

TEST(Sha256Test, KnownDigestsWhateverThePiecesFed) {
  struct Case {
    std::string bytes;
    const char* hex;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const Case& c : cases) {
    for (size_t piece : {1u, 55u, 63u, 64u, 65u, 4096u}) {
      if (c.bytes.size() > 100000 && piece < 55) continue;
      EXPECT_EQ(HexOf(c.bytes, piece), c.hex) << c.bytes.size() << " bytes in pieces of " << piece;
    }
  }
}

TEST(Sha256Test, OnlySixtyFourHexDigitsAreADigest) {
  uint8_t digest[32];
  EXPECT_TRUE(ParseSha256Hex("BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD", digest));
  EXPECT_EQ(digest[0], 0xba);
  EXPECT_EQ(digest[31], 0xad);
  EXPECT_FALSE(ParseSha256Hex("", digest));
  EXPECT_FALSE(ParseSha256Hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015a", digest));
  EXPECT_FALSE(ParseSha256Hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015adx", digest));
  EXPECT_FALSE(ParseSha256Hex("ga7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", digest));
}

TEST(DigestsTest, KeptPerAddressAndWrittenForTheListOnly) {
  const char* good = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  LoadDigestsImage("", 0);
  SetDownloadDigest("http://h/a.exe", good);
  SetDownloadDigest("http://h/b.exe", "not a digest");
  uint8_t digest[32];
  EXPECT_TRUE(DownloadDigest("http://h/a.exe", digest));
  EXPECT_FALSE(DownloadDigest("http://h/b.exe", digest));
  EXPECT_EQ(CountDigestMismatch("http://h/a.exe"), 1);
  std::string image = DigestsImage({"http://h/a.exe", "http://h/b.exe", "http://h/a.exe"});
  EXPECT_EQ(image, std::string(good) + " 1 http://h/a.exe\n");
  EXPECT_EQ(DigestsImage({"http://h/other.exe"}), "");

  // Read back, with lines that are not the program's own among them.
  std::string file = "garbage\r\n" + image + std::string(good) + " 1\n" + std::string(good) + " x http://h/c.exe\n" +
                     std::string(good) + " 0 http://h/d.exe\r\n" + std::string(good, 63) + " 0 http://h/e.exe\n" +
                     std::string(good) + " 0 " + std::string(300, 'u') + "\n";
  LoadDigestsImage(file.data(), file.size());
  EXPECT_TRUE(DownloadDigest("http://h/a.exe", digest));
  EXPECT_TRUE(DownloadDigest("http://h/d.exe", digest));
  EXPECT_FALSE(DownloadDigest("http://h/c.exe", digest));
  EXPECT_FALSE(DownloadDigest("http://h/e.exe", digest));
  EXPECT_EQ(CountDigestMismatch("http://h/a.exe"), 2) << "the count survives";
  ForgetDownloadDigest("http://h/a.exe");
  EXPECT_FALSE(DownloadDigest("http://h/a.exe", digest));
  LoadDigestsImage("", 0);
}

}  // namespace
