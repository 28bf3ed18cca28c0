// The PNG decoder against pictures whose every sample is a formula of its
// position (png/make_pngs.py writes them): all colour types and depths,
// interlacing, transparency keys, the three kinds of deflate block. Then
// damage: cut files, flipped bytes, bad checksums, wrong sizes.
#include "ui/engine/png_decoder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ui/engine/picture_size.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string PngDir() { return ZARN_ENGINE_PNG_DIR; }

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> PngNames() {
  std::vector<std::string> names;
  if (DIR* dir = opendir(PngDir().c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) names.push_back(name);
    }
    closedir(dir);
  }
  return names;
}

// The generator's formulas: smooth, or noise.
bool gNoise = false;
unsigned Sample(unsigned x, unsigned y, unsigned c, unsigned depth) {
  unsigned v;
  if (gNoise) {
    uint32_t h = (x * 73856093u) ^ (y * 19349663u) ^ (c * 83492791u);
    h = (h ^ (h >> 13)) * 0x5BD1E995u;
    v = (h ^ (h >> 15)) & 0xFFFF;
  } else {
    v = ((x * 37 + y * 91 + c * 53) * 257 + x * y * 11) & 0xFFFF;
  }
  return v >> (16 - depth);
}

struct Rgba {
  unsigned r, g, b, a;
};

// What pixel (x, y) of a picture of this kind must be, before premultiplying.
Rgba Expected(unsigned x, unsigned y, int colourType, unsigned depth, bool key) {
  auto eight = [depth](unsigned s) { return depth == 16 ? s >> 8 : depth == 8 ? s : s * 255 / ((1u << depth) - 1); };
  switch (colourType) {
    case 0: {
      unsigned s = Sample(x, y, 0, depth), g = eight(s);
      bool clear = key && s == Sample(0, 0, 0, depth);
      return {g, g, g, clear ? 0u : 255u};
    }
    case 2: {
      bool clear = key;
      unsigned v[3];
      for (unsigned c = 0; c < 3; ++c) {
        v[c] = Sample(x, y, c, depth);
        clear = clear && v[c] == Sample(0, 0, c, depth);
      }
      return {eight(v[0]), eight(v[1]), eight(v[2]), clear ? 0u : 255u};
    }
    case 3: {
      unsigned i = Sample(x, y, 0, depth);
      bool hasAlpha = key && i < (1u << depth) - 1;  // the last entry has none
      return {(i * 7) & 255, (i * 13) & 255, (i * 29) & 255, hasAlpha ? (i * 41) & 255 : 255u};
    }
    case 4: {
      unsigned g = eight(Sample(x, y, 0, depth));
      return {g, g, g, eight(Sample(x, y, 1, depth))};
    }
    default:
      return {eight(Sample(x, y, 0, depth)), eight(Sample(x, y, 1, depth)), eight(Sample(x, y, 2, depth)),
              eight(Sample(x, y, 3, depth))};
  }
}

unsigned Premultiplied(unsigned colour, unsigned alpha) { return (colour * alpha + 127) / 255; }

struct Decoded {
  bool ok = false;
  bool opaque = false;
  int width = 0, height = 0;
  Bytes pixels;
};

Decoded Decode(const Bytes& file) {
  Decoded d;
  if (!engine::ReadPictureSize(file.data(), file.size(), &d.width, &d.height)) return d;
  d.pixels.assign(static_cast<size_t>(d.width) * static_cast<size_t>(d.height) * 4, 0xCD);
  d.ok = engine::DecodePng(file.data(), file.size(), d.pixels.data(), d.width, d.height,
                           static_cast<size_t>(d.width) * 4, &d.opaque);
  return d;
}

