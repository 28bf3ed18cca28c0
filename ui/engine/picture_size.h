// The size of an encoded picture read from its header alone, without decoding
// its pixels: PNG, GIF (its first frame, as a decoder gives it), BMP and JPEG.
// Lets layout go on while the pixels are decoded only when first drawn.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// Pictures wider or taller than this are not drawn (nor decoded).
constexpr int kMaxPictureSide = 16384;

// True with the size when the bytes begin a picture of a known format whose
// header is whole and gives a size of 1 to kMaxPictureSide on each side.
bool ReadPictureSize(const uint8_t* bytes, size_t size, int* width, int* height);

}  // namespace engine
