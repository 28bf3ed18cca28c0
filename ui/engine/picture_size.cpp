#include "ui/engine/picture_size.h"

#include <cstring>

namespace engine {
namespace {

uint32_t BigEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[0] << 8 | p[1]); }
uint32_t BigEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}
uint32_t LittleEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[1] << 8 | p[0]); }
uint32_t LittleEndian32(const uint8_t* p) {
  return static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[1]) << 8 | p[0];
}

bool Accept(int64_t w, int64_t h, int* width, int* height) {
  if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

// Signature, then the IHDR chunk first: length, "IHDR", width, height.
bool PngSize(const uint8_t* b, size_t n, int* width, int* height) {
  if (n < 24 || std::memcmp(b + 12, "IHDR", 4) != 0) return false;
  return Accept(BigEndian32(b + 16), BigEndian32(b + 20), width, height);
}

// The first image descriptor, past the colour table and any extensions.
bool GifSize(const uint8_t* b, size_t n, int* width, int* height) {
  size_t at = 13;
  if (n < at) return false;
  if (b[10] & 0x80) at += 3u << ((b[10] & 7) + 1);
  while (at < n) {
    if (b[at] == 0x2C) {
      if (n - at < 10) return false;
      return Accept(LittleEndian16(b + at + 5), LittleEndian16(b + at + 7), width, height);
    }
    if (b[at] != 0x21 || n - at < 2) return false;  // the trailer or damage
    at += 2;                                         // introducer and label
    while (at < n && b[at] != 0) at += 1u + b[at];   // data sub-blocks
    ++at;                                            // the block terminator
  }
  return false;
}

// File header, then the bitmap header: the old 12-byte core header has 16-bit
// sides, the others signed 32-bit ones (a negative height is top-down).
bool BmpSize(const uint8_t* b, size_t n, int* width, int* height) {
  if (n < 26) return false;
  uint32_t headerSize = LittleEndian32(b + 14);
  if (headerSize == 12) return Accept(LittleEndian16(b + 18), LittleEndian16(b + 20), width, height);
  if (headerSize < 16) return false;
  int64_t w = static_cast<int32_t>(LittleEndian32(b + 18));
  int64_t h = static_cast<int32_t>(LittleEndian32(b + 22));
  return Accept(w, h < 0 ? -h : h, width, height);
}

// Markers up to the first start-of-frame (C0-CF but C4, C8 and CC), which
// holds the height, then the width.
bool JpegSize(const uint8_t* b, size_t n, int* width, int* height) {
  size_t at = 2;
  while (at + 1 < n) {
    if (b[at] != 0xFF) return false;
    uint8_t marker = b[at + 1];
    if (marker == 0xFF) {  // fill byte
      ++at;
      continue;
    }
    at += 2;
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) return false;  // image end or scan before a frame
    if (n - at < 2) return false;
    uint32_t length = BigEndian16(b + at);
    if (length < 2) return false;
    bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || n - at < 7) return false;
      return Accept(BigEndian16(b + at + 5), BigEndian16(b + at + 3), width, height);
    }
    at += length;
  }
  return false;
}

}  // namespace

bool ReadPictureSize(const uint8_t* bytes, size_t size, int* width, int* height) {
  static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (bytes == nullptr) return false;
  if (size >= 8 && std::memcmp(bytes, kPng, 8) == 0) return PngSize(bytes, size, width, height);
  if (size >= 6 && (std::memcmp(bytes, "GIF87a", 6) == 0 || std::memcmp(bytes, "GIF89a", 6) == 0)) {
    return GifSize(bytes, size, width, height);
  }
  if (size >= 2 && bytes[0] == 'B' && bytes[1] == 'M') return BmpSize(bytes, size, width, height);
  if (size >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
    return JpegSize(bytes, size, width, height);
  }
  return false;
}

}  // namespace engine