TEST(PngDecoder, EveryKindGivesTheFormula) {
  std::vector<std::string> names = PngNames();
  ASSERT_GE(names.size(), 40u) << "pictures missing in " << PngDir();
  for (const std::string& name : names) {
    Bytes file = ReadFile(PngDir() + "/" + name);
    Decoded d = Decode(file);
    ASSERT_TRUE(d.ok) << name;
    int colourType = file[25];
    unsigned depth = file[24];
    bool key = name.find("_key") != std::string::npos;
    gNoise = name.find("_noise") != std::string::npos;
    int wrong = 0;
    for (int y = 0; y < d.height; ++y) {
      for (int x = 0; x < d.width; ++x) {
        Rgba e = Expected(static_cast<unsigned>(x), static_cast<unsigned>(y), colourType, depth, key);
        const uint8_t* p = &d.pixels[(static_cast<size_t>(y) * static_cast<size_t>(d.width) + static_cast<size_t>(x)) * 4];
        unsigned b = Premultiplied(e.b, e.a), g = Premultiplied(e.g, e.a), r = Premultiplied(e.r, e.a);
        if (p[0] != b || p[1] != g || p[2] != r || p[3] != e.a) {
          if (++wrong <= 3) {
            ADD_FAILURE() << name << " pixel " << x << "," << y << ": got " << int(p[2]) << " " << int(p[1]) << " "
                          << int(p[0]) << " " << int(p[3]) << ", want " << r << " " << g << " " << b << " " << e.a;
          }
        }
      }
    }
    EXPECT_EQ(wrong, 0) << name;
    // Opaque: no alpha channel and no transparency chunk (which every "_key"
    // picture has, with some clear value).
    EXPECT_EQ(d.opaque, colourType != 4 && colourType != 6 && !key) << name;
  }
}

// Offsets of a file's chunks: where each begins (its length field).
std::vector<size_t> ChunkOffsets(const Bytes& file) {
  std::vector<size_t> offsets;
  for (size_t at = 8; at + 12 <= file.size();) {
    offsets.push_back(at);
    size_t length = static_cast<size_t>(file[at]) << 24 | file[at + 1] << 16 | file[at + 2] << 8 | file[at + 3];
    at += 12 + length;
  }
  return offsets;
}

uint32_t Crc(const uint8_t* p, size_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (size_t i = 0; i < n; ++i) {
    c ^= p[i];
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
  }
  return ~c;
}

// Rewrites the checksum of the chunk at `at`, so that damage inside it gets
// past the chunk check and reaches the inflater.
void Reseal(Bytes* file, size_t at) {
  size_t length = static_cast<size_t>((*file)[at]) << 24 | (*file)[at + 1] << 16 | (*file)[at + 2] << 8 | (*file)[at + 3];
  uint32_t crc = Crc(file->data() + at + 4, length + 4);
  for (int i = 0; i < 4; ++i) (*file)[at + 8 + length + static_cast<size_t>(i)] = static_cast<uint8_t>(crc >> (24 - 8 * i));
}

TEST(PngDecoder, DamageIsRefused) {
  const Bytes good = ReadFile(PngDir() + "/ct6_d8_large.png");
  ASSERT_TRUE(Decode(good).ok);
  std::vector<size_t> chunks = ChunkOffsets(good);
  size_t firstData = 0;
  for (size_t at : chunks) {
    if (std::memcmp(&good[at + 4], "IDAT", 4) == 0) {
      firstData = at;
      break;
    }
  }
  ASSERT_NE(firstData, 0u);

  struct Case {
    const char* name;
    Bytes file;
  };
  std::vector<Case> cases;
  Bytes b = good;
  b[firstData + 20] ^= 0x40;
  cases.push_back({"a flipped data byte, chunk checksum left", b});
  Reseal(&b, firstData);
  cases.push_back({"a flipped data byte under a good chunk checksum", b});
  b = good;
  b[firstData + 9] ^= 0x01;  // the zlib header's check bits
  Reseal(&b, firstData);
  cases.push_back({"a bad zlib header", b});
  b = good;
  b.erase(b.begin() + static_cast<std::ptrdiff_t>(chunks.back()), b.end());
  cases.push_back({"no IEND", b});
  b = good;
  b[8 + 4 + 4 + 9] = 5;  // colour type 5 does not exist
  Reseal(&b, 8);
  cases.push_back({"an unknown colour type", b});
  b = good;
  b[12] = 'X';  // IHDR renamed: the first chunk is not the header
  Reseal(&b, 8);
  cases.push_back({"no IHDR first", b});
  b = good;
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(firstData), {0, 0, 0, 0, 'Q', 'U', 'X', 'Z', 0, 0, 0, 0});
  Reseal(&b, firstData);
  cases.push_back({"an unknown critical chunk", b});
  for (const Case& c : cases) EXPECT_FALSE(Decode(c.file).ok) << c.name;

  // An unknown ancillary chunk is skipped.
  b = good;
  b.insert(b.begin() + static_cast<std::ptrdiff_t>(firstData), {0, 0, 0, 0, 'q', 'u', 'x', 'z', 0, 0, 0, 0});
  Reseal(&b, firstData);
  EXPECT_TRUE(Decode(b).ok) << "an unknown ancillary chunk";

  // A size other than the header's is refused.
  Bytes pixels(200 * 121 * 4);
  EXPECT_FALSE(engine::DecodePng(good.data(), good.size(), pixels.data(), 200, 121, 200 * 4));
  EXPECT_FALSE(engine::DecodePng(good.data(), good.size(), pixels.data(), 200, 120, 199 * 4));
}

