// Picture sizes read from headers: the formats' layouts, headers cut short,
// and sizes out of range.
#include "ui/engine/picture_size.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}
Bytes Be16(int v) { return {uint8_t(v >> 8), uint8_t(v)}; }
Bytes Be32(uint32_t v) { return {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}; }
Bytes Le16(int v) { return {uint8_t(v), uint8_t(v >> 8)}; }
Bytes Le32(uint32_t v) { return {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}; }
Bytes Text(const char* s) { return Bytes(s, s + std::char_traits<char>::length(s)); }

Bytes Png(uint32_t w, uint32_t h) {
  return Cat({{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, Be32(13), Text("IHDR"), Be32(w), Be32(h),
              {8, 6, 0, 0, 0}});
}
// A GIF whose logical screen is 100 x 100 and whose first frame is w x h,
// with a global colour table of 4 entries and two extensions before it.
Bytes Gif(int w, int h) {
  return Cat({Text("GIF89a"), Le16(100), Le16(100), {0x81, 0, 0}, Bytes(12, 0x7F),
              {0x21, 0xF9, 4, 0, 0, 0, 0, 0},                      // graphic control
              {0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0},      // comment, two sub-blocks
              {0x2C}, Le16(5), Le16(6), Le16(w), Le16(h), {0}});
}
Bytes Bmp(int32_t w, int32_t h, uint32_t headerSize = 40) {
  return Cat({Text("BM"), Le32(0), Le32(0), Le32(54), Le32(headerSize), Le32(uint32_t(w)), Le32(uint32_t(h)),
              Le16(1), Le16(24)});
}
Bytes CoreBmp(int w, int h) {
  return Cat({Text("BM"), Le32(0), Le32(0), Le32(26), Le32(12), Le16(w), Le16(h), Le16(1), Le16(24)});
}
// JFIF header, a comment, fill bytes, a restart marker, then the frame.
Bytes Jpeg(uint8_t frameMarker, int w, int h) {
  return Cat({{0xFF, 0xD8}, {0xFF, 0xE0}, Be16(16), Text("JFIF"), Bytes(10, 0),   //
              {0xFF, 0xFE}, Be16(5), Text("abc"), {0xFF, 0xFF, 0xFF, 0xD0},         //
              {0xFF, 0xC4}, Be16(4), {0, 0},                                       // Huffman table, not a frame
              {0xFF, frameMarker}, Be16(11), {8}, Be16(h), Be16(w), {1, 1, 0x11, 0}});
}

struct Case {
  const char* name;
  Bytes bytes;
  bool ok;
  int width, height;
};

TEST(PictureSize, FormatsAndDamage) {
  Bytes png = Png(730, 512), gif = Gif(30, 40), bmp = Bmp(8, 6), jpeg = Jpeg(0xC0, 300, 120);
  const Case cases[] = {
      {"png", png, true, 730, 512},
      {"png cut in the height", Bytes(png.begin(), png.begin() + 23), false, 0, 0},
      {"png without IHDR first", Cat({Bytes(png.begin(), png.begin() + 12), Text("IDAT"), Be32(1), Be32(1)}),
       false, 0, 0},
      {"png of width 0", Png(0, 5), false, 0, 0},
      {"png past the largest side", Png(16385, 5), false, 0, 0},
      {"png of the largest side", Png(16384, 16384), true, 16384, 16384},
      {"png width as a negative 32-bit", Png(0x80000001u, 5), false, 0, 0},
      {"gif: first frame, not the screen", gif, true, 30, 40},
      {"gif cut inside an extension", Bytes(gif.begin(), gif.begin() + 30), false, 0, 0},
      {"gif cut in the descriptor", Bytes(gif.begin(), gif.end() - 4), false, 0, 0},
      {"gif with only a trailer", Cat({Text("GIF87a"), Le16(9), Le16(9), {0, 0, 0}, {0x3B}}), false, 0, 0},
      {"bmp bottom-up", bmp, true, 8, 6},
      {"bmp top-down", Bmp(8, -6), true, 8, 6},
      {"bmp with negative width", Bmp(-8, 6), false, 0, 0},
      {"bmp core header", CoreBmp(640, 480), true, 640, 480},
      {"bmp version 5 header", Bmp(8, 6, 124), true, 8, 6},
      {"bmp with a header too small", Bmp(8, 6, 8), false, 0, 0},
      {"bmp cut short", Bytes(bmp.begin(), bmp.begin() + 25), false, 0, 0},
      {"jpeg baseline", jpeg, true, 300, 120},
      {"jpeg progressive", Jpeg(0xC2, 64, 48), true, 64, 48},
      {"jpeg cut in the frame", Bytes(jpeg.begin(), jpeg.end() - 8), false, 0, 0},
      {"jpeg with a segment length past the end",
       Cat({{0xFF, 0xD8, 0xFF, 0xE1}, Be16(0xFFFF), Bytes(10, 0)}), false, 0, 0},
      {"jpeg with a segment length below 2", Cat({{0xFF, 0xD8, 0xFF, 0xE1}, Be16(1), Bytes(20, 0)}), false, 0, 0},
      {"jpeg scan before any frame", Cat({{0xFF, 0xD8, 0xFF, 0xDA}, Be16(2), Bytes(20, 0)}), false, 0, 0},
      {"jpeg of height 0", Jpeg(0xC0, 10, 0), false, 0, 0},
      {"empty", Bytes(), false, 0, 0},
      {"text", Text("<html>"), false, 0, 0},
  };
  for (const Case& c : cases) {
    int width = -1, height = -1;
    EXPECT_EQ(engine::ReadPictureSize(c.bytes.data(), c.bytes.size(), &width, &height), c.ok) << c.name;
    if (c.ok) EXPECT_EQ(width * 100000 + height, c.width * 100000 + c.height) << c.name;
  }
}

// Every prefix of every well-formed picture is read without reading past its
// end (ASan watches) and gives either no size or the right one.
TEST(PictureSize, EveryPrefixIsSafe) {
  const Case whole[] = {
      {"png", Png(7, 9), true, 7, 9},      {"gif", Gif(7, 9), true, 7, 9},
      {"bmp", Bmp(7, 9), true, 7, 9},      {"core bmp", CoreBmp(7, 9), true, 7, 9},
      {"jpeg", Jpeg(0xC1, 7, 9), true, 7, 9},
  };
  for (const Case& c : whole) {
    for (size_t n = 0; n <= c.bytes.size(); ++n) {
      std::vector<uint8_t> prefix(c.bytes.begin(), c.bytes.begin() + static_cast<std::ptrdiff_t>(n));
      int width = 0, height = 0;
      if (engine::ReadPictureSize(prefix.data(), prefix.size(), &width, &height)) {
        EXPECT_EQ(width, 7) << c.name << " cut at " << n;
        EXPECT_EQ(height, 9) << c.name << " cut at " << n;
      }
    }
  }
}

}  // namespace
