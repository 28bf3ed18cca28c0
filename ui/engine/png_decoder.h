// PNG decoding into premultiplied BGRA, the pixel layout GDI's AlphaBlend
// draws. Every standard colour type and bit depth, transparency (tRNS) and
// interlacing; colour management chunks are ignored. Checksums of chunks and
// of the compressed stream are verified.
//
// The screens are made of PNG pictures: decoding them here spares the imaging
// component's start-up and per-picture costs on the way to the first paint.
#pragma once

#include <cstddef>
#include <cstdint>

namespace engine {

// Decodes into `pixels`: `height` top-down rows of `stride` bytes, each with
// width * 4 bytes of blue, green, red, alpha, colour multiplied by alpha.
// The size must be the picture's own (ReadPictureSize). False when the bytes
// are not a PNG of that size or are damaged; the pixels may then be partly
// written.
// *opaque (when given) says whether the picture has no transparency at all:
// no alpha channel and no tRNS chunk, or only opaque entries in it.
bool DecodePng(const uint8_t* bytes, size_t size, uint8_t* pixels, int width, int height, size_t stride,
               bool* opaque = nullptr);

// Inflates a zlib stream (RFC 1950 and 1951) into `outSize` bytes; false on
// damage, on a wrong checksum, or when the stream ends short of `outSize`.
// Data past `outSize` is ignored unchecked (some encoders write a little).
bool Inflate(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize);

}  // namespace engine