// Every cut of a file is refused without reading past its end (ASan).
TEST(PngDecoder, EveryCutIsRefused) {
  for (const char* name : {"ct6_d8_i.png", "ct3_d2_key.png", "ct2_d8_fixed.png"}) {
    const Bytes good = ReadFile(PngDir() + "/" + name);
    Bytes pixels(13 * 11 * 4 > 40 * 30 * 4 ? 13 * 11 * 4 : 40 * 30 * 4);
    int width = 0, height = 0;
    ASSERT_TRUE(engine::ReadPictureSize(good.data(), good.size(), &width, &height)) << name;
    for (size_t n = 0; n < good.size(); ++n) {
      Bytes cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
      EXPECT_FALSE(engine::DecodePng(cut.data(), cut.size(), pixels.data(), width, height,
                                     static_cast<size_t>(width) * 4))
          << name << " cut at " << n;
    }
  }
}

// Raw deflate cases the PNG files do not reach.
TEST(Inflate, StreamsAndDamage) {
  // "abcabcabc" as one fixed block with a copy, and its checksum.
  const Bytes fixed = {0x78, 0x9C, 0x4B, 0x4C, 0x4A, 0x4E, 0x04, 0x23, 0x00, 0x11, 0x3D, 0x03, 0x73};
  uint8_t out[16] = {};
  ASSERT_TRUE(engine::Inflate(fixed.data(), fixed.size(), out, 9));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 9), "abcabcabc");

  struct Case {
    const char* name;
    Bytes stream;
    size_t outSize;
    bool ok;
  };
  Bytes badSum = fixed;
  badSum.back() ^= 1;
  Bytes cut(fixed.begin(), fixed.end() - 4);
  Bytes stored = {0x78, 0x01, 0x01, 0x03, 0x00, 0xFC, 0xFF, 'x', 'y', 'z', 0x02, 0xD7, 0x01, 0x6C};
  Bytes storedBadLength = stored;
  storedBadLength[5] ^= 1;
  const Case cases[] = {
      {"the whole stream", fixed, 9, true},
      {"a wrong checksum", badSum, 9, false},
      {"no checksum", cut, 9, false},
      {"more output wanted than there is", fixed, 10, false},
      {"less output wanted: the rest is ignored", fixed, 5, true},
      {"a stored block", stored, 3, true},
      {"a stored block whose length check fails", storedBadLength, 3, false},
      {"block type 3", {0x78, 0x9C, 0x07, 0, 0, 0, 0}, 1, false},
      // A copy from before the start: literal 'a', then length 3 distance 2.
      {"a distance past the start", {0x78, 0x9C, 0x4B, 0x04, 0x42, 0x00, 0, 0, 0, 0}, 4, false},
      {"a preset dictionary", {0x78, 0xBB, 0, 0, 0, 0, 0, 0}, 1, false},
      {"empty", {}, 1, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> buffer(c.outSize + 1);
    EXPECT_EQ(engine::Inflate(c.stream.data(), c.stream.size(), buffer.data(), c.outSize), c.ok) << c.name;
  }
}

}  // namespace
