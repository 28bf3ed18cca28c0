// PNG decoding of any bytes: no read or write outside the input and the
// pixels (ASan), whatever the chunks, the compressed stream or the filters.
#include <vector>

#include "ui/engine/picture_size.h"
#include "ui/engine/png_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  int width = 0, height = 0;
  if (!engine::ReadPictureSize(data, size, &width, &height)) return 0;
  if (static_cast<size_t>(width) * static_cast<size_t>(height) > (1u << 20)) return 0;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
  engine::DecodePng(data, size, pixels.data(), width, height, static_cast<size_t>(width) * 4);
  return 0;
}
